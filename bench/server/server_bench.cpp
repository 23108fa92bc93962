// Benchmark of the application server: fills a database with N
// appropriations, then measures over loopback with keep-alive the day query
// (getAtividades) against a bare echo of the same bytes served by the same
// HTTP transport, with 1, 8 and 16 connections; at 16 connections the day
// calls against the bound this machine allows (its cores over the cost of an
// echo plus the day's reads in-process) and a save-heavy mix; SetAtividades
// inserts against a raw check-and-insert transaction, and the same day query
// done in-process; the summary screen's GetResumoPeriodo for a team of 50
// over a month, against a bare echo of its bytes. On PostgreSQL it also
// measures each read method against the same query done directly with libpq.
#include <httplib.h>
#include <libpq-fe.h>
#include <spdlog/spdlog.h>
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <sys/resource.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <thread>

#include "appropriation_fill.h"
#include "appserver/api/app_server.h"
#include "appserver/http/server.h"
#include "appserver/remote/time_text.h"
#include "appserver/storage/database.h"
#include "appserver/storage/migrations.h"
#include "appserver/stores/appropriation_store.h"
#include "appserver/stores/month_closing.h"
#include "appserver/stores/password_hasher.h"
#include "appserver/stores/period_cell_cache.h"
#include "appserver/stores/period_summary.h"
#include "appserver/transfer/data_import.h"
#include "loopback.h"
#include "platform/dataset/packet_json.h"
#include "protocol/apropriacao.h"

#include <soci/sqlite3/soci-sqlite3.h>

using namespace appserver;
using nlohmann::json;
using platform::dataset::DateTime;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kOperators = bench::kFillOperators;
constexpr const char* kUser = "100000";
constexpr const char* kPassword = "bench";

struct Options {
    long long rows = 1000000;
    std::string db;
    std::string sync = "full";
    int calls = 3000;
    int inserts = 1000;
    int rounds = 3;
    int writers = 8;    ///< clients saving large packets in the contention measurement
    int bigRows = 500;  ///< inserts in each of their packets
    std::size_t threads = ServerSettings{}.threads;  ///< the server's, as `serve --threads`
    std::set<std::string> skip;  ///< measurements left out (to profile the others)
    int summaryCalls = 200;      ///< GetResumoPeriodo calls measured

    bool runs(const char* part) const { return skip.count(part) == 0; }
};

/// The first day of the measured fill: set by fill(), from the database when it came filled.
std::optional<DateTime>& measuredFirstDay() {
    static std::optional<DateTime> first;
    return first;
}

DateTime firstDay() {
    if (!measuredFirstDay()) throw std::logic_error("firstDay() before fill()");
    return *measuredFirstDay();
}

long long dayCount(long long rows) {
    return bench::fillDayCount(rows);
}

struct Stats {
    double median = 0, p99 = 0, perSecond = 0;
};

Stats measure(int n, const std::function<void(int)>& once) {
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(n));
    const auto start = Clock::now();
    for (int i = 0; i < n; ++i) {
        const auto t0 = Clock::now();
        once(i);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    const double total = std::chrono::duration<double>(Clock::now() - start).count();
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[std::min(us.size() - 1, us.size() * 99 / 100)], n / total};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

/// Processor time of the whole process so far (every thread, clients and server alike), in µs.
double processCpuMicros() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const auto micros = [](const timeval& t) { return t.tv_sec * 1e6 + t.tv_usec; };
    return micros(u.ru_utime) + micros(u.ru_stime);
}

struct Load {
    double perSecond = 0;
    double p99 = 0;            ///< µs, over every request of every connection
    double cpuPerRequest = 0;  ///< µs of processor time per request, the clients' included
};

/// `connections` clients, each making `perClient` calls on a keep-alive connection of its own.
Load throughput(int connections, int perClient,
                const std::function<void(httplib::Client&, int)>& once, int port) {
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(connections));
    std::vector<std::vector<double>> latencies(static_cast<std::size_t>(connections));
    std::atomic<int> failures{0};
    const double cpu0 = processCpuMicros();
    const auto start = Clock::now();
    for (int c = 0; c < connections; ++c) {
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            bench::likeTheDesktop(client);
            auto& mine = latencies[static_cast<std::size_t>(c)];
            mine.reserve(static_cast<std::size_t>(perClient));
            for (int i = 0; i < perClient; ++i) {
                const auto t0 = Clock::now();
                try {
                    once(client, c * perClient + i);
                } catch (const std::exception&) {
                    ++failures;
                }
                mine.push_back(
                    std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
            }
        });
    }
    for (auto& t : threads) t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = processCpuMicros() - cpu0;
    if (failures) std::fprintf(stderr, "  (%d failed requests)\n", failures.load());
    std::vector<double> all;
    for (const auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
    std::sort(all.begin(), all.end());
    const double n = static_cast<double>(connections) * perClient;
    return {n / seconds, all[std::min(all.size() - 1, all.size() * 99 / 100)], cpu / n};
}

void fill(Database& db, long long rows) {
    long long have = 0;
    {
        auto lease = db.acquire();
        lease.sql() << "SELECT COUNT(*) FROM appropriations", soci::into(have);
    }
    if (have >= rows) {
        measuredFirstDay() = bench::storedFillFirstDay(db);
        std::printf("database already holds %lld appropriations, from %s\n", have,
                    measuredFirstDay()->toIsoDate().c_str());
        return;
    }
    if (have > 0) throw std::runtime_error("the database holds another fill; use an empty one");
    measuredFirstDay() = bench::fillFirstDay(rows, ServerClock().now());
    const auto t0 = Clock::now();
    bench::fillAppropriations(db, {rows, 6, firstDay(), kPassword});
    std::printf("filled %lld appropriations in %.1f s\n", rows,
                std::chrono::duration<double>(Clock::now() - t0).count());
}

std::string login(int port) {
    httplib::Client c("127.0.0.1", port);
    auto res = c.Post("/v1/login",
                      json{{"user", kUser}, {"password", kPassword}, {"branch", "0001"}}.dump(),
                      "application/json");
    if (!res || res->status != 200) throw std::runtime_error("login failed");
    return json::parse(res->body)["token"];
}

std::string callBody(const std::string& method, const json& args) {
    return json{{"server", "Zep00700.rdmApropriacao"}, {"method", method}, {"args", args}}.dump();
}

struct OperatorDay {
    std::string op;
    DateTime day;
};

OperatorDay randomOperatorDay(std::mt19937& rng, long long rows) {
    const int op = std::uniform_int_distribution<int>(0, kOperators - 1)(rng);
    const long long d = std::uniform_int_distribution<long long>(0, dayCount(rows) - 1)(rng);
    return {std::to_string(100000 + op), firstDay().addDays(d)};
}

json dayArgs(const OperatorDay& od) {
    return {od.op, "0001", {{"date", od.day.toIsoDate()}}};
}

/// The packet of an answer, decoded as the client decodes it.
void decodeAnswer(const std::string& body) {
    if (!platform::dataset::decodeDataPacketMember(body, "result"))
        throw std::runtime_error("the answer holds no packet");
}

/// Request bodies for random operator-days, made before any timing starts:
/// what is measured is the call, not this program's random numbers.
std::vector<std::string> dayBodies(std::mt19937& rng, long long rows, std::size_t count) {
    std::vector<std::string> bodies;
    bodies.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        bodies.push_back(callBody("getAtividades", dayArgs(randomOperatorDay(rng, rows))));
    return bodies;
}

/// The new values of an appropriation of `op` from `s` to `e`, as the screen posts them.
platform::dataset::Row newAppropriation(const std::string& op, const DateTime& s,
                                        const DateTime& e) {
    return {formatDuration(s.secondsOfDay()),
            formatDuration(e.secondsOfDay()),
            "0000000001",
            "00001",
            s,
            e,
            "0001",
            "Desenvolvimento de sistemas",
            platform::dataset::Value(),
            "Carga",
            op,
            "Tarefa de carga",
            platform::dataset::Value(),
            platform::dataset::Value(),
            platform::dataset::Value(),
            s,
            e,
            platform::dataset::Value(),
            platform::dataset::Value(),
            platform::dataset::Value()};
}

std::string saveBody(const platform::dataset::ChangePacket& p) {
    return callBody("SetAtividades", json::array({{{"delta", platform::dataset::toJson(p)}}}));
}

/// The fields of the day's answer, which a change packet of the screen carries.
const std::vector<platform::dataset::FieldDef>& dayFields() {
    static const auto fields = protocol::fieldDefs(*protocol::apropriacao::getAtividades.answer);
    return fields;
}

/// One insert of HH:00–HH:30 (14:00 unless told) on a distinct operator-day, as the screen sends
/// it.
std::string insertBody(const OperatorDay& od, int hour = 14) {
    platform::dataset::ChangePacket p;
    p.fields = dayFields();
    platform::dataset::RowChange c;
    c.op = platform::dataset::RowChange::Op::Insert;
    c.newValues = newAppropriation(od.op, od.day.addSeconds(hour * 3600),
                                   od.day.addSeconds(hour * 3600 + 1800));
    p.changes.push_back(c);
    return saveBody(p);
}

/// Inserts of `count` one-minute spans of `op` on `day`, one every two minutes from `fromMinute`.
std::string spansBody(const std::string& op, const DateTime& day, int fromMinute, int count) {
    platform::dataset::ChangePacket p;
    p.fields = dayFields();
    for (int i = 0; i < count; ++i) {
        platform::dataset::RowChange c;
        const DateTime s = day.addSeconds((fromMinute + 2 * i) * 60);
        c.newValues = newAppropriation(op, s, s.addSeconds(60));
        p.changes.push_back(c);
    }
    return saveBody(p);
}

/// A packet that deletes every row of a day's answer.
std::string deleteAllBody(const platform::dataset::DataPacket& day) {
    platform::dataset::ChangePacket p;
    p.fields = day.fields;
    for (const platform::dataset::Row& row : day.rows) {
        platform::dataset::RowChange c;
        c.op = platform::dataset::RowChange::Op::Delete;
        c.oldValues = row;
        p.changes.push_back(c);
    }
    return saveBody(p);
}

/// One-row saves of one user while `writers` others each save packets of
/// `bigRows` inserts and then delete them, over and over: how long the small
/// save waits behind the large ones for the write lock. Each writer has an
/// operator and a day of its own, in the month before today that the fill
/// leaves empty, and leaves that day as it found it.
void runWriteContention(int port, const std::string& token, const Options& o) {
    const httplib::Headers auth = {{"Authorization", "Bearer " + token}};
    const DateTime freeDay = firstDay().addDays(dayCount(o.rows));
    const auto post = [&](httplib::Client& c, const std::string& body, const char* what) {
        auto res = c.Post("/v1/call", auth, body, "application/json");
        if (!res || res->status != 200)
            throw std::runtime_error(
                std::string(what) +
                " failed: " + (res ? res->body.substr(0, 300) : httplib::to_string(res.error())));
        return res->body;
    };
    const auto dayOf = [&](httplib::Client& c, const std::string& op, const DateTime& day) {
        return *platform::dataset::decodeDataPacketMember(
            post(c, callBody("getAtividades", json{op, "0001", {{"date", day.toIsoDate()}}}),
                 "getAtividades"),
            "result");
    };
    const auto connect = [port] {
        auto c = std::make_unique<httplib::Client>("127.0.0.1", port);
        bench::likeTheDesktop(*c);
        c->set_read_timeout(60, 0);
        return c;
    };
    // One-row saves alone first: what the same save costs without contention.
    const std::string smallOp = std::to_string(100000 + kOperators - 1);
    auto small = connect();
    const auto oneRowSaves = [&](int n) {
        std::vector<double> ms;
        for (int i = 0; i < n; ++i) {
            const DateTime day = freeDay.addDays(i % 20);
            for (const bool inserting : {true, false}) {
                const std::string body = inserting
                                             ? spansBody(smallOp, day, 17 * 60 + 2 * (i / 20), 1)
                                             : deleteAllBody(dayOf(*small, smallOp, day));
                const auto t0 = Clock::now();
                post(*small, body, "one-row save");
                ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            }
        }
        std::sort(ms.begin(), ms.end());
        return std::pair{ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 99 / 100)]};
    };
    const int smallSaves = std::max(20, o.inserts / 10);
    const auto alone = oneRowSaves(smallSaves);

    std::atomic<bool> stop{false};
    std::atomic<int> bigSaves{0};
    std::vector<std::thread> writers;
    writers.reserve(static_cast<std::size_t>(std::max(0, o.writers)));
    std::mutex failureMutex;
    std::string failure;
    for (int w = 0; w < o.writers; ++w) {
        writers.emplace_back([&, w] {
            try {
                auto c = connect();
                const std::string op = std::to_string(100000 + kOperators - 2 - w);
                const DateTime day = freeDay.addDays(20 + w % 10);
                while (!stop) {
                    post(*c, spansBody(op, day, 0, o.bigRows), "large insert");
                    post(*c, deleteAllBody(dayOf(*c, op, day)), "large delete");
                    bigSaves += 2;
                }
            } catch (const std::exception& e) {
                std::lock_guard lock(failureMutex);
                failure = e.what();
                stop = true;
            }
        });
    }
    const auto started = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the large saves under way
    std::pair<double, double> contended{0, 0};
    try {
        contended = oneRowSaves(smallSaves);
    } catch (...) {
        stop = true;
        for (auto& t : writers) t.join();
        throw;
    }
    stop = true;
    for (auto& t : writers) t.join();
    if (!failure.empty()) throw std::runtime_error(failure);
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::printf("one-row SetAtividades of another user, alone: median %.2f ms  p99 %.2f ms\n",
                alone.first, alone.second);
    std::printf(
        "  while %d clients save %d-row packets: median %.2f ms  p99 %.2f ms  (%d large saves, "
        "%.1f/s)\n",
        o.writers, o.bigRows, contended.first, contended.second, bigSaves.load(),
        bigSaves.load() / seconds);
}

/// The team of the summary measurement: the fill's first 50 operators, the
/// user among them.
constexpr const char* kSummaryTeam = "EQ50";
constexpr int kSummaryTeamSize = 50;

/// Adds the summary's team, and the summary screen's permission for the
/// user, to a fill that lacks them (a database filled before keeps them).
void prepareSummaryTeam(Database& db) {
    auto lease = db.acquire();
    soci::session& sql = lease.sql();
    const std::string team = kSummaryTeam, user = kUser;
    int have = 0;
    sql << "SELECT COUNT(*) FROM teams WHERE code = :t", soci::use(team), soci::into(have);
    if (have > 0) return;
    WriteTransaction tx(lease);
    sql << "INSERT INTO teams (code, name) VALUES (:t, 'Equipe do resumo')", soci::use(team);
    for (int i = 0; i < kSummaryTeamSize; ++i) {
        const std::string op = bench::fillOperatorCode(i, 6);
        sql << "INSERT INTO team_members (team, operator) VALUES (:t, :o)", soci::use(team),
            soci::use(op);
    }
    sql << "INSERT INTO operator_screens (operator, screen) VALUES (:o, 'Zep00710')",
        soci::use(user);
    tx.commit();
}

/// The first calendar month whose every day holds the fill's rows; none when the fill is shorter.
std::optional<CalendarMonth> summaryMonth(long long rows) {
    return bench::fillFirstWholeMonth(firstDay(), rows);
}

std::string summaryBody(const CalendarMonth& month) {
    const json args = {"0001",
                       kSummaryTeam,
                       "",
                       {{"date", month.firstDay().toIsoDate()}},
                       {{"date", month.lastDay().toIsoDate()}}};
    return json{{"server", "Zep00710.rdmResumo"}, {"method", "GetResumoPeriodo"}, {"args", args}}
        .dump();
}

/// FNV-1a of the answer's bytes: two builds' answers compared by their runs' output.
std::uint64_t digest(const std::string& bytes) {
    std::uint64_t h = 14695981039346656037ULL;
    for (const char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    return h;
}

/// Changes by a second, on the database, the first closed row in `month` of
/// one of the summary's team (`sign` +1 or -1: two writes leave it as it was).
void writeToOneOfTheTeam(Database& db, const CalendarMonth& month, int sign) {
    auto lease = db.acquire();
    const std::string op = bench::fillOperatorCode(kSummaryTeamSize / 2, 6);
    const long long from = month.firstDay().dayNumber(), to = month.lastDay().dayNumber();
    long long step = sign;
    lease.sql() << "UPDATE appropriations SET end_at = end_at + :s WHERE id = (SELECT MIN(id)"
                   " FROM appropriations WHERE operator = :o AND day BETWEEN :f AND :l"
                   " AND end_at IS NOT NULL)",
        soci::use(step), soci::use(op), soci::use(from), soci::use(to);
}

/// GetResumoPeriodo end to end (the call and the decoding of its packet)
/// against a bare echo of its answer's bytes, after an untimed pass; then
/// the same call each time after a write to one operator of the team (the
/// write not timed).
void runSummary(Database& db, httplib::Client& client, const httplib::Headers& auth,
                httplib::Client& echoClient, const std::string& request, const std::string& answer,
                const CalendarMonth& month, const Options& o) {
    const auto call = [&](int) {
        auto res = client.Post("/v1/call", auth, request, "application/json");
        if (!res || res->status != 200) throw std::runtime_error("GetResumoPeriodo failed");
        decodeAnswer(res->body);
    };
    measure(std::max(1, o.summaryCalls / 10), call);
    const Stats echoed = measure(o.summaryCalls, [&](int) {
        auto res = echoClient.Post("/echo-summary", request, "application/json");
        if (!res || res->status != 200) throw std::runtime_error("echo failed");
    });
    const Stats summary = measure(o.summaryCalls, call);
    const Stats decode = measure(o.summaryCalls, [&](int) { decodeAnswer(answer); });
    std::vector<double> afterWrite;
    const int writes = (o.summaryCalls + 1) / 2 * 2;  // even: the row ends as it was
    for (int i = 0; i < writes; ++i) {
        writeToOneOfTheTeam(db, month, i % 2 == 0 ? 1 : -1);
        const auto t0 = Clock::now();
        call(i);
        afterWrite.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    std::sort(afterWrite.begin(), afterWrite.end());
    const double afterWriteP99 =
        afterWrite[std::min(afterWrite.size() - 1, afterWrite.size() * 99 / 100)];
    std::printf("\nsummary answer: team of %d, %s, %zu bytes (%zu rows), digest %016llx\n",
                kSummaryTeamSize, month.text().c_str(), answer.size(),
                json::parse(answer)["result"]["rows"].size(),
                static_cast<unsigned long long>(digest(answer)));
    std::printf(
        "1 connection      GetResumoPeriodo median %7.1f µs  p99 %7.1f µs; decoding alone "
        "%7.1f µs\n",
        summary.median, summary.p99, decode.median);
    std::printf("                  bare echo        median %7.1f µs  p99 %7.1f µs\n", echoed.median,
                echoed.p99);
    std::printf("                  ratio (median) %.2f (goal <= 3)\n",
                summary.median / echoed.median);
    std::printf(
        "1 connection      GetResumoPeriodo after a write to one of the team median %7.1f µs  "
        "p99 %7.1f µs; ratio (median) %.2f\n",
        median(afterWrite), afterWriteP99, median(afterWrite) / echoed.median);
}

/// A statement prepared once on a libpq connection, as the server's
/// statements are on each of its sessions.
class PgPrepared {
public:
    PgPrepared(PGconn* conn, const std::string& sql)
        : conn_(conn), name_("bench_" + std::to_string(++count_)) {
        PGresult* r = PQprepare(conn_, name_.c_str(), sql.c_str(), 0, nullptr);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        if (!ok) throw std::runtime_error(PQerrorMessage(conn_));
    }
    /// Runs it with text parameters; returns the rows it yielded.
    int run(const std::vector<std::string>& params) const {
        std::vector<const char*> values;
        values.reserve(params.size());
        for (const auto& p : params) values.push_back(p.c_str());
        PGresult* r = PQexecPrepared(conn_, name_.c_str(), static_cast<int>(values.size()),
                                     values.data(), nullptr, nullptr, 0);
        if (PQresultStatus(r) != PGRES_TUPLES_OK) {
            PQclear(r);
            throw std::runtime_error(PQerrorMessage(conn_));
        }
        const int rows = PQntuples(r);
        PQclear(r);
        return rows;
    }

private:
    PGconn* conn_;
    std::string name_;
    static inline int count_ = 0;
};

/// The server's day query and its punch query, as PostgreSQL runs them for
/// a day call. The day's rows are matched with the task and the activity.
const std::string kPgDaySql =
    "SELECT a.id, a.operator, a.branch, a.task, a.activity, a.start_at, a.end_at, "
    "a.stamp_start,"
    " a.stamp_end, a.description, t.description, v.process_name, v.situation FROM "
    "appropriations a"
    " JOIN tasks t ON t.branch = a.branch AND t.task = a.task"
    " JOIN activities v ON v.branch = a.branch AND v.task = a.task AND v.activity = a.activity";
const std::string kPgPunchSql =
    "SELECT company, operator, punched_at, direction, event, origin, utc_offset FROM punches"
    " WHERE operator = $1 AND day = $2 ORDER BY COALESCE(ordinal, 0), punched_at, id";

/// What a day's reads cost on PostgreSQL, in µs per call: both prepared
/// statements over libpq, one call at a time, the median. The database's
/// processor time is spent in its own process, which the benchmark's
/// processor clock does not see; with one call at a time the client waits
/// for it, so the wall time holds both sides' work (the median, so that a
/// moment of load from elsewhere does not count).
double pgDayReadsMicros(const Database& db, const Options& o) {
    PGconn* conn = PQconnectdb(db.url().target.c_str());
    if (PQstatus(conn) != CONNECTION_OK) {
        std::string message = PQerrorMessage(conn);
        PQfinish(conn);
        throw std::runtime_error(message);
    }
    try {
        const PgPrepared day(conn, kPgDaySql +
                                       " WHERE a.operator = $1 AND a.day = $2 AND a.branch = $3"
                                       " ORDER BY a.start_at, a.id");
        const PgPrepared punches(conn, kPgPunchSql);
        std::mt19937 r(1);
        std::vector<OperatorDay> days;
        days.reserve(static_cast<std::size_t>(std::max(0, o.calls)));
        for (int i = 0; i < o.calls; ++i) days.push_back(randomOperatorDay(r, o.rows));
        const auto once = [&](int i) {
            const OperatorDay& od = days[static_cast<std::size_t>(i)];
            const std::string dayNumber = std::to_string(od.day.dayNumber());
            if (day.run({od.op, dayNumber, "0001"}) > 0) punches.run({od.op, dayNumber});
        };
        measure(o.calls / 10, once);  // untimed: the connection's first plans and pages
        const Stats reads = measure(o.calls, once);
        PQfinish(conn);
        return reads.median;
    } catch (...) {
        PQfinish(conn);
        throw;
    }
}

/// The summary's reads alone, in-process on one session (no call, no
/// answer): wall and processor time per summary, so that the database's part
/// of the call can be told from the rest.
void runSummaryReads(Database& db, const CalendarMonth& month, const Options& o) {
    auto lease = db.acquire();
    const PeriodSummaryQuery query{"0001", kSummaryTeam, "", month.firstDay(), month.lastDay()};
    std::size_t days = 0;
    measure(std::max(1, o.summaryCalls / 10),
            [&](int) { days = periodSummary(lease, query).size(); });
    const double cpu0 = processCpuMicros();
    const Stats reads = measure(o.summaryCalls, [&](int) { periodSummary(lease, query); });
    const double cpu = (processCpuMicros() - cpu0) / o.summaryCalls;
    std::printf(
        "in-process        the summary's reads median %7.1f µs  p99 %7.1f µs; processor %7.1f µs "
        "(%zu days)\n",
        reads.median, reads.p99, cpu, days);
    // The same with the server's cache of day cells, every operator's found
    // there at his version: what is left is the operators with their
    // versions and the closings.
    PeriodCellCache cache;
    periodByOperator(lease, query, &cache);
    const double cachedCpu0 = processCpuMicros();
    const Stats cached =
        measure(o.summaryCalls, [&](int) { periodByOperator(lease, query, &cache); });
    std::printf(
        "in-process        the same, cached      median %7.1f µs  p99 %7.1f µs; processor %7.1f "
        "µs\n",
        cached.median, cached.p99, (processCpuMicros() - cachedCpu0) / o.summaryCalls);
}

void runPostgresComparison(Database& db, int port, const std::string& token, const Options& o) {
    PGconn* conn = PQconnectdb(db.url().target.c_str());
    if (PQstatus(conn) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn));
    struct Case {
        const char* method;
        std::function<json(const OperatorDay&)> args;
        std::string sql;
        std::function<std::vector<std::string>(const OperatorDay&)> params;
        /// A second query the method runs when the first yields rows (the day
        /// call reads the punches of a day that holds appropriations).
        std::string thenSql = {};
        std::function<std::vector<std::string>(const OperatorDay&)> thenParams = {};
    };
    // The queries of each read method, as the server runs them: the same
    // texts, prepared once on the connection as the server prepares them on
    // each of its sessions, so that the ratio says what the server adds and
    // not what planning each statement anew costs. A method may run more
    // than these (the work-team check first of all): what it adds is part of
    // what is measured.
    const std::string& daySql = kPgDaySql;
    const std::string& punchSql = kPgPunchSql;
    const std::string taskSql =
        "SELECT branch, task, description, project, baseline, process_code, process_name FROM "
        "tasks";
    const auto dayParams = [](const OperatorDay& od) {
        return std::vector<std::string>{od.op, std::to_string(od.day.dayNumber()), "0001"};
    };
    const auto punchArgs = [](const OperatorDay& od) {
        return json{od.op, {{"date", od.day.toIsoDate()}}};
    };
    const auto punchParams = [](const OperatorDay& od) {
        return std::vector<std::string>{od.op, std::to_string(od.day.dayNumber())};
    };
    // A task and an activity of the fill, picked by the operator-day.
    const auto taskOf = [](const OperatorDay& od) {
        return fmt::format("{:010}", 1 + od.day.day % 9);
    };
    const auto activityOf = [](const OperatorDay& od) {
        return fmt::format("{:05}", 1 + od.day.day % 4);
    };
    const std::vector<Case> cases = {
        {"getAtividades", dayArgs,
         daySql +
             " WHERE a.operator = $1 AND a.day = $2 AND a.branch = $3 ORDER BY a.start_at, a.id",
         dayParams, punchSql, punchParams},
        {"getTotApro", dayArgs,
         daySql +
             " WHERE a.operator = $1 AND a.day = $2 AND a.branch = $3 ORDER BY a.start_at, a.id",
         dayParams},
        {"getApropria",
         [](const OperatorDay& od) {
             return json{od.op, "0001", {{"date", od.day.toIsoDate()}}, "09:30:00", "10:30:00"};
         },
         daySql + " WHERE a.operator = $1 AND a.day = $2 AND ($3 = '' OR a.branch = $4) AND "
                  "a.start_at < $5"
                  " AND (a.end_at > $6 OR (a.end_at IS NULL AND a.start_at >= $7)) AND a.id <> $8"
                  " ORDER BY a.start_at, a.id",
         [](const OperatorDay& od) {
             const long long day = od.day.toSeconds();
             const std::string from = std::to_string(day + 9 * 3600 + 1800);
             return std::vector<std::string>{od.op,
                                             std::to_string(od.day.dayNumber()),
                                             "0001",
                                             "0001",
                                             std::to_string(day + 10 * 3600 + 1800),
                                             from,
                                             from,
                                             "0"};
         }},
        {"getPonto", punchArgs, punchSql, punchParams},
        {"GetTotPontoReal", punchArgs, punchSql, punchParams},
        {"GetDatas",
         [](const OperatorDay& od) {
             return json{od.op, "0001", std::to_string(od.day.year)};
         },
         "SELECT DISTINCT day FROM appropriations WHERE operator = $1 AND day BETWEEN $2 AND $3"
         " AND branch = $4 ORDER BY day",
         [](const OperatorDay& od) {
             return std::vector<std::string>{
                 od.op, std::to_string(DateTime::date(od.day.year, 1, 1).dayNumber()),
                 std::to_string(DateTime::date(od.day.year, 12, 31).dayNumber()), "0001"};
         }},
        {"GetCtrlAcesso",
         [](const OperatorDay&) {
             return json{"0001", kUser};
         },
         "SELECT COUNT(*) FROM operator_branches b JOIN operator_screens s ON s.operator = "
         "b.operator"
         " WHERE b.operator = $1 AND b.branch = $2 AND s.screen = $3",
         [](const OperatorDay&) {
             return std::vector<std::string>{kUser, "0001", "Zep00700"};
         }},
        {"GetOperEquip",
         [](const OperatorDay& od) {
             return json{kUser, od.op, ""};
         },
         "SELECT code, name, password_hash FROM operators WHERE code = $1",
         [](const OperatorDay& od) { return std::vector<std::string>{od.op}; }},
        {"GetPesqTarefa", [](const OperatorDay&) { return json{"0001"}; },
         taskSql + " WHERE branch = $1 ORDER BY task",
         [](const OperatorDay&) { return std::vector<std::string>{"0001"}; }},
        {"getVdTarefa",
         [&](const OperatorDay& od) {
             return json{"0001", taskOf(od)};
         },
         taskSql + " WHERE branch = $1 AND task = $2",
         [&](const OperatorDay& od) {
             return std::vector<std::string>{"0001", taskOf(od)};
         }},
        {"GetPesqAtiv",
         [&](const OperatorDay& od) {
             return json{"0001", taskOf(od), kUser};
         },
         "SELECT v.branch, v.task, v.activity, v.process_code, v.process_name, v.situation, "
         "v.work_item_code,"
         " v.work_item_name, v.responsible FROM activities v WHERE v.branch = $1 AND v.task = $2 "
         "AND ("
         " NOT EXISTS (SELECT 1 FROM activity_operators x WHERE x.branch = v.branch AND x.task = "
         "v.task"
         " AND x.activity = v.activity) OR EXISTS (SELECT 1 FROM activity_operators y WHERE "
         "y.branch = v.branch"
         " AND y.task = v.task AND y.activity = v.activity AND y.operator = $3)) ORDER BY "
         "v.activity",
         [&](const OperatorDay& od) {
             return std::vector<std::string>{"0001", taskOf(od), kUser};
         }},
        {"getVdAtiv",
         [&](const OperatorDay& od) {
             return json{"0001", taskOf(od), od.op, activityOf(od)};
         },
         "SELECT v.branch, v.task, v.activity, v.process_code, v.process_name, v.situation,"
         " v.work_item_code, v.work_item_name, v.responsible, (SELECT COUNT(*) FROM "
         "activity_operators x"
         " WHERE x.branch = v.branch AND x.task = v.task AND x.activity = v.activity), (SELECT "
         "COUNT(*)"
         " FROM activity_operators y WHERE y.branch = v.branch AND y.task = v.task AND y.activity ="
         " v.activity AND y.operator = $4) FROM activities v WHERE v.branch = $1 AND v.task = $2 "
         "AND"
         " v.activity = $3",
         [&](const OperatorDay& od) {
             return std::vector<std::string>{"0001", taskOf(od), activityOf(od), od.op};
         }},
    };
    std::printf(
        "\nPostgreSQL: each read method end to end against the same prepared queries with "
        "libpq (median µs)\n");
    httplib::Client client("127.0.0.1", port);
    bench::likeTheDesktop(client);
    const httplib::Headers auth = {{"Authorization", "Bearer " + token}};
    for (const Case& c : cases) {
        std::mt19937 rng(7);
        std::vector<std::string> bodies;
        std::vector<std::vector<std::string>> params, thenParams;
        for (int i = 0; i < o.calls / 2; ++i) {
            const OperatorDay od = randomOperatorDay(rng, o.rows);
            bodies.push_back(callBody(c.method, c.args(od)));
            params.push_back(c.params(od));
            if (c.thenParams) thenParams.push_back(c.thenParams(od));
        }
        const PgPrepared first(conn, c.sql);
        std::optional<PgPrepared> second;
        if (!c.thenSql.empty()) second.emplace(conn, c.thenSql);
        // The server's call and the direct query take turns, so that a moment
        // of load from elsewhere weighs on both alike.
        std::vector<double> serverUs, directUs;
        const auto micros = [](Clock::time_point from) {
            return std::chrono::duration<double, std::micro>(Clock::now() - from).count();
        };
        for (std::size_t i = 0; i < bodies.size(); ++i) {
            auto t0 = Clock::now();
            auto res = client.Post("/v1/call", auth, bodies[i], "application/json");
            if (!res || res->status != 200)
                throw std::runtime_error(std::string(c.method) + " failed");
            decodeAnswer(res->body);
            serverUs.push_back(micros(t0));

            t0 = Clock::now();
            if (first.run(params[i]) > 0 && second) second->run(thenParams[i]);
            directUs.push_back(micros(t0));
        }
        const Stats server{median(serverUs)}, direct{median(directUs)};
        std::printf("  %-16s server %8.1f   libpq %8.1f   ratio %.2f (goal <= 2)\n", c.method,
                    server.median, direct.median, server.median / direct.median);
    }
    PQfinish(conn);
}

}  // namespace

// What the benchmark does not handle itself ends it with its message (and
// status 1), not through std::terminate.
int main(int argc, char** argv) try {
    Options o;
    CLI::App app{"Benchmark of the application server"};
    app.add_option("--rows", o.rows, "Appropriations to fill")->capture_default_str();
    app.add_option("--db", o.db,
                   "sqlite:PATH or postgresql://… (default: a temporary SQLite file)");
    app.add_option("--sync", o.sync, "SQLite durability: normal or full")
        ->check(CLI::IsMember({"normal", "full"}))
        ->capture_default_str();
    app.add_option("--calls", o.calls, "Calls per measurement")->capture_default_str();
    app.add_option("--inserts", o.inserts, "SetAtividades inserts to measure")
        ->capture_default_str();
    app.add_option("--rounds", o.rounds,
                   "Rounds of each throughput measurement (the median counts)")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    app.add_option("--writers", o.writers,
                   "Clients saving large packets while one-row saves are timed")
        ->capture_default_str();
    app.add_option("--big-rows", o.bigRows, "Inserts in each large packet")->capture_default_str();
    app.add_option("--threads", o.threads, "The server's threads (as serve --threads)")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    app.add_option("--summary-calls", o.summaryCalls, "GetResumoPeriodo calls to measure")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    app.add_option(
           "--skip", o.skip,
           "Measurements to leave out: latency, throughput, inserts, contention, libpq, summary")
        ->check(
            CLI::IsMember({"latency", "throughput", "inserts", "contention", "libpq", "summary"}));
    CLI11_PARSE(app, argc, argv);
    spdlog::set_level(spdlog::level::warn);

    std::string tempDir;
    if (o.db.empty()) {
        tempDir = (std::filesystem::temp_directory_path() /
                   ("server-bench-" + std::to_string(::getpid())))
                      .string();
        std::filesystem::create_directories(tempDir);
        o.db = "sqlite:" + tempDir + "/bench.db";
    }
    try {
        DatabaseOptions dbOptions;
        dbOptions.poolSize = o.threads + 2;  // as serve sizes it
        dbOptions.sync = o.sync == "full" ? SyncMode::Full : SyncMode::Normal;
        Database db(DatabaseUrl::parse(o.db), dbOptions);
        migrate(db);
        std::printf("database %s, sync %s\n", db.url().redacted().c_str(), o.sync.c_str());
        fill(db, o.rows);
        prepareSummaryTeam(db);
        // On SQLite a fresh fill leaves its rows in the write-ahead log until
        // the pool's checkpointer has copied them and emptied it; measured is
        // the server after that, as it runs between imports.
        if (auto before = db.checkpointStats()) {
            const auto t0 = Clock::now();
            while (db.checkpointStats()->truncations == before->truncations &&
                   db.checkpointStats()->walFrames > 0 &&
                   Clock::now() - t0 < std::chrono::seconds(120))
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::printf("write-ahead log copied and emptied in %.1f s\n",
                        std::chrono::duration<double>(Clock::now() - t0).count());
        }

        ServerClock clock;
        ServerSettings settings;
        settings.port = 0;
        settings.threads = o.threads;
        settings.hashCost = HashCost::minimum();
        AppServer server(db, clock, settings);
        const int port = server.bind();
        std::thread serving = bench::serveInBackground(server);
        const std::string token = login(port);
        const httplib::Headers auth = {{"Authorization", "Bearer " + token}};

        // One day's answer, to size the echo.
        std::mt19937 rng(1);
        httplib::Client client("127.0.0.1", port);
        bench::likeTheDesktop(client);
        const std::string sampleRequest =
            callBody("getAtividades", dayArgs(randomOperatorDay(rng, o.rows)));
        auto sample = client.Post("/v1/call", auth, sampleRequest, "application/json");
        if (!sample || sample->status != 200) throw std::runtime_error("getAtividades failed");
        const std::string answer = sample->body;

        // The summary's answer, for an echo of its bytes.
        const std::optional<CalendarMonth> month = summaryMonth(o.rows);
        std::string summaryRequest, summaryAnswer;
        if (o.runs("summary") && !month)
            std::printf("no whole month in %lld rows: no summary measured\n", o.rows);
        if (o.runs("summary") && month) {
            summaryRequest = summaryBody(*month);
            auto res = client.Post("/v1/call", auth, summaryRequest, "application/json");
            if (!res || res->status != 200)
                throw std::runtime_error("GetResumoPeriodo failed: " +
                                         (res ? res->body : httplib::to_string(res.error())));
            summaryAnswer = res->body;
        }

        // The bare echo: the same transport, the same settings, the same bytes.
        http::ServerOptions echoOptions;
        echoOptions.threads = settings.threads;
        http::Server echo(echoOptions);
        echo.route("POST", "/echo", limits::kMaxBodyBytes,
                   [&](const http::Request&, http::Response& res) {
                       res.set_content(answer, "application/json");
                   });
        echo.route("POST", "/echo-summary", limits::kMaxBodyBytes,
                   [&](const http::Request&, http::Response& res) {
                       res.set_content(summaryAnswer, "application/json");
                   });
        const int echoPort = echo.bind("127.0.0.1", 0);
        std::thread echoing = bench::serveInBackground(echo);
        httplib::Client echoClient("127.0.0.1", echoPort);
        bench::likeTheDesktop(echoClient);

        std::printf("\nday answer: %zu bytes (%zu rows)\n", answer.size(),
                    json::parse(answer)["result"]["rows"].size());
        const std::vector<std::string> days = dayBodies(rng, o.rows, 8192);
        auto dayCall = [&](httplib::Client& c, int i) {
            auto res = c.Post("/v1/call", auth, days[static_cast<std::size_t>(i) % days.size()],
                              "application/json");
            if (!res || res->status != 200) throw std::runtime_error("getAtividades failed");
            decodeAnswer(res->body);
        };
        // One untimed pass over the calls measured below: what is measured is a
        // server that has run a while, its pages mapped and in the page cache,
        // not the first touch of each page of a large file.
        for (int i = 0; i < o.calls; ++i) {
            dayCall(client, i);
            dayCall(client, o.calls + i);
        }
        std::printf("(after one untimed pass over the measured calls)\n");

        Stats day1;
        if (o.runs("latency")) {
            const Stats echo1 = measure(o.calls, [&](int) {
                auto res = echoClient.Post("/echo", sampleRequest, "application/json");
                if (!res || res->status != 200) throw std::runtime_error("echo failed");
            });
            day1 = measure(o.calls, [&](int i) { dayCall(client, i); });
            const Stats raw1 = measure(o.calls, [&](int i) {
                auto res = client.Post("/v1/call", auth,
                                       days[static_cast<std::size_t>(o.calls + i) % days.size()],
                                       "application/json");
                if (!res || res->status != 200) throw std::runtime_error("getAtividades failed");
            });
            const std::string clockBody = callBody("getHoraServidor", json::array());
            const Stats tiny = measure(o.calls, [&](int) {
                auto res = client.Post("/v1/call", auth, clockBody, "application/json");
                if (!res || res->status != 200) throw std::runtime_error("getHoraServidor failed");
            });
            std::printf("1 connection      getHoraServidor (the smallest call) median %7.1f µs\n",
                        tiny.median);
            const Stats decode = measure(o.calls, [&](int) { decodeAnswer(answer); });
            std::printf(
                "1 connection      getAtividades without decoding median %7.1f µs; decoding alone "
                "%7.1f µs\n",
                raw1.median, decode.median);
            std::printf(
                "1 connection      getAtividades median %7.1f µs  p99 %7.1f µs  %8.0f calls/s\n",
                day1.median, day1.p99, day1.perSecond);
            std::printf(
                "                  bare echo     median %7.1f µs  p99 %7.1f µs  %8.0f calls/s\n",
                echo1.median, echo1.p99, echo1.perSecond);
            std::printf("                  ratio (median) %.2f (goal <= 1.5)\n",
                        day1.median / echo1.median);
        }

        if (!summaryAnswer.empty()) {
            runSummary(db, client, auth, echoClient, summaryRequest, summaryAnswer, *month, o);
            runSummaryReads(db, *month, o);
        }

        // The day's reads in-process, as a day call makes them: both queries
        // in one read transaction on one session. Their mean is their cost.
        // On PostgreSQL the same prepared statements over libpq, timed on the
        // wall (pgDayReadsMicros says why).
        double readsCost = 0;
        if (db.kind() == DatabaseKind::Postgres) {
            readsCost = pgDayReadsMicros(db, o);
            std::printf("day's reads over libpq, prepared: %.1f µs a call\n", readsCost);
        } else {
            auto lease = db.acquire();
            std::mt19937 r(1);
            const double cpu0 = processCpuMicros();
            measure(o.calls, [&](int) {
                const auto od = randomOperatorDay(r, o.rows);
                std::optional<ReadTransaction> snapshot;
                if (lease.kind() == DatabaseKind::Sqlite) snapshot.emplace(lease);
                appropriationsOfDay(lease, od.op, "0001", od.day);
                punchesOfDay(lease, od.op, od.day);
            });
            readsCost = (processCpuMicros() - cpu0) / o.calls;
        }

        // Throughput runs last a fraction of a second, so a moment of load
        // from elsewhere can halve one of them: the day calls and the echo
        // take turns for several rounds and the median of the rounds counts.
        const auto echoCall = [&](httplib::Client& c, int) {
            auto res = c.Post("/echo", sampleRequest, "application/json");
            if (!res || res->status != 200) throw std::runtime_error("echo failed");
        };
        for (int connections : {8, 16}) {
            if (!o.runs("throughput")) break;
            const int per = std::max(50, o.calls / connections);
            std::vector<double> dayRates, echoRates, ratios, dayP99, echoCosts, boundRatios,
                dayCosts, busyShares;
            for (int round = 0; round < o.rounds; ++round) {
                const Load day = throughput(connections, per, dayCall, port);
                const Load echoed = throughput(connections, per, echoCall, echoPort);
                dayRates.push_back(day.perSecond);
                echoRates.push_back(echoed.perSecond);
                ratios.push_back(day.perSecond / echoed.perSecond);
                dayP99.push_back(day.p99);
                echoCosts.push_back(echoed.cpuPerRequest);
                dayCosts.push_back(day.cpuPerRequest);
                const double cores = std::thread::hardware_concurrency();
                // The share of the cores this process had while the day calls ran:
                // below 1 when something else on the machine took the rest.
                busyShares.push_back(day.perSecond * day.cpuPerRequest / (cores * 1e6));
                boundRatios.push_back(day.perSecond /
                                      (cores * 1e6 / (echoed.cpuPerRequest + readsCost)));
            }
            std::printf(
                "%2d connections    getAtividades %8.0f calls/s (p99 %.0f µs), bare echo %8.0f "
                "calls/s, ratio %.2f\n",
                connections, median(dayRates), median(dayP99), median(echoRates), median(ratios));
            std::printf("                  ratio of each round:");
            for (double r : ratios) std::printf(" %.2f", r);
            std::printf("\n");
            if (connections == 16) {
                // The bound: the cores spent on nothing but echo requests and the day's reads.
                const double cores = std::thread::hardware_concurrency();
                const double echoCost = median(echoCosts);
                std::printf(
                    "16 connections    bound %u cores / (echo %.1f µs + day's reads in-process "
                    "%.1f µs) = %.0f calls/s;"
                    " day calls / bound %.2f (goal >= 0.6), p99 %.0f µs (goal <= 10000)\n",
                    std::thread::hardware_concurrency(), echoCost, readsCost,
                    cores * 1e6 / (echoCost + readsCost), median(boundRatios), median(dayP99));
                std::printf("                  day calls / bound in each round:");
                for (double r : boundRatios) std::printf(" %.2f", r);
                std::printf("\n");
                // The same comparison in processor time, which load from elsewhere
                // on the machine does not change: a day call's whole cost against
                // the echo's plus the reads'.
                const double dayCost = median(dayCosts);
                std::printf(
                    "                  a day call costs %.1f µs of processor time (clients "
                    "included): (echo + reads) / day call %.2f (goal >= 0.6); this process had "
                    "%.0f%% of the "
                    "cores\n",
                    dayCost, (echoCost + readsCost) / dayCost, 100 * median(busyShares));
            }
        }

        // A save-heavy mix at 16 connections: one SetAtividades insert (on an
        // operator-day of its own, at 18:00) for every ten day calls.
        if (o.runs("throughput") && o.runs("inserts")) {
            const int per = std::max(55, o.calls / 16);
            const int saves = 16 * (per / 11 + 1) * o.rounds;
            std::vector<std::string> mixInserts;
            for (int i = 0; i < saves; ++i) {
                const long long d = (i / kOperators) % dayCount(o.rows);
                mixInserts.push_back(insertBody(
                    {std::to_string(100000 + i % kOperators), firstDay().addDays(d)}, 18));
            }
            std::atomic<std::size_t> nextInsert{0};
            std::vector<double> p99s, rates;
            const Database::CommitStats before = db.commitStats();
            for (int round = 0; round < o.rounds; ++round) {
                const Load mix = throughput(
                    16, per,
                    [&](httplib::Client& c, int i) {
                        if (i % 11 != 10) return dayCall(c, i);
                        auto res =
                            c.Post("/v1/call", auth, mixInserts[nextInsert++ % mixInserts.size()],
                                   "application/json");
                        if (!res || res->status != 200)
                            throw std::runtime_error("SetAtividades failed");
                    },
                    port);
                p99s.push_back(mix.p99);
                rates.push_back(mix.perSecond);
            }
            const Database::CommitStats after = db.commitStats();
            std::printf(
                "16 connections    one SetAtividades per ten day calls: %8.0f calls/s, p99 %.0f "
                "µs (goal <= 30000)",
                median(rates), median(p99s));
            if (after.commits > before.commits)
                std::printf("; %.2f writers per commit",
                            static_cast<double>(after.writers - before.writers) /
                                static_cast<double>(after.commits - before.commits));
            std::printf("\n");
        }

        // The same day query in-process, straight on the database.
        {
            auto lease = db.acquire();
            std::mt19937 r(1);
            const Stats direct = measure(o.calls, [&](int) {
                const auto od = randomOperatorDay(r, o.rows);
                appropriationsOfDay(lease, od.op, "0001", od.day);
            });
            std::printf("in-process day query median %7.1f µs", direct.median);
            if (day1.median > 0)
                std::printf("; end to end / in-process %.2f", day1.median / direct.median);
            std::printf("\n");
        }

        if (o.runs("inserts")) {
            // Inserts: distinct operator-days, so that none clashes with another.
            std::vector<OperatorDay> targets;
            for (int i = 0; i < o.inserts * 2; ++i) {
                const long long d = (i / kOperators) % dayCount(o.rows);
                targets.push_back({std::to_string(100000 + i % kOperators), firstDay().addDays(d)});
            }
            std::vector<std::string> insertBodies;
            insertBodies.reserve(static_cast<std::size_t>(std::max(0, o.inserts)));
            for (int i = 0; i < o.inserts; ++i)
                insertBodies.push_back(insertBody(targets[static_cast<std::size_t>(i)]));
            const Stats inserts = measure(o.inserts, [&](int i) {
                auto res = client.Post("/v1/call", auth, insertBodies[static_cast<std::size_t>(i)],
                                       "application/json");
                if (!res || res->status != 200)
                    throw std::runtime_error("SetAtividades failed: " +
                                             (res ? res->body : std::string()));
            });
            // The raw check-and-insert transaction, in-process. First as one
            // writes it straight on the database: on SQLite a connection of its
            // own with SQLite's defaults (WAL, the chosen sync, SQLite's own
            // checkpoints inside the commits), each statement prepared for its
            // transaction. Then on the server's own session with every statement
            // prepared once, the best this database allows.
            const auto record = [&](std::size_t i, int hour) {
                const OperatorDay& od = targets[static_cast<std::size_t>(o.inserts) + i];
                AppropriationRecord rec;
                rec.operatorCode = od.op;
                rec.branch = "0001";
                rec.task = "0000000001";
                rec.activity = "00001";
                rec.start = od.day.addSeconds(hour * 3600);
                rec.end = rec.start.addSeconds(1800);
                rec.stampStart = rec.start;
                rec.stampEnd = rec.end;
                return rec;
            };
            Stats raw;
            if (db.kind() == DatabaseKind::Sqlite) {
                soci::session plain(*soci::factory_sqlite3(),
                                    "db=" + db.url().target + " timeout=10");
                plain << "PRAGMA journal_mode = WAL";
                plain << (o.sync == "full" ? "PRAGMA synchronous = FULL"
                                           : "PRAGMA synchronous = NORMAL");
                plain << "PRAGMA foreign_keys = ON";
                raw = measure(o.inserts, [&](int i) {
                    const AppropriationRecord rec = record(static_cast<std::size_t>(i), 15);
                    const long long day = rec.start.dayNumber(), from = rec.start.toSeconds(),
                                    to = rec.end->toSeconds();
                    int clashes = 0;
                    plain << "BEGIN IMMEDIATE";
                    plain << "SELECT COUNT(*) FROM appropriations WHERE operator = :o AND day = :d"
                             " AND start_at < :e AND (end_at > :s1 OR (end_at IS NULL AND start_at "
                             ">= :s2))",
                        soci::into(clashes), soci::use(rec.operatorCode), soci::use(day),
                        soci::use(to), soci::use(from), soci::use(from);
                    if (clashes > 0) throw std::runtime_error("unexpected clash");
                    insertAppropriation(plain, rec);
                    plain << "COMMIT";
                });
            } else {
                auto lease = db.acquire();
                raw = measure(o.inserts, [&](int i) {
                    const AppropriationRecord rec = record(static_cast<std::size_t>(i), 15);
                    WriteTransaction tx(lease);
                    tx.lockName(rec.operatorCode);
                    if (!clashingAppropriations(lease, rec.operatorCode, "", rec.start, *rec.end, 0)
                             .empty())
                        throw std::runtime_error("unexpected clash");
                    insertAppropriation(lease.sql(), rec);
                    tx.commit();
                });
            }
            Stats rawPrepared;
            {
                auto lease = db.acquire();
                rawPrepared = measure(o.inserts, [&](int i) {
                    const AppropriationRecord rec = record(static_cast<std::size_t>(i), 16);
                    WriteTransaction tx(lease);
                    tx.lockName(rec.operatorCode);
                    if (!clashingAppropriations(lease, rec.operatorCode, "", rec.start, *rec.end, 0)
                             .empty())
                        throw std::runtime_error("unexpected clash");
                    insertAppropriation(lease, rec);
                    tx.commit();
                });
            }
            std::printf(
                "SetAtividades insert %7.0f /s (median %.1f µs); raw check-and-insert %7.0f /s "
                "(median %.1f µs);"
                " ratio %.2f (goal >= 0.4)\n",
                inserts.perSecond, inserts.median, raw.perSecond, raw.median,
                inserts.perSecond / raw.perSecond);
            std::printf(
                "                     raw check-and-insert on the server's session, statements "
                "prepared once"
                " %7.0f /s (median %.1f µs); ratio %.2f\n",
                rawPrepared.perSecond, rawPrepared.median,
                inserts.perSecond / rawPrepared.perSecond);
            // The rates include the pauses of the log copies wherever they fall;
            // the medians do not.
            std::printf(
                "                     by medians: %.2f against the first raw, %.2f against the "
                "prepared one\n",
                raw.median / inserts.median, rawPrepared.median / inserts.median);
        }

        if (o.runs("contention")) runWriteContention(port, token, o);

        if (db.kind() == DatabaseKind::Postgres && o.runs("libpq"))
            runPostgresComparison(db, port, token, o);

        echo.stop();
        echoing.join();
        server.stop();
        serving.join();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "server_bench: %s\n", e.what());
        if (!tempDir.empty()) std::filesystem::remove_all(tempDir);
        return 1;
    }
    if (!tempDir.empty()) std::filesystem::remove_all(tempDir);
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "server_bench: %s\n", e.what());
    return 1;
}

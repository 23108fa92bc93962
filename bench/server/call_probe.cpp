// A profiling aid, not a benchmark: serves one kind of request N times over
// one keep-alive loopback connection from an already filled database (a
// server_bench fill), so that callgrind, strace -c or perf see that kind
// alone. Kinds: the bare echo of a day's answer, getHoraServidor (the
// smallest call), getAtividades on random operator-days, the day's two
// reads in-process, and server_bench's GetResumoPeriodo (its team of 50
// over the fill's first whole month: `summary` the same call again,
// `summary-write` each call after a write to one of the team). The
// handler alone: --toggle-collect='*getResumoPeriodo*'. What one request
// costs, the server's and the client's work together, is the difference
// between two runs of different --calls divided by the difference in
// calls: the start and the warm-up cancel out.
//
//   valgrind --tool=callgrind call_probe --db FILE --kind day --calls 100
//   valgrind --tool=callgrind call_probe --db FILE --kind day --calls 400
#include <httplib.h>
#include <spdlog/spdlog.h>
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <optional>
#include <random>
#include <thread>

#include "appropriation_fill.h"
#include "appserver/api/app_server.h"
#include "appserver/http/server.h"
#include "appserver/storage/migrations.h"
#include "appserver/stores/appropriation_store.h"
#include "appserver/stores/month_closing.h"
#include "loopback.h"

using namespace appserver;
using nlohmann::json;
using platform::dataset::DateTime;

namespace {

std::string callBody(const std::string& method, const json& args) {
    return json{{"server", "Zep00700.rdmApropriacao"}, {"method", method}, {"args", args}}.dump();
}

struct OperatorDay {
    std::string op;
    DateTime day;
};

std::vector<OperatorDay> operatorDays(const DateTime& first, long long rows, int count) {
    const long long days = bench::fillDayCount(rows);
    std::mt19937 rng(1);
    std::vector<OperatorDay> out;
    out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int op = std::uniform_int_distribution<int>(0, bench::kFillOperators - 1)(rng);
        const long long d = std::uniform_int_distribution<long long>(0, days - 1)(rng);
        out.push_back({std::to_string(100000 + op), first.addDays(d)});
    }
    return out;
}

/// server_bench's summary call: its team over the fill's first whole month.
CalendarMonth summaryMonth(const DateTime& first, long long rows) {
    const std::optional<CalendarMonth> month = bench::fillFirstWholeMonth(first, rows);
    if (!month) throw std::runtime_error("no whole month in the fill");
    return *month;
}

std::string summaryBody(const CalendarMonth& month) {
    const json args = {"0001",
                       "EQ50",
                       "",
                       {{"date", month.firstDay().toIsoDate()}},
                       {{"date", month.lastDay().toIsoDate()}}};
    return json{{"server", "Zep00710.rdmResumo"}, {"method", "GetResumoPeriodo"}, {"args", args}}
        .dump();
}

/// The measured loop, a function of its own so that a profile can name it.
[[gnu::noinline]] void run(const std::function<void(int)>& once, int from, int count) {
    for (int i = from; i < from + count; ++i) once(i);
}

}  // namespace

int main(int argc, char** argv) try {
    std::string path, kind = "day";
    long long rows = 1000000;
    int calls = 300, warm = 300;
    std::size_t threads = ServerSettings{}.threads;
    CLI::App app{"Serves one kind of request N times, for a profiler"};
    app.add_option("--db", path, "A filled SQLite file (migrated here when older)")
        ->required()
        ->check(CLI::ExistingFile);  // opening a missing file would create an empty one
    app.add_option("--kind", kind, "echo, hora, day, reads, summary or summary-write")
        ->check(CLI::IsMember({"echo", "hora", "day", "reads", "summary", "summary-write"}));
    app.add_option("--rows", rows, "Rows of the fill")->capture_default_str();
    app.add_option("--calls", calls, "Measured calls")->capture_default_str();
    app.add_option("--warm", warm, "Calls before the measured ones")->capture_default_str();
    app.add_option("--threads", threads, "The server's threads")->capture_default_str();
    CLI11_PARSE(app, argc, argv);
    spdlog::set_level(spdlog::level::warn);

    DatabaseOptions dbOptions;
    dbOptions.poolSize = threads + 2;
    dbOptions.sync = SyncMode::Full;
    Database db(DatabaseUrl::parse("sqlite:" + path), dbOptions);
    migrate(db);  // a fill of an older schema, as the server would
    const std::optional<DateTime> fillStart = bench::storedFillFirstDay(db);
    if (!fillStart)
        throw std::runtime_error(
            path + " holds no appropriations: fill it first with server_bench --db sqlite:" + path);
    ServerClock clock;
    ServerSettings settings;
    settings.port = 0;
    settings.threads = threads;
    settings.hashCost = HashCost::minimum();
    AppServer server(db, clock, settings);
    const int port = server.bind();
    std::thread serving = bench::serveInBackground(server);

    httplib::Client client("127.0.0.1", port);
    bench::likeTheDesktop(client);
    auto logged = client.Post(
        "/v1/login", json{{"user", "100000"}, {"password", "bench"}, {"branch", "0001"}}.dump(),
        "application/json");
    if (!logged || logged->status != 200) throw std::runtime_error("login failed");
    const httplib::Headers auth = {
        {"Authorization", "Bearer " + json::parse(logged->body)["token"].get<std::string>()}};

    // As many bodies however many calls, made before any of them: two runs of
    // different lengths then differ by their calls alone.
    const std::vector<OperatorDay> days = operatorDays(*fillStart, rows, 8192);
    std::vector<std::string> bodies;
    bodies.reserve(days.size());
    for (const OperatorDay& od : days)
        bodies.push_back(
            callBody("getAtividades", {od.op, "0001", {{"date", od.day.toIsoDate()}}}));
    auto sample = client.Post("/v1/call", auth, bodies.front(), "application/json");
    if (!sample || sample->status != 200) throw std::runtime_error("getAtividades failed");
    const std::string answer = sample->body;

    http::ServerOptions echoOptions;
    echoOptions.threads = threads;
    http::Server echo(echoOptions);
    echo.route("POST", "/echo", limits::kMaxBodyBytes,
               [&](const http::Request&, http::Response& res) {
                   res.set_content(answer, "application/json");
               });
    const int echoPort = echo.bind("127.0.0.1", 0);
    std::thread echoing = bench::serveInBackground(echo);
    httplib::Client echoClient("127.0.0.1", echoPort);
    bench::likeTheDesktop(echoClient);

    const std::string clockBody = callBody("getHoraServidor", json::array());
    const auto expectOk = [](const httplib::Result& res, const char* what) {
        if (!res || res->status != 200) throw std::runtime_error(std::string(what) + " failed");
    };
    auto lease = db.acquire();
    std::function<void(int)> once;
    const auto body = [&](int i) -> const std::string& {
        return bodies[static_cast<std::size_t>(i) % bodies.size()];
    };
    if (kind == "echo")
        once = [&](int i) {
            expectOk(echoClient.Post("/echo", body(i), "application/json"), "echo");
        };
    else if (kind == "hora")
        once = [&](int) {
            expectOk(client.Post("/v1/call", auth, clockBody, "application/json"),
                     "getHoraServidor");
        };
    else if (kind == "day")
        once = [&](int i) {
            expectOk(client.Post("/v1/call", auth, body(i), "application/json"), "getAtividades");
        };
    else if (kind == "summary" || kind == "summary-write") {
        const CalendarMonth month = summaryMonth(*fillStart, rows);
        const std::string request = summaryBody(month);
        const std::string op = bench::fillOperatorCode(25, 6);
        const long long from = month.firstDay().dayNumber(), to = month.lastDay().dayNumber();
        const bool write = kind == "summary-write";
        auto first = client.Post("/v1/call", auth, request, "application/json");
        expectOk(first, "GetResumoPeriodo");
        // FNV-1a, as server_bench prints it: the answer's bytes compared across builds.
        std::uint64_t digest = 14695981039346656037ULL;
        for (const char c : first->body)
            digest = (digest ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
        std::printf("summary answer: %zu bytes, digest %016llx\n", first->body.size(),
                    static_cast<unsigned long long>(digest));
        once = [&, request, op, from, to, write](int i) {
            if (write) {
                // A second more or less to one row: two calls leave it as it was.
                long long step = i % 2 == 0 ? 1 : -1;
                lease.sql() << "UPDATE appropriations SET end_at = end_at + :s WHERE id ="
                               " (SELECT MIN(id) FROM appropriations WHERE operator = :o"
                               " AND day BETWEEN :f AND :l AND end_at IS NOT NULL)",
                    soci::use(step), soci::use(op), soci::use(from), soci::use(to);
            }
            expectOk(client.Post("/v1/call", auth, request, "application/json"),
                     "GetResumoPeriodo");
        };
    } else
        once = [&](int i) {
            const OperatorDay& od = days[static_cast<std::size_t>(i) % days.size()];
            ReadTransaction snapshot(lease);
            appropriationsOfDay(lease, od.op, "0001", od.day);
            punchesOfDay(lease, od.op, od.day);
        };
    run(once, 0, warm);
    const auto t0 = std::chrono::steady_clock::now();
    run(once, warm, calls);
    const auto t1 = std::chrono::steady_clock::now();
    std::printf("%s: %d calls, %.1f µs a call\n", kind.c_str(), calls,
                std::chrono::duration<double, std::micro>(t1 - t0).count() / calls);
    echo.stop();
    echoing.join();
    server.stop();
    serving.join();
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "call_probe: %s\n", e.what());
    return 1;
}

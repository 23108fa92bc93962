// Faults: the server killed during a stream of saves, the database restarted
// under a running server, a full disk, and a write lock held elsewhere.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <atomic>
#include <csignal>
#include <set>
#include <thread>

#include "lock_holder.h"
#include "reliability_support.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

constexpr const char* kAna = "000000000101";
constexpr const char* kDay = "2026-12-07";

/// The i-th of the short spans that the save streams use: 10 minutes every
/// quarter of an hour, day after day through November 2026 (no row there).
json streamRow(int i, const std::string& description = "Gravação em série") {
    const int day = 1 + i / 96, minute = (i % 96) * 15;
    const auto hhmm = [](int m) { return fmt::format("{:02}:{:02}:00", m / 60, m % 60); };
    json row = newRow(fmt::format("2026-11-{:02}", day), hhmm(minute), hhmm(minute + 10));
    row["TXAPRATIVTAR"] = description;
    return row;
}

/// The start of every appropriation stored for Ana in November 2026.
std::set<long long> storedStarts(const std::string& url) {
    DatabaseOptions one;
    one.poolSize = 1;
    Database db(DatabaseUrl::parse(url), one);
    auto lease = db.acquire();
    std::set<long long> out;
    long long start = 0;
    const std::string op = kAna;  // bound by reference: it must outlive the statement
    soci::statement st =
        (lease.sql().prepare << "SELECT start_at FROM appropriations WHERE operator = :o",
         soci::into(start), soci::use(op));
    st.execute();
    while (st.fetch()) out.insert(start);
    return out;
}

long long startSeconds(const json& row) {
    return platform::dataset::DateTime::parseIso(row["DTIAPATIVTAR"].get<std::string>())
        ->toSeconds();
}

/// Saves spans one after another until the server stops answering; the
/// starts of those acknowledged.
class SaveStream {
public:
    SaveStream(const ServerProcess& server, std::string token)
        : server_(server), token_(std::move(token)) {
        thread_ = std::thread([this] { run(); });
    }
    ~SaveStream() { join(); }

    void waitForAcknowledged(std::size_t n) const {
        for (int i = 0; i < 2000 && acknowledged_.load() < n && !ended_; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    /// Waits for the stream to end; the starts of the acknowledged saves.
    const std::vector<long long>& join() {
        if (thread_.joinable()) thread_.join();
        return starts_;
    }

private:
    void run() {
        auto client = server_.client();
        const httplib::Headers auth = {{"Authorization", "Bearer " + token_}};
        const json fields = dayFields(*client, auth);
        for (int i = 0; i < 2000 && !fields.is_null(); ++i) {
            const json row = streamRow(i);
            DeltaBuilder d(json{{"fields", fields}});
            d.insert(row);
            auto res =
                client->Post("/v1/call", auth, callBody("SetAtividades", json::array({d.arg()})),
                             "application/json");
            if (!res) break;  // the server is gone
            if (res->status != 200) {
                ADD_FAILURE() << "save " << i << " answered " << res->status << ": " << res->body;
                break;
            }
            starts_.push_back(startSeconds(row));
            ++acknowledged_;
        }
        ended_ = true;
    }
    /// The fields of the day's answer (every day has the same); null when the call fails.
    static json dayFields(httplib::Client& c, const httplib::Headers& auth) {
        auto res =
            c.Post("/v1/call", auth, callBody("getAtividades", {kAna, "0001", date("2026-11-01")}),
                   "application/json");
        if (res && res->status == 200) return json::parse(res->body)["result"]["fields"];
        ADD_FAILURE() << "getAtividades failed";
        return nullptr;
    }

    const ServerProcess& server_;
    std::string token_;
    std::vector<long long> starts_;
    std::atomic<std::size_t> acknowledged_{0};
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

void killDuringSaves(const char* sync) {
    TestDatabase t;
    if (t.isPostgres()) GTEST_SKIP() << "the synchronous modes are SQLite's";
    std::vector<long long> acknowledged;
    {
        ServerProcess server(t.url(), {"--sync", sync});
        SaveStream stream(server, server.login(kAna));
        stream.waitForAcknowledged(40);
        const int status = server.kill(SIGKILL);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        acknowledged = stream.join();
    }
    ASSERT_GE(acknowledged.size(), 40u);
    ASSERT_LT(acknowledged.size(), 2000u) << "the stream ended before the kill";

    DatabaseOptions one;
    one.poolSize = 1;
    {
        Database db(DatabaseUrl::parse(t.url()), one);
        std::string check;
        db.acquire().sql() << "PRAGMA integrity_check", soci::into(check);
        EXPECT_EQ(check, "ok");
    }
    const std::set<long long> stored = storedStarts(t.url());
    for (long long s : acknowledged)
        EXPECT_TRUE(stored.count(s)) << "acknowledged save at " << s << " was lost";
}

TEST(Faults, every_acknowledged_save_survives_a_kill_of_the_server_with_sync_full) {
    killDuringSaves("full");
}

TEST(Faults, every_acknowledged_save_survives_a_kill_of_the_server_with_sync_normal) {
    killDuringSaves("normal");
}

TEST(Faults, a_database_restart_answers_503_while_down_and_the_service_comes_back_by_itself) {
    if (!pgTmpAvailable()) GTEST_SKIP() << "needs a cluster of scripts/pg-tmp (the PostgreSQL run)";
    TestServer server;
    const std::string token = server.login(kAna);
    const json dayArgs = {kAna, "0001", date(kDay)};
    ASSERT_EQ(server.call(token, "getAtividades", dayArgs).status, 200);

    pgTmp("halt");
    for (int i = 0; i < 3; ++i) {
        auto res = server.postRaw("/v1/call", callBody("getAtividades", dayArgs), token);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 503) << res->body;
        EXPECT_EQ(res->get_header_value("Retry-After"), "1");
        EXPECT_EQ(json::parse(res->body)["error"]["code"], "unavailable");
    }
    EXPECT_EQ(server.get("/v1/health").status, 503);
    EXPECT_EQ(server
                  .post("/v1/login",
                        json{{"user", kAna}, {"password", "senha101"}, {"branch", "0001"}}.dump())
                  .status,
              503);

    pgTmp("resume");
    int status = 0;
    for (int i = 0; i < 100 && status != 200; ++i) {
        status = server.call(token, "getAtividades", dayArgs).status;
        if (status != 200) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(status, 200);
    EXPECT_EQ(server.get("/v1/health").status, 200);
    // Every session of the pool works again, the writing ones too.
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(server.call(token, "getAtividades", dayArgs).status, 200);
    DeltaBuilder d(server.result(token, "getAtividades", dayArgs));
    d.insert(newRow(kDay, "10:30:00", "11:00:00"));
    EXPECT_EQ(server.call(token, "SetAtividades", json::array({d.arg()})).status, 200);
    EXPECT_FALSE(server.login("000000000103").empty());
}

TEST(Faults, a_full_disk_answers_503_logs_one_line_without_values_and_stores_nothing) {
    TestServer server;
    if (server.db().url().kind != DatabaseKind::Sqlite)
        GTEST_SKIP() << "the page limit is SQLite's";
    const std::string token = server.login(kAna);
    const json before = server.result(token, "getAtividades", {kAna, "0001", date(kDay)});
    // Every session of the pool may grow the file no more.
    const auto limitPages = [&](const std::string& limit) {
        std::vector<Database::Lease> leases;
        leases.reserve(6);
        for (int i = 0; i < 6; ++i) leases.push_back(server.db().acquire());
        for (auto& l : leases) {
            long long pages = 0;
            l.sql() << "PRAGMA page_count", soci::into(pages);
            l.sql() << "PRAGMA max_page_count = " + (limit.empty() ? std::to_string(pages) : limit);
        }
    };
    limitPages("");
    const std::string secret = "Descrição que não vai ao log " + std::string(1500, 'x');
    DeltaBuilder d(before);
    for (int i = 0; i < 100; ++i) d.insert(streamRow(i, secret));
    Reply r{0, nullptr};
    std::vector<std::string> lines;
    {
        LogCapture log(spdlog::level::warn);
        auto res =
            server.postRaw("/v1/call", callBody("SetAtividades", json::array({d.arg()})), token);
        ASSERT_TRUE(res);
        r = {res->status, json::parse(res->body, nullptr, false)};
        EXPECT_EQ(res->get_header_value("Retry-After"), "1");
        lines = log.lines();
    }
    EXPECT_EQ(r.status, 503) << r.body.dump();
    EXPECT_EQ(r.body["error"]["code"], "unavailable");
    ASSERT_EQ(lines.size(), 1u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0].find("xxxx"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[0].find(kAna), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("full"), std::string::npos) << lines[0];
    EXPECT_TRUE(
        server.result(token, "getAtividades", {kAna, "0001", date("2026-11-01")})["rows"].empty());

    limitPages("1073741823");
    EXPECT_EQ(server.call(token, "SetAtividades", json::array({d.arg()})).status, 200);
    EXPECT_EQ(
        server.result(token, "getAtividades", {kAna, "0001", date("2026-11-01")})["rows"].size(),
        96u);
}

TEST(Faults, a_save_that_cannot_get_its_lock_in_time_answers_503_and_logs_one_line) {
    TestOptions options;
    options.lockWait = std::chrono::milliseconds(300);
    TestServer server(options);
    const std::string token = server.login(kAna);
    const json day = server.result(token, "getAtividades", {kAna, "0001", date(kDay)});

    // On PostgreSQL a save takes its operator's lock.
    LockHolder holder(server.db(),
                      "SELECT pg_advisory_xact_lock(hashtext('apropriacao:000000000101'))");
    DeltaBuilder d(day);
    d.insert(newRow(kDay, "10:30:00", "11:00:00"));
    const auto started = std::chrono::steady_clock::now();
    LogCapture log(spdlog::level::warn);
    auto res = server.postRaw("/v1/call", callBody("SetAtividades", json::array({d.arg()})), token);
    const auto waited = std::chrono::steady_clock::now() - started;
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 503) << res->body;
    EXPECT_EQ(res->get_header_value("Retry-After"), "1");
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_EQ(log.lines().size(), 1u) << ::testing::PrintToString(log.lines());
    // Reads go on meanwhile.
    EXPECT_EQ(server.call(token, "getAtividades", {kAna, "0001", date(kDay)}).status, 200);

    holder.release();
    EXPECT_EQ(server.call(token, "SetAtividades", json::array({d.arg()})).status, 200);
}

}  // namespace
}  // namespace appserver::testing

// SIGTERM and SIGINT as an operator sends them: the server stops taking
// connections, finishes the request under way, copies the write-ahead log
// back, logs it, and exits 0, on either database.
#include <gtest/gtest.h>
#include <httplib.h>
#include <libpq-fe.h>
#include <signal.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include "raw_connection.h"
#include "server_process.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

/// What holds a save of operator 101 waiting: SQLite's write lock, or the
/// PostgreSQL lock that serialises that operator's saves.
class SaveBlocker {
public:
    virtual ~SaveBlocker() = default;
    /// Waits until a save is waiting behind the blocker, or a bounded time when that cannot be
    /// seen.
    virtual void awaitWaitingSave() = 0;
    virtual void release() = 0;
    virtual long long appropriations() = 0;
};

class SqliteBlocker : public SaveBlocker {
public:
    explicit SqliteBlocker(const std::string& path) {
        EXPECT_EQ(sqlite3_open(path.c_str(), &db_), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    ~SqliteBlocker() override { sqlite3_close(db_); }
    void awaitWaitingSave() override {
        // SQLite does not show who waits for its lock: the request has long
        // arrived and reached its transaction after this.
        std::this_thread::sleep_for(1s);
    }
    void release() override {
        EXPECT_EQ(sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    long long appropriations() override {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db_, "SELECT COUNT(*) FROM appropriations", -1, &st, nullptr);
        const long long n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
        sqlite3_finalize(st);
        return n;
    }
    std::string integrity() {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db_, "PRAGMA integrity_check", -1, &st, nullptr);
        std::string result = sqlite3_step(st) == SQLITE_ROW
                                 ? reinterpret_cast<const char*>(sqlite3_column_text(st, 0))
                                 : "";
        sqlite3_finalize(st);
        return result;
    }

private:
    sqlite3* db_ = nullptr;
};

class PostgresBlocker : public SaveBlocker {
public:
    explicit PostgresBlocker(const std::string& url) : conn_(PQconnectdb(url.c_str())) {
        EXPECT_EQ(PQstatus(conn_), CONNECTION_OK) << PQerrorMessage(conn_);
        exec("SELECT pg_advisory_lock(hashtext('apropriacao:000000000101'))");
    }
    ~PostgresBlocker() override { PQfinish(conn_); }
    void awaitWaitingSave() override {
        for (int i = 0;
             i < 250 &&
             scalar("SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory' AND NOT granted") ==
                 0;
             ++i)
            std::this_thread::sleep_for(20ms);
        EXPECT_EQ(
            scalar("SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory' AND NOT granted"), 1);
    }
    void release() override {
        exec("SELECT pg_advisory_unlock(hashtext('apropriacao:000000000101'))");
    }
    long long appropriations() override { return scalar("SELECT COUNT(*) FROM appropriations"); }

private:
    void exec(const char* sql) {
        PGresult* r = PQexec(conn_, sql);
        EXPECT_EQ(PQresultStatus(r), PGRES_TUPLES_OK) << PQerrorMessage(conn_);
        PQclear(r);
    }
    long long scalar(const char* sql) {
        PGresult* r = PQexec(conn_, sql);
        const long long n =
            PQresultStatus(r) == PGRES_TUPLES_OK ? std::atoll(PQgetvalue(r, 0, 0)) : -1;
        PQclear(r);
        return n;
    }
    PGconn* conn_;
};

struct Client {
    explicit Client(int port) : http("127.0.0.1", port) { http.set_read_timeout(30, 0); }
    std::string login() {
        auto res = http.Post("/v1/login",
                             R"({"user":"000000000101","password":"senha101","branch":"0001"})",
                             "application/json");
        return res && res->status == 200 ? json::parse(res->body).value("token", "") : "";
    }
    int call(const std::string& token, const std::string& method, const json& args,
             json* result = nullptr) {
        const json body = {
            {"server", "Zep00700.rdmApropriacao"}, {"method", method}, {"args", args}};
        auto res = http.Post("/v1/call", {{"Authorization", "Bearer " + token}}, body.dump(),
                             "application/json");
        if (res && result) *result = json::parse(res->body, nullptr, false);
        return res ? res->status : 0;
    }
    httplib::Client http;
};

/// Logs in, then starts a save that waits behind the blocker `block` makes,
/// sends SIGTERM, and checks that the server stops taking connections,
/// completes the save and exits 0. (The login comes first: it stores the
/// session, which the blocker would hold up too.)
void checkOrderlyShutdownWithASaveInFlight(
    ServerProcess& server, const std::function<std::unique_ptr<SaveBlocker>()>& block) {
    ASSERT_TRUE(server.started());
    Client client(server.port());
    const std::string token = client.login();
    ASSERT_FALSE(token.empty());
    json day;
    ASSERT_EQ(
        client.call(token, "getAtividades", {"000000000101", "0001", date("2026-12-08")}, &day),
        200);
    const json delta =
        DeltaBuilder(day["result"]).insert(newRow("2026-12-08", "08:00:00", "09:00:00")).arg();
    const std::unique_ptr<SaveBlocker> held = block();
    SaveBlocker& blocker = *held;
    const long long before = blocker.appropriations();

    auto save = std::async(std::launch::async, [&] {
        return client.call(token, "SetAtividades", json::array({delta}));
    });
    blocker.awaitWaitingSave();
    server.signal(SIGTERM);
    bool refused = false;
    for (int i = 0; i < 150 && !refused; ++i) {
        std::this_thread::sleep_for(20ms);
        refused = connectionRefused(server.port());
    }
    EXPECT_TRUE(refused) << "new connections still taken after SIGTERM";
    EXPECT_EQ(save.wait_for(0s), std::future_status::timeout)
        << "the save ended before its lock was released";
    blocker.release();
    EXPECT_EQ(save.get(), 200);
    EXPECT_EQ(server.waitExit(20s), 0) << server.log();
    EXPECT_EQ(blocker.appropriations(), before + 1);
    const std::string log = server.log();
    EXPECT_NE(log.find("Sinal 15 recebido"), std::string::npos) << log;
    EXPECT_NE(log.find("Servidor encerrado"), std::string::npos) << log;
    EXPECT_NE(log.find("Banco fechado"), std::string::npos) << log;
}

TEST(Shutdown, sigterm_on_sqlite_finishes_the_save_in_flight_copies_the_log_back_and_exits_0) {
    if (std::getenv("APPSERVER_TEST_PG_URL"))
        GTEST_SKIP() << "the SQLite case runs without PostgreSQL";
    ServerProcess server;
    ASSERT_TRUE(server.started());
    checkOrderlyShutdownWithASaveInFlight(
        server, [&] { return std::make_unique<SqliteBlocker>(server.sqlitePath()); });
    SqliteBlocker blocker(server.sqlitePath());
    EXPECT_EQ(blocker.integrity(), "ok");
    blocker.release();
    // The log was copied into the database file as it closed.
    const std::string wal = server.sqlitePath() + "-wal";
    EXPECT_TRUE(!std::filesystem::exists(wal) || std::filesystem::file_size(wal) == 0);
}

TEST(Shutdown, sigterm_on_postgresql_finishes_the_save_in_flight_and_exits_0) {
    if (!std::getenv("APPSERVER_TEST_PG_URL"))
        GTEST_SKIP() << "needs APPSERVER_TEST_PG_URL (scripts/pg-tmp)";
    TestDatabase database;
    ServerProcess server({}, database.url());
    ASSERT_TRUE(server.started());
    checkOrderlyShutdownWithASaveInFlight(
        server, [&] { return std::make_unique<PostgresBlocker>(database.url()); });
}

TEST(Shutdown, sigint_of_an_idle_server_exits_0) {
    const char* pg = std::getenv("APPSERVER_TEST_PG_URL");
    std::unique_ptr<TestDatabase> database;
    if (pg) database = std::make_unique<TestDatabase>();
    ServerProcess server({}, database ? database->url() : std::string());
    ASSERT_TRUE(server.started());
    // An idle keep-alive connection does not hold the shutdown up.
    RawConnection idle(server.port());
    idle.send("GET /v1/health HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(idle.read(5s).status, 200);
    server.signal(SIGINT);
    EXPECT_EQ(server.waitExit(20s), 0) << server.log();
    EXPECT_NE(server.log().find("Sinal 2 recebido"), std::string::npos);
}

}  // namespace
}  // namespace appserver::testing

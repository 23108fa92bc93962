#pragma once

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "appserver/api/app_server.h"
#include "appserver/remote/server_clock.h"
#include "appserver/storage/database.h"

namespace appserver::testing {

/// The server's "now" in every test: Tuesday 2026-12-08, 10:00:00.
inline constexpr const char* kNow = "2026-12-08T10:00:00";

/// The data every test starts from (the import format). Operators 101, 102
/// and 103 share team EQ01; 103 and 104 share EQ02; so 104 is outside the
/// work team of 101. Passwords are "senha" followed by the last three digits.
nlohmann::json baseData();

/// How a test's database and server are set up.
struct TestOptions {
    bool baseData = true;
    /// How long a writer waits for a lock before the request is answered busy.
    std::chrono::milliseconds lockWait{5000};
};

/// A fresh, migrated database: a temporary SQLite file, or a new database in
/// the PostgreSQL cluster named by APPSERVER_TEST_PG_URL when that is set.
/// Removed at the end.
class TestDatabase {
public:
    explicit TestDatabase(bool withBaseData = true) : TestDatabase(TestOptions{withBaseData}) {}
    explicit TestDatabase(const TestOptions& options);
    ~TestDatabase();

    Database& db() { return *db_; }
    const std::string& url() const { return url_; }
    bool isPostgres() const { return db_->kind() == DatabaseKind::Postgres; }

private:
    std::string url_;
    std::string pgAdminUrl_;
    std::string pgName_;
    std::string sqliteDir_;
    std::unique_ptr<Database> db_;
};

/// The number of rows in `table`.
int rowCount(Database& db, const std::string& table);

struct Reply {
    int status = 0;
    nlohmann::json body;
};

/// A running server on a free loopback port, over a TestDatabase; stopped and joined at the end.
class TestServer {
public:
    explicit TestServer(bool withBaseData = true) : TestServer(TestOptions{withBaseData}) {}
    explicit TestServer(const TestOptions& options);
    ~TestServer();

    int port() const { return port_; }
    Database& db() { return database_.db(); }
    const std::string& url() const { return database_.url(); }
    AppServer& server() { return *server_; }

    Reply post(const std::string& path, const std::string& body, const std::string& token = {});
    /// The same, with the answer's headers.
    httplib::Result postRaw(const std::string& path, const std::string& body,
                            const std::string& token = {});
    Reply get(const std::string& path);
    /// Logs in; fails the test unless it succeeds. Returns the token.
    std::string login(const std::string& user, const std::string& branch = "0001");
    Reply call(const std::string& token, const std::string& method, const nlohmann::json& args);
    /// A call that must succeed; returns its "result".
    nlohmann::json result(const std::string& token, const std::string& method,
                          const nlohmann::json& args);

private:
    TestDatabase database_;
    ServerClock clock_;
    std::unique_ptr<AppServer> server_;
    int port_ = 0;
    std::thread thread_;
    httplib::Client client_;
};

/// Argument helpers in wire form.
inline nlohmann::json date(const std::string& iso) {
    return {{"date", iso}};
}

/// The rows of a result packet as objects keyed by field name.
std::vector<nlohmann::json> rowsByName(const nlohmann::json& packet);
/// The field names of a result packet, in order.
std::vector<std::string> fieldNames(const nlohmann::json& packet);

/// A change packet in wire form built from the day's packet: the fields of
/// the answer, with changes given as (op, old row object, new row object).
class DeltaBuilder {
public:
    explicit DeltaBuilder(const nlohmann::json& dayPacket);
    DeltaBuilder& insert(const nlohmann::json& newRow);
    DeltaBuilder& update(const nlohmann::json& oldRow, const nlohmann::json& newRow);
    DeltaBuilder& remove(const nlohmann::json& oldRow);
    nlohmann::json arg() const;

private:
    nlohmann::json rowArray(const nlohmann::json& row) const;
    nlohmann::json fields_;
    nlohmann::json changes_ = nlohmann::json::array();
};

/// A new row as the screen posts it: operator 101 at branch 0001 on the given day.
nlohmann::json newRow(const std::string& day, const std::string& start, const std::string& end,
                      const std::string& task = "0000000001", const std::string& activity = "00001",
                      const std::string& op = "000000000101");

}  // namespace appserver::testing

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
#include "packets.h"

namespace appserver::testing {

/// The server's "now" in every test: Tuesday 2026-12-08, 10:00:00.
inline constexpr const char* kNow = "2026-12-08T10:00:00";

/// The remote modules, as a call's "server" names them.
inline constexpr const char* kApropriacaoServer = "Zep00700.rdmApropriacao";
inline constexpr const char* kResumoServer = "Zep00710.rdmResumo";

/// The data every test starts from (the import format). Operators 101, 102
/// and 103 share team EQ01; 103 and 104 share EQ02; so 104 is outside the
/// work team of 101. Passwords are "senha" followed by the last three digits.
/// Permissions: 101 and 103 have the day screen (Zep00700), the summary
/// (Zep00710) and the closing of months (Zep00720); 104 the first two; 102 none.
nlohmann::json baseData();

/// How a test's database and server are set up.
struct TestOptions {
    bool baseData = true;
    /// How long a writer waits for a lock before the request is answered busy.
    std::chrono::milliseconds lockWait{5000};
    /// The server's --trusted-proxies.
    std::string trustedProxies;
    /// The server's --max-connections-per-address.
    std::size_t maxConnectionsPerAddress = ServerSettings().maxConnectionsPerAddress;
    /// The schema version the database is brought to (0: the newest).
    int schemaVersion = 0;
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

// Its implicit moves are json's, which are noexcept; clang-tidy 14 reads
// through json's assertions and says otherwise.
struct Reply {  // NOLINT(bugprone-exception-escape)
    int status = 0;
    nlohmann::json body;
};

/// A running server on a free loopback port, over a TestDatabase; stopped and joined at the end.
class TestServer {
public:
    explicit TestServer(bool withBaseData = true) : TestServer(TestOptions{withBaseData}) {}
    explicit TestServer(const TestOptions& options);
    /// A server over a database that others may share, as servers behind a
    /// proxy do (`options` set the server alone).
    explicit TestServer(TestDatabase& shared, const TestOptions& options = {});
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
    /// A call of a method of the module `server` (the day screen's unless told).
    Reply call(const std::string& token, const std::string& method, const nlohmann::json& args,
               const std::string& server = kApropriacaoServer);
    /// A call that must succeed; returns its "result".
    nlohmann::json result(const std::string& token, const std::string& method,
                          const nlohmann::json& args,
                          const std::string& server = kApropriacaoServer);

private:
    TestServer(TestDatabase* shared, const TestOptions& options);

    std::unique_ptr<TestDatabase> ownDatabase_;  ///< none over a shared one
    TestDatabase& database_;
    ServerClock clock_;
    std::unique_ptr<AppServer> server_;
    int port_ = 0;
    std::thread thread_;
    httplib::Client client_;
};

/// A new row as the screen posts it: operator 101 at branch 0001 on the given day.
nlohmann::json newRow(const std::string& day, const std::string& start, const std::string& end,
                      const std::string& task = "0000000001", const std::string& activity = "00001",
                      const std::string& op = "000000000101");

}  // namespace appserver::testing

#include "test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <spdlog/spdlog.h>

#include "appserver/storage/migrations.h"
#include "appserver/stores/password_hasher.h"
#include "appserver/transfer/data_import.h"

namespace appserver::testing {

using nlohmann::json;

json baseData() {
    auto person = [](const char* code, const char* name, json branches, json screens, json teams) {
        return json{{"code", code},
                    {"name", name},
                    {"password", std::string("senha") + (code + 9)},
                    {"branches", branches},
                    {"screens", screens},
                    {"teams", teams}};
    };
    auto appro = [](const char* op, const char* branch, const char* task, const char* act,
                    const char* start, json end, json stampEnd) {
        return json{
            {"operator", op},      {"branch", branch},     {"task", task},
            {"activity", act},     {"start", start},       {"end", end},
            {"stampStart", start}, {"stampEnd", stampEnd}, {"description", "Trabalho registrado"}};
    };
    auto punch = [](const char* op, const char* at, const char* dir, const char* event) {
        return json{{"company", "01"},  {"operator", op}, {"at", at},
                    {"direction", dir}, {"event", event}, {"day", std::string(at).substr(0, 10)},
                    {"origin", "CAT"}};
    };
    json d;
    d["branches"] = {{{"code", "0001"}, {"name", "Matriz"}},
                     {{"code", "0002"}, {"name", "Filial Sul"}}};
    d["teams"] = {{{"code", "EQ01"}, {"name", "Desenvolvimento"}},
                  {{"code", "EQ02"}, {"name", "Suporte"}}};
    d["operators"] = {
        person("000000000101", "Ana Souza", {"0001", "0002"}, {"Zep00700", "Zep00710", "Zep00720"},
               {"EQ01"}),
        person("000000000102", "Bruno Lima", {"0001"}, json::array(), {"EQ01"}),
        person("000000000103", "Carla Dias", {"0001"}, {"Zep00700", "Zep00710", "Zep00720"},
               {"EQ01", "EQ02"}),
        person("000000000104", "Diego Rocha", {"0001"}, {"Zep00700", "Zep00710"}, {"EQ02"}),
    };
    d["tasks"] = {
        {{"branch", "0001"},
         {"task", "0000000001"},
         {"description", "Faturamento"},
         {"project", "PRJ01"},
         {"baseline", "001"},
         {"processCode", "PR.01"},
         {"processName", "Processo de faturamento"}},
        {{"branch", "0001"},
         {"task", "0000000002"},
         {"description", "Portal do cliente"},
         {"project", "PRJ02"},
         {"baseline", "002"},
         {"processCode", "PR.02"},
         {"processName", "Processo do portal"}},
        {{"branch", "0002"},
         {"task", "0000000009"},
         {"description", "Implantação Sul"},
         {"project", "PRJ09"},
         {"baseline", "001"},
         {"processCode", "PR.09"},
         {"processName", "Processo de implantação"}},
    };
    auto act = [](const char* branch, const char* task, const char* a, const char* name,
                  const char* sit, json ops) {
        return json{{"branch", branch},
                    {"task", task},
                    {"activity", a},
                    {"processCode", std::string("C") + a},
                    {"processName", name},
                    {"situation", sit},
                    {"workItemCode", std::string("IT") + a},
                    {"workItemName", std::string("Item ") + a},
                    {"responsible", "000000000103"},
                    {"operators", ops}};
    };
    d["activities"] = {
        act("0001", "0000000001", "00001", "Desenvolvimento", "P", json::array()),
        act("0001", "0000000001", "00002", "Revisão", "A", {"000000000102"}),
        act("0001", "0000000001", "00003", "Testes", "C", json::array()),
        act("0001", "0000000002", "00001", "Suporte", "A", json::array()),
        act("0002", "0000000009", "00001", "Implantação", "P", json::array()),
    };
    d["appropriations"] = {
        appro("000000000101", "0001", "0000000001", "00001", "2026-12-07T08:00:00",
              "2026-12-07T09:00:00", "2026-12-07T09:05:00"),
        appro("000000000101", "0001", "0000000001", "00003", "2026-12-07T09:00:00",
              "2026-12-07T10:30:00", "2026-12-07T10:31:00"),
        // An open row (no end stamp) on a started activity: locked.
        appro("000000000101", "0001", "0000000002", "00001", "2026-12-07T13:00:00", nullptr,
              nullptr),
        appro("000000000101", "0001", "0000000001", "00001", "2026-11-30T14:00:00",
              "2026-11-30T15:00:00", "2026-11-30T15:00:00"),
        appro("000000000101", "0001", "0000000001", "00001", "2025-06-02T14:00:00",
              "2025-06-02T15:00:00", "2025-06-02T15:00:00"),
        appro("000000000101", "0002", "0000000009", "00001", "2026-12-07T11:00:00",
              "2026-12-07T11:30:00", "2026-12-07T11:30:00"),
        appro("000000000104", "0001", "0000000001", "00001", "2026-12-07T08:00:00",
              "2026-12-07T12:00:00", "2026-12-07T12:00:00"),
    };
    d["punches"] = {
        punch("000000000101", "2026-12-07T07:58:00", "1", "E1"),
        punch("000000000101", "2026-12-07T10:00:00", "2", "S1"),
        punch("000000000101", "2026-12-07T10:15:00", "1", "E2"),
        punch("000000000101", "2026-12-07T12:00:00", "2", "S2"),
        punch("000000000101", "2026-12-07T13:00:00", "1", "E1"),
    };
    return d;
}

namespace {

std::atomic<int> counter{0};

std::string uniqueName() {
    return "t" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 100000);
}

void runAdmin(const std::string& adminUrl, const std::string& statement) {
    DatabaseOptions one;
    one.poolSize = 1;
    Database admin(DatabaseUrl::parse(adminUrl), one);
    admin.acquire().sql() << statement;
}

}  // namespace

TestDatabase::TestDatabase(const TestOptions& test) {
    // Start-up and request logs would drown the test output; failures still show.
    spdlog::set_level(spdlog::level::err);
    DatabaseOptions options;
    options.poolSize = 6;
    options.lockWait = test.lockWait;
    if (const char* pg = std::getenv("APPSERVER_TEST_PG_URL"); pg && *pg) {
        pgAdminUrl_ = pg;
        pgName_ = uniqueName();
        runAdmin(pgAdminUrl_, "CREATE DATABASE " + pgName_);
        url_ = pgAdminUrl_.substr(0, pgAdminUrl_.rfind('/') + 1) + pgName_;
    } else {
        sqliteDir_ =
            (std::filesystem::temp_directory_path() / ("appserver-" + uniqueName())).string();
        std::filesystem::create_directories(sqliteDir_);
        url_ = "sqlite:" + sqliteDir_ + "/test.db";
    }
    db_ = std::make_unique<Database>(DatabaseUrl::parse(url_), options);
    if (test.schemaVersion > 0)
        migrateTo(*db_, test.schemaVersion);
    else
        migrate(*db_);
    if (test.baseData) importData(*db_, baseData(), PasswordHasher(HashCost::minimum()));
}

TestDatabase::~TestDatabase() {
    db_.reset();
    try {
        if (!pgName_.empty())
            runAdmin(pgAdminUrl_, "DROP DATABASE IF EXISTS " + pgName_ + " WITH (FORCE)");
        if (!sqliteDir_.empty()) std::filesystem::remove_all(sqliteDir_);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "Could not remove the test database: " << e.what();
    }
}

namespace {

ServerSettings testSettings(const TestOptions& options) {
    ServerSettings s;
    s.host = "127.0.0.1";
    s.port = 0;
    s.threads = 8;
    s.hashCost = HashCost::minimum();
    s.trustedProxies = TrustedProxies::parse(options.trustedProxies);
    s.maxConnectionsPerAddress = options.maxConnectionsPerAddress;
    return s;
}

}  // namespace

TestServer::TestServer(const TestOptions& options) : TestServer(nullptr, options) {}

TestServer::TestServer(TestDatabase& shared, const TestOptions& options)
    : TestServer(&shared, options) {}

TestServer::TestServer(TestDatabase* shared, const TestOptions& options)
    : ownDatabase_(shared ? nullptr : std::make_unique<TestDatabase>(options)),
      database_(shared ? *shared : *ownDatabase_),
      clock_(*platform::dataset::DateTime::parseIso(kNow)),
      server_(std::make_unique<AppServer>(database_.db(), clock_, testSettings(options))),
      port_(server_->bind()),
      client_("127.0.0.1", port_) {
    thread_ = std::thread([this] { server_->run(); });
    for (int i = 0; i < 500 && !server_->isRunning(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    client_.set_keep_alive(true);
    client_.set_tcp_nodelay(true);
    client_.set_read_timeout(20, 0);
}

TestServer::~TestServer() {
    client_.stop();
    server_->stop();
    thread_.join();
}

Reply TestServer::post(const std::string& path, const std::string& body, const std::string& token) {
    httplib::Headers headers;
    if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
    auto res = client_.Post(path.c_str(), headers, body, "application/json");
    if (!res) {
        ADD_FAILURE() << "No answer to POST " << path << ": " << httplib::to_string(res.error());
        return {0, nullptr};
    }
    return {res->status, json::parse(res->body, nullptr, false)};
}

httplib::Result TestServer::postRaw(const std::string& path, const std::string& body,
                                    const std::string& token) {
    httplib::Headers headers;
    if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
    return client_.Post(path.c_str(), headers, body, "application/json");
}

Reply TestServer::get(const std::string& path) {
    auto res = client_.Get(path.c_str());
    if (!res) {
        ADD_FAILURE() << "No answer to GET " << path;
        return {0, nullptr};
    }
    return {res->status, json::parse(res->body, nullptr, false)};
}

std::string TestServer::login(const std::string& user, const std::string& branch) {
    const Reply r = post(
        "/v1/login",
        json{{"user", user}, {"password", "senha" + user.substr(9)}, {"branch", branch}}.dump());
    EXPECT_EQ(r.status, 200) << r.body.dump();
    return r.status == 200 ? r.body.value("token", "") : std::string();
}

Reply TestServer::call(const std::string& token, const std::string& method, const json& args,
                       const std::string& server) {
    return post("/v1/call", json{{"server", server}, {"method", method}, {"args", args}}.dump(),
                token);
}

json TestServer::result(const std::string& token, const std::string& method, const json& args,
                        const std::string& server) {
    const Reply r = call(token, method, args, server);
    EXPECT_EQ(r.status, 200) << method << ": " << r.body.dump();
    return r.status == 200 ? r.body["result"] : json();
}

int rowCount(Database& db, const std::string& table) {
    auto lease = db.acquire();
    int n = 0;
    lease.sql() << "SELECT COUNT(*) FROM " + table, soci::into(n);
    return n;
}

json newRow(const std::string& day, const std::string& start, const std::string& end,
            const std::string& task, const std::string& activity, const std::string& op) {
    return {{"HORAINI", start},
            {"HORAFIN", end},
            {"NRTAREFA", task},
            {"NRPLATIVTARE", activity},
            {"DTIAPATIVTAR", day + "T" + start},
            {"DTFAPATIVTAR", day + "T" + end},
            {"CDFILIAL", "0001"},
            {"TXAPRATIVTAR", "Nova apropriação"},
            {"CDOPERADOR", op},
            {"DTHIAPATIVTA", std::string(kNow)},
            {"DTHFAPATIVTA", std::string(kNow)}};
}

}  // namespace appserver::testing

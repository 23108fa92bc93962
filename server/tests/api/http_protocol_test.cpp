// Protocol v1 over a real socket: health, logout, and every kind of bad request.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "postgresql_run.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

// Requests and connections as the protocol takes them: the database under the server is incidental.
[[maybe_unused]] const bool kSqliteOnly = leaveOutOfPostgresRun({"HttpProtocol", "HttpListening"});

class HttpProtocol : public ::testing::Test {
protected:
    TestServer server;
    std::string token = server.login("000000000101");

    void expectError(const Reply& r, int status, const char* code) {
        EXPECT_EQ(r.status, status) << r.body.dump();
        ASSERT_TRUE(r.body.is_object()) << "status " << r.status;
        EXPECT_EQ(r.body["error"]["code"], code) << r.body.dump();
        EXPECT_FALSE(r.body["error"].value("message", "").empty());
    }
};

TEST_F(HttpProtocol, health_answers_ok_and_the_version) {
    const Reply r = server.get("/v1/health");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body["status"], "ok");
    EXPECT_FALSE(r.body["version"].get<std::string>().empty());
}

TEST_F(HttpProtocol, logout_ends_the_session) {
    const Reply r = server.post("/v1/logout", "", token);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, json::object());
    expectError(server.call(token, "getHoraServidor", json::array()), 401, "unauthenticated");
    expectError(server.post("/v1/logout", "", token), 401, "unauthenticated");
}

TEST_F(HttpProtocol, bad_requests_get_their_4xx_and_the_server_stays_up) {
    const std::string oversized(1024 * 1024 + 10, 'x');
    expectError(server.post("/v1/call", "{not json", token), 400, "bad_request");
    expectError(server.post("/v1/call", "[1,2]", token), 400, "bad_request");
    expectError(server.post("/v1/call", R"({"server":"Zep00700.rdmApropriacao"})", token), 400,
                "bad_request");
    expectError(server.post("/v1/login", "{}", ""), 400, "bad_request");
    expectError(server.post("/v1/login", "nonsense", ""), 400, "bad_request");
    expectError(server.post("/v1/call", oversized, token), 413, "too_large");
    expectError(server.get("/v1/nowhere"), 404, "not_found");
    expectError(
        server.post("/v1/call", R"({"server":"Outro.rdm","method":"getHoraServidor","args":[]})",
                    token),
        404, "not_found");
    expectError(server.call(token, "DropEverything", json::array()), 404, "not_found");
    // Wrong argument count and types.
    expectError(server.call(token, "getAtividades", {"000000000101", "0001"}), 400, "bad_request");
    expectError(server.call(token, "getAtividades", {"000000000101", "0001", "2026-12-07"}), 400,
                "bad_request");
    expectError(server.call(token, "getAtividades", {"000000000101", 1, date("2026-12-07")}), 400,
                "bad_request");
    expectError(server.call(token, "getAtividades", {"000000000101", "0001", date("2026-02-30")}),
                400, "bad_request");
    expectError(server.call(token, "getAtividades", {"000000000101", "0001", {{"date", 5}}}), 400,
                "bad_request");
    expectError(
        server.call(token, "getAtividades", {"000000000101", "0001", {{"when", "2026-12-07"}}}),
        400, "bad_request");
    expectError(server.call(token, "getHoraServidor", {"extra"}), 400, "bad_request");
    expectError(server.call(token, "SetAtividades", {{{"delta", {{"fields", 3}}}}}), 400,
                "bad_request");
    expectError(
        server.post("/v1/call",
                    R"({"server":"Zep00700.rdmApropriacao","method":"getHoraServidor","args":{}})",
                    token),
        400, "bad_request");
    EXPECT_EQ(server.get("/v1/health").status, 200);
    EXPECT_EQ(server.call(token, "getHoraServidor", json::array()).status, 200);
}

TEST_F(HttpProtocol, dates_may_come_as_date_times_and_methods_match_without_case) {
    const json a = server.result(token, "getAtividades",
                                 {"000000000101", "0001", {{"datetime", "2026-12-07T15:00:00"}}});
    EXPECT_EQ(a["rows"].size(), 3u);
    EXPECT_EQ(server.result(token, "GETATIVIDADES", {"000000000101", "0001", date("2026-12-07")}),
              a);
}

TEST_F(HttpProtocol, one_keep_alive_connection_serves_many_requests) {
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(server.call(token, "getHoraServidor", json::array()).status, 200);
}

}  // namespace
}  // namespace appserver::testing

namespace appserver::testing {
namespace {

/// Starts a non-blocking connection to the loopback port.
int connectNonBlocking(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Non-blocking: the answer is EINPROGRESS; poll() tells how it went.
    (void)::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    return fd;
}

TEST(HttpListening, many_clients_connecting_at_once_are_all_taken_in_without_a_retry) {
    // Nothing accepts before run(): every connection waits in the listening
    // queue, which must hold far more than the library's 5. A connection left
    // out would have its attempt dropped and retried only a second later.
    TestDatabase database;
    ServerClock clock(*platform::dataset::DateTime::parseIso(kNow));
    ServerSettings settings;
    settings.port = 0;
    settings.hashCost = HashCost::minimum();
    AppServer server(database.db(), clock, settings);
    const int port = server.bind();

    constexpr int kClients = 32;
    std::vector<pollfd> fds;
    fds.reserve(kClients);
    for (int i = 0; i < kClients; ++i) fds.push_back({connectNonBlocking(port), POLLOUT, 0});
    int connected = 0;
    for (auto& p : fds) {
        // Half a second for each is ample on loopback and well short of the retry.
        if (::poll(&p, 1, 500) == 1 && (p.revents & POLLOUT)) {
            int error = 0;
            socklen_t size = sizeof error;
            ::getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &size);
            if (error == 0) ++connected;
        }
        ::close(p.fd);
    }
    EXPECT_EQ(connected, kClients);
}

}  // namespace
}  // namespace appserver::testing

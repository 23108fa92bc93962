// The client's address behind a proxy: from a trusted proxy the last
// address of X-Forwarded-For is the client's, and it is what the login
// throttle counts, what the audit trail records and what the log shows; from
// any other peer the header changes nothing.
#include <gtest/gtest.h>

#include <memory>

#include "log_capture.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

class ForwardedAddress : public ::testing::Test {
protected:
    static int login(TestServer& server, const std::string& user, const std::string& password,
                     const std::string& forwardedFor) {
        httplib::Client client("127.0.0.1", server.port());
        const json body = {{"user", user}, {"password", password}, {"branch", "0001"}};
        auto res = client.Post("/v1/login", {{"X-Forwarded-For", forwardedFor}}, body.dump(),
                               "application/json");
        return res ? res->status : 0;
    }

    /// Saves a new row of operator 101 on 2026-11-30 with the header given,
    /// and returns the address the audit trail recorded for it.
    static std::string auditedAddressOfASave(TestServer& server, const std::string& forwardedFor,
                                             const std::string& start) {
        const std::string token = server.login("000000000101");
        const json day = json::array({"000000000101", "0001", date("2026-11-30")});
        const json packet = server.result(token, "getAtividades", day);
        const std::string end = start.substr(0, 3) + "30:00";
        const json args =
            json::array({DeltaBuilder(packet).insert(newRow("2026-11-30", start, end)).arg()});
        const json call = {
            {"server", "Zep00700.rdmApropriacao"}, {"method", "SetAtividades"}, {"args", args}};
        httplib::Client client("127.0.0.1", server.port());
        httplib::Headers headers{{"Authorization", "Bearer " + token}};
        if (!forwardedFor.empty()) headers.emplace("X-Forwarded-For", forwardedFor);
        auto res = client.Post("/v1/call", headers, call.dump(), "application/json");
        EXPECT_TRUE(res && res->status == 200) << (res ? res->body : "no answer");
        const auto trail = rowsByName(server.result(token, "GetHistorico", day));
        if (trail.empty()) return {};
        return trail.front().at("DSENDERECO");  // newest first
    }
};

TEST_F(ForwardedAddress, from_an_untrusted_peer_the_header_changes_nothing) {
    TestServer server;
    EXPECT_EQ(auditedAddressOfASave(server, "203.0.113.5", "08:00:00"), "127.0.0.1");
    // Twenty failures from "twenty addresses" are twenty from the one peer.
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(login(server, "9999" + std::to_string(i), "x", "203.0.113." + std::to_string(i)),
                  401);
    EXPECT_EQ(login(server, "000000000103", "senha103", "203.0.113.99"), 429);
}

TEST_F(ForwardedAddress, from_a_trusted_proxy_the_last_address_is_the_clients) {
    TestOptions options;
    options.trustedProxies = "127.0.0.1";
    TestServer server(options);
    LogCapture log(spdlog::level::info);  // after the server's start, which quiets the log
    // What a client put before the proxy's own entry is not believed.
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(login(server, "9999" + std::to_string(i), "x",
                        "198.51.100." + std::to_string(i) + ", 203.0.113.7"),
                  401);
    EXPECT_EQ(login(server, "000000000103", "senha103", "203.0.113.7"), 429);
    // Another client behind the same proxy is not locked out with it.
    EXPECT_EQ(login(server, "000000000103", "senha103", "203.0.113.8"), 200);
    EXPECT_EQ(log.linesWith("a partir de 203.0.113.8"), 1);
    EXPECT_EQ(auditedAddressOfASave(server, "10.9.9.9, 203.0.113.9", "08:00:00"), "203.0.113.9");
    // A proxy that adds a header field of its own rather than extend the client's.
    httplib::Client client("127.0.0.1", server.port());
    const json body = {{"user", "000000000103"}, {"password", "senha103"}, {"branch", "0001"}};
    auto res = client.Post(
        "/v1/login", {{"X-Forwarded-For", "198.51.100.1"}, {"x-forwarded-for", "203.0.113.60"}},
        body.dump(), "application/json");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(log.linesWith("a partir de 203.0.113.60"), 1);
}

TEST_F(ForwardedAddress, a_malformed_header_from_a_trusted_proxy_leaves_its_own_address) {
    TestOptions options;
    options.trustedProxies = "127.0.0.0/8";
    TestServer server(options);
    LogCapture log(spdlog::level::info);  // after the server's start, which quiets the log
    EXPECT_EQ(auditedAddressOfASave(server, "unknown", "08:00:00"), "127.0.0.1");
    EXPECT_EQ(log.linesWith("X-Forwarded-For \"unknown\""), 1);
    // Without the header a trusted peer is its own client (a health check).
    EXPECT_EQ(auditedAddressOfASave(server, "", "09:00:00"), "127.0.0.1");
}

TEST_F(ForwardedAddress, a_trusted_proxys_connections_are_not_held_to_the_cap_of_one_address) {
    const auto openConnections = [](int port, int count) {
        std::vector<std::unique_ptr<httplib::Client>> clients;
        std::vector<int> statuses;
        for (int i = 0; i < count; ++i) {
            clients.push_back(std::make_unique<httplib::Client>("127.0.0.1", port));
            clients.back()->set_keep_alive(true);  // each keeps its connection, so each counts
            auto res = clients.back()->Get("/v1/health");
            statuses.push_back(res ? res->status : 0);
        }
        return statuses;
    };
    TestOptions capped;
    capped.maxConnectionsPerAddress = 2;
    TestServer plain(capped);
    EXPECT_EQ(openConnections(plain.port(), 3), (std::vector<int>{200, 200, 429}));

    TestOptions proxied = capped;
    proxied.trustedProxies = "127.0.0.1";
    TestServer behindProxy(proxied);
    EXPECT_EQ(openConnections(behindProxy.port(), 4), (std::vector<int>{200, 200, 200, 200}));
}

}  // namespace
}  // namespace appserver::testing

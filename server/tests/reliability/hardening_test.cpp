// The hardening cases that hold for any target (hardening.h): bodies past
// the cap however they are sent, slow clients, and connections past the cap
// of one address. Each test program that compiles this file runs them
// against its own kind of target.
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <thread>
#include <vector>

#include "hardening.h"

namespace appserver::testing {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

/// Past the proxy's relaying of several MiB, not only the server's answer.
constexpr auto kAnswerWait = 10s;

TEST_P(Hardening, a_chunked_body_past_the_cap_is_refused_however_it_is_split) {
    const auto target = start();
    const int port = target->port();
    const std::string token = loginToken(port, target->loginBody());
    ASSERT_FALSE(token.empty());
    const std::string auth = "Authorization: Bearer " + token + "\r\n";
    target->watchMemory();

    std::string eightMiB;
    for (int i = 0; i < 128; ++i) eightMiB += chunked(64 * 1024);
    const std::string head =
        "Host: x\r\nTransfer-Encoding: chunked\r\nContent-Type: application/json\r\n";
    EXPECT_EQ(
        sendAll(port, "POST /v1/login HTTP/1.1\r\n" + head + "\r\n", eightMiB, kAnswerWait).status,
        413);
    EXPECT_EQ(
        sendAll(port, "POST /v1/call HTTP/1.1\r\n" + auth + head + "\r\n", eightMiB, kAnswerWait)
            .status,
        413);
    // Without a session the body of a call is not even read.
    EXPECT_EQ(
        sendAll(port, "POST /v1/call HTTP/1.1\r\n" + head + "\r\n", eightMiB, kAnswerWait).status,
        401);
    // Many small chunks are counted as they arrive, not only a large declared one.
    std::string manySmall;
    for (int i = 0; i < 40000; ++i) manySmall += chunked(30);
    EXPECT_EQ(
        sendAll(port, "POST /v1/call HTTP/1.1\r\n" + auth + head + "\r\n", manySmall, kAnswerWait)
            .status,
        413);
    // A declared length past the cap is refused before the body.
    const RawAnswer declared =
        sendAll(port, "POST /v1/call HTTP/1.1\r\nHost: x\r\n" + auth +
                          fmt::format("Content-Length: {}\r\n\r\n", 8u << 20));
    EXPECT_EQ(declared.status, 413);
    EXPECT_EQ(json::parse(declared.body, nullptr, false)["error"]["code"], "too_large");
    target->expectHeldLittleMemory();

    // A body within the cap, chunked, is read as any other.
    const std::string login = target->loginBody();
    const RawAnswer ok = sendAll(port, "POST /v1/login HTTP/1.1\r\n" + head + "\r\n",
                                 fmt::format("{:x}\r\n{}\r\n0\r\n\r\n", login.size(), login));
    EXPECT_EQ(ok.status, 200) << ok.body;
}

TEST_P(Hardening, slow_clients_hold_no_worker_and_health_answers_throughout) {
    // Ten times as many slow clients as threads, each sending a header line
    // now and then, as if its request would never end.
    const auto target = start({.threads = 4});
    std::vector<RawConnection> slow;
    for (int i = 0; i < 40; ++i) {
        slow.emplace_back(target->port());
        slow.back().send("POST /v1/login HTTP/1.1\r\nHost: x\r\n");
    }
    for (int round = 0; round < 10; ++round) {
        for (RawConnection& c : slow) c.send("X-Slow: 1\r\n");
        EXPECT_EQ(healthWithinASecond(target->port()), 200) << "round " << round;
        std::this_thread::sleep_for(200ms);
    }
}

TEST_P(Hardening, connections_past_the_cap_of_one_address_are_refused_with_429) {
    const auto target = start({.maxConnectionsPerAddress = 3});
    const int cap = target->maxConnectionsPerAddress();
    ASSERT_GT(cap, 0);
    const std::string health = "GET /v1/health HTTP/1.1\r\nHost: x\r\n\r\n";
    std::vector<RawConnection> open;
    for (int i = 0; i < cap; ++i) {
        open.emplace_back(target->port());
        open.back().send(health);
        // Kept alive, so still counted.
        ASSERT_EQ(open.back().read(5s).status, 200) << "connection " << i + 1;
    }
    // The server refuses the connection as it comes, a proxy its first request.
    RawConnection extra(target->port());
    extra.send(health);
    const RawAnswer refused = extra.read(5s);
    EXPECT_EQ(refused.status, 429);
    EXPECT_EQ(json::parse(refused.body, nullptr, false)["error"]["code"], "too_many_requests");
    EXPECT_TRUE(extra.closedWithin(5s));

    // A connection that ends makes room for another.
    open.front().close();
    int status = 0;
    for (int i = 0; i < 50 && status != 200; ++i) {
        std::this_thread::sleep_for(20ms);
        status = healthWithinASecond(target->port());
    }
    EXPECT_EQ(status, 200);
}

}  // namespace
}  // namespace appserver::testing

#include "appserver/api/trusted_proxies.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "postgresql_run.h"

namespace appserver {
namespace {

// Parsing and matching alone: no database.
[[maybe_unused]] const bool kSqliteOnly =
    appserver::testing::leaveOutOfPostgresRun({"TrustedProxies"});

TEST(TrustedProxies, addresses_and_blocks_of_both_families_match_their_members_only) {
    const auto t = TrustedProxies::parse("127.0.0.1, 10.1.0.0/16 fd00::/8,::1");
    EXPECT_TRUE(t.contains("127.0.0.1"));
    EXPECT_FALSE(t.contains("127.0.0.2"));
    EXPECT_TRUE(t.contains("10.1.255.7"));
    EXPECT_FALSE(t.contains("10.2.0.1"));
    EXPECT_TRUE(t.contains("fd12:3456::1"));
    EXPECT_FALSE(t.contains("fe80::1"));
    EXPECT_TRUE(t.contains("::1"));
    // A dual-stack listener gives IPv4 peers in their IPv6 form.
    EXPECT_TRUE(t.contains("::ffff:10.1.2.3"));
    EXPECT_FALSE(t.contains(""));
    EXPECT_FALSE(t.contains("not-an-address"));
}

TEST(TrustedProxies, prefixes_that_do_not_end_on_a_byte_are_honoured) {
    const auto t = TrustedProxies::parse("192.168.4.0/22");
    EXPECT_TRUE(t.contains("192.168.4.1"));
    EXPECT_TRUE(t.contains("192.168.7.254"));
    EXPECT_FALSE(t.contains("192.168.8.1"));
    EXPECT_FALSE(t.contains("192.168.3.255"));
    EXPECT_TRUE(TrustedProxies::parse("0.0.0.0/0").contains("203.0.113.9"));
    // An IPv4 block does not reach IPv6 addresses.
    EXPECT_FALSE(TrustedProxies::parse("0.0.0.0/0").contains("2001:db8::1"));
}

TEST(TrustedProxies, an_entry_that_is_not_an_address_or_block_is_refused_by_name) {
    for (const std::string bad : {"10.0.0.0/33", "fd00::/129", "10.0.0.1/", "10.0.0.1/x",
                                  "proxy.example", "10.0.0", "10.0.0.0/-1", "::1/8/8"}) {
        try {
            TrustedProxies::parse("127.0.0.1, " + bad);
            ADD_FAILURE() << bad << " was taken";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find("\"" + bad + "\""), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(TrustedProxies::parse("").empty());
    EXPECT_TRUE(TrustedProxies::parse(" , ").empty());
}

TEST(TrustedProxies, only_a_trusted_peer_names_the_client_and_only_by_the_last_address) {
    const auto t = TrustedProxies::parse("10.0.0.5");
    // The proxy appended the last address; what came before is the client's own say.
    EXPECT_EQ(t.clientOf("10.0.0.5", "198.51.100.1, 203.0.113.7").address, "203.0.113.7");
    EXPECT_EQ(t.clientOf("10.0.0.5", " 2001:db8::7 ").address, "2001:db8::7");
    // From anyone else the header changes nothing.
    const auto untrusted = t.clientOf("10.0.0.6", "203.0.113.7");
    EXPECT_EQ(untrusted.address, "10.0.0.6");
    EXPECT_FALSE(untrusted.malformed);
    EXPECT_EQ(TrustedProxies().clientOf("10.0.0.5", "203.0.113.7").address, "10.0.0.5");
    // A trusted peer without the header is its own client (a health check).
    EXPECT_EQ(t.clientOf("10.0.0.5", "").address, "10.0.0.5");
    EXPECT_FALSE(t.clientOf("10.0.0.5", "").malformed);
}

TEST(TrustedProxies, a_malformed_header_from_a_trusted_peer_leaves_the_peer_and_says_so) {
    const auto t = TrustedProxies::parse("10.0.0.5");
    for (const char* header : {"203.0.113.7,", "unknown", "203.0.113.7:51000", "[2001:db8::7]",
                               "203.0.113.7, 999.1.1.1"}) {
        const auto c = t.clientOf("10.0.0.5", header);
        EXPECT_EQ(c.address, "10.0.0.5") << header;
        EXPECT_TRUE(c.malformed) << header;
    }
}

}  // namespace
}  // namespace appserver

// Sessions, login throttling and password hashing.
#include <gtest/gtest.h>

#include "login_throttle.h"
#include "password_hasher.h"
#include "session_store.h"

namespace appserver {
namespace {

TEST(Sessions, a_token_opens_its_session_until_idle_time_or_close) {
    SessionStore store(std::chrono::hours(8));
    const std::string a = store.open({"000000000101", "Ana", "0001"});
    const std::string b = store.open({"000000000102", "Bruno", "0001"});
    EXPECT_EQ(a.size(), 64u);
    EXPECT_NE(a, b);
    ASSERT_TRUE(store.touch(a));
    EXPECT_EQ(store.touch(a)->user, "000000000101");
    EXPECT_TRUE(store.close(b));
    EXPECT_FALSE(store.touch(b));
    EXPECT_FALSE(store.close(b));
    store.ageAll(std::chrono::hours(8) + std::chrono::seconds(1));
    EXPECT_FALSE(store.touch(a));
    EXPECT_FALSE(store.touch(""));
}

TEST(Sessions, throttle_locks_a_key_after_repeated_failures_only) {
    LoginThrottle t(3, std::chrono::minutes(5));
    EXPECT_TRUE(t.allowed("u"));
    t.recordFailure("u");
    t.recordFailure("u");
    EXPECT_TRUE(t.allowed("u"));
    t.recordSuccess("u");
    t.recordFailure("u");
    t.recordFailure("u");
    EXPECT_TRUE(t.allowed("u"));  // success reset the count
    t.recordFailure("u");
    EXPECT_FALSE(t.allowed("u"));
    EXPECT_TRUE(t.allowed("v"));
}

TEST(Sessions, argon2id_hashes_verify_only_their_password) {
    const PasswordHasher hasher(HashCost::minimum());
    const std::string h = hasher.hash("segredo");
    EXPECT_EQ(h.rfind("$argon2id$", 0), 0u);
    EXPECT_NE(h, hasher.hash("segredo"));  // salted
    EXPECT_TRUE(hasher.verify(h, "segredo"));
    EXPECT_FALSE(hasher.verify(h, "Segredo"));
    EXPECT_FALSE(hasher.verify("", "segredo"));
    EXPECT_FALSE(hasher.verify("not a hash", "segredo"));
}

}  // namespace
}  // namespace appserver

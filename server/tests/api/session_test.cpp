// Sessions, login throttling and password hashing.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "appserver/api/login_throttle.h"
#include "appserver/api/session_store.h"
#include "appserver/stores/password_hasher.h"

namespace appserver {
namespace {

TEST(Sessions, a_token_opens_its_session_until_idle_time_or_close) {
    SessionStore store(std::chrono::hours(8), std::chrono::hours(12));
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

TEST(Sessions, a_session_in_constant_use_still_ends_at_its_maximum_age) {
    SessionStore store(std::chrono::hours(8), std::chrono::hours(12));
    const std::string a = store.open({"000000000101", "Ana", "0001"});
    for (int hour = 1; hour <= 11; ++hour) {
        store.ageAll(std::chrono::hours(1));
        ASSERT_TRUE(store.touch(a)) << "after " << hour << " h";
    }
    store.ageAll(std::chrono::hours(1) + std::chrono::seconds(1));
    EXPECT_FALSE(store.touch(a));
    EXPECT_FALSE(store.touch(a));  // and it stays ended
}

TEST(Sessions, throttle_counts_each_attempt_as_it_begins_and_locks_the_key_at_the_cap) {
    LoginThrottle t(3, std::chrono::minutes(5));
    EXPECT_TRUE(t.begin("u"));
    EXPECT_TRUE(t.begin("u"));
    t.succeeded("u");  // the count starts over
    EXPECT_TRUE(t.begin("u"));
    EXPECT_TRUE(t.begin("u"));
    EXPECT_TRUE(t.begin("u"));  // the third is let through, to be checked
    EXPECT_FALSE(t.begin("u"));
    EXPECT_TRUE(t.begin("v"));
    // A withdrawn attempt was never a failure: the key is below the cap again.
    t.withdraw("u");
    EXPECT_TRUE(t.begin("u"));
    EXPECT_FALSE(t.begin("u"));
}

TEST(Sessions, throttle_lets_exactly_the_cap_through_when_attempts_race) {
    LoginThrottle t(5, std::chrono::minutes(5));
    std::atomic<int> admitted{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 30; ++i)
        threads.emplace_back([&] {
            if (t.begin("user:000000000103")) ++admitted;
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(admitted.load(), 5);
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

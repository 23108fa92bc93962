// Sessions, login throttling and password hashing.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "appserver/api/login_throttle.h"
#include "appserver/api/session_store.h"
#include "appserver/storage/database_error.h"
#include "appserver/stores/password_hasher.h"
#include "lock_holder.h"
#include "test_support.h"

namespace appserver {
namespace {

using testing::TestDatabase;

TEST(Sessions, a_token_opens_its_session_until_idle_time_or_close) {
    TestDatabase db;
    SessionStore store(db.db(), std::chrono::hours(8), std::chrono::hours(12));
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

TEST(Sessions, each_token_opens_its_own_session_however_the_tokens_alternate) {
    TestDatabase db;
    SessionStore store(db.db(), std::chrono::hours(8), std::chrono::hours(12));
    const std::string a = store.open({"000000000101", "Ana", "0001"});
    const std::string b = store.open({"000000000102", "Bruno", "0002"});
    // A token one character off the one just checked, at its end or its start.
    std::string lastOff = a, firstOff = a;
    lastOff.back() = lastOff.back() == '0' ? '1' : '0';
    firstOff.front() = firstOff.front() == '0' ? '1' : '0';
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(store.touch(a));
        EXPECT_EQ(store.touch(a)->user, "000000000101");
        EXPECT_FALSE(store.touch(lastOff));
        EXPECT_EQ(store.touch(b)->branch, "0002");
        ASSERT_TRUE(store.touch(a));
        EXPECT_FALSE(store.touch(firstOff));
        EXPECT_FALSE(store.touch(a.substr(0, 63)));
    }
    // Closed, the token just checked opens nothing, on this thread or another.
    EXPECT_TRUE(store.close(a));
    EXPECT_FALSE(store.touch(a));
    std::thread([&] {
        EXPECT_FALSE(store.touch(a));
        EXPECT_TRUE(store.touch(b));
    }).join();
    EXPECT_EQ(store.touch(b)->user, "000000000102");
}

TEST(Sessions, a_session_in_constant_use_still_ends_at_its_maximum_age) {
    TestDatabase db;
    SessionStore store(db.db(), std::chrono::hours(8), std::chrono::hours(12));
    const std::string a = store.open({"000000000101", "Ana", "0001"});
    for (int hour = 1; hour <= 11; ++hour) {
        store.ageAll(std::chrono::hours(1));
        ASSERT_TRUE(store.touch(a)) << "after " << hour << " h";
    }
    store.ageAll(std::chrono::hours(1) + std::chrono::seconds(1));
    EXPECT_FALSE(store.touch(a));
    EXPECT_FALSE(store.touch(a));  // and it stays ended
}

int storedSessions(Database& db) {
    int n = 0;
    db.acquire().sql() << "SELECT COUNT(*) FROM sessions", soci::into(n);
    return n;
}

std::int64_t storedLastUse(Database& db) {
    std::int64_t at = 0;
    db.acquire().sql() << "SELECT MAX(last_use_at) FROM sessions", soci::into(at);
    return at;
}

TEST(Sessions, a_session_outlives_its_server_and_is_served_by_every_other) {
    TestDatabase db;
    std::string token;
    {
        SessionStore first(db.db(), std::chrono::hours(8), std::chrono::hours(12));
        token = first.open({"000000000101", "Ana", "0001"});
    }
    SessionStore restarted(db.db(), std::chrono::hours(8), std::chrono::hours(12));
    SessionStore other(db.db(), std::chrono::hours(8), std::chrono::hours(12));
    ASSERT_TRUE(restarted.touch(token));
    EXPECT_EQ(other.touch(token)->branch, "0001");
    // The token itself is nowhere in the database, only its hash.
    std::string hash;
    db.db().acquire().sql() << "SELECT token_hash FROM sessions", soci::into(hash);
    EXPECT_EQ(hash.size(), 64u);
    EXPECT_NE(hash, token);
}

TEST(Sessions, a_logout_on_one_server_ends_the_session_on_the_others_within_a_second) {
    TestDatabase db;
    SessionStore a(db.db(), std::chrono::hours(8), std::chrono::hours(12));
    SessionStore b(db.db(), std::chrono::hours(8), std::chrono::hours(12));
    const std::string token = a.open({"000000000101", "Ana", "0001"});
    ASSERT_TRUE(b.touch(token));
    EXPECT_TRUE(a.close(token));
    EXPECT_FALSE(a.touch(token));
    std::this_thread::sleep_for(SessionStore::kRecheck + std::chrono::milliseconds(50));
    EXPECT_FALSE(b.touch(token));
    EXPECT_FALSE(b.close(token));
    EXPECT_EQ(storedSessions(db.db()), 0);
}

// The store's thread stays out of a test that checks what requests write.
constexpr std::chrono::hours kNoWriterRun{1};

TEST(Sessions, a_use_is_written_apart_from_the_request_and_at_most_once_a_minute) {
    TestDatabase db;
    SessionStore store(db.db(), std::chrono::hours(8), std::chrono::hours(12), kNoWriterRun);
    const std::string token = store.open({"000000000101", "Ana", "0001"});
    store.ageAll(std::chrono::minutes(5));
    const std::int64_t before = storedLastUse(db.db());
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(store.touch(token));
    // The requests read; none of them wrote.
    EXPECT_EQ(storedLastUse(db.db()), before);
    store.writeLastUses();
    const std::int64_t written = storedLastUse(db.db());
    EXPECT_GE(written, before + 5 * 60);
    // Used again within the minute: nothing more to write.
    ASSERT_TRUE(store.touch(token));
    store.writeLastUses();
    EXPECT_EQ(storedLastUse(db.db()), written);
}

TEST(Sessions, a_use_that_could_not_be_written_stays_due_until_it_is) {
    testing::TestOptions options;
    options.lockWait = std::chrono::milliseconds(300);
    TestDatabase db(options);
    SessionStore store(db.db(), std::chrono::hours(8), std::chrono::hours(12), kNoWriterRun);
    const std::string token = store.open({"000000000101", "Ana", "0001"});
    store.ageAll(std::chrono::minutes(5));
    const std::int64_t before = storedLastUse(db.db());
    {
        testing::LockHolder holder(db.db(), "LOCK TABLE sessions IN EXCLUSIVE MODE");
        ASSERT_TRUE(store.touch(token));  // a read, which the lock lets through
        EXPECT_THROW(store.writeLastUses(), DatabaseUnavailable);
        EXPECT_EQ(storedLastUse(db.db()), before);
    }
    store.writeLastUses();
    EXPECT_GE(storedLastUse(db.db()), before + 5 * 60);
}

TEST(Sessions, the_stores_own_thread_writes_a_due_use_without_being_asked) {
    TestDatabase db;
    SessionStore store(db.db(), std::chrono::hours(8), std::chrono::hours(12),
                       std::chrono::milliseconds(20));
    const std::string token = store.open({"000000000101", "Ana", "0001"});
    store.ageAll(std::chrono::minutes(5));
    const std::int64_t before = storedLastUse(db.db());
    ASSERT_TRUE(store.touch(token));
    // Bounded: 500 periods of the thread.
    for (int i = 0; i < 1000 && storedLastUse(db.db()) == before; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(storedLastUse(db.db()), before + 5 * 60);
}

TEST(Sessions, ended_sessions_are_deleted_from_the_database) {
    TestDatabase db;
    SessionStore store(db.db(), std::chrono::hours(8), std::chrono::hours(12));
    store.open({"000000000101", "Ana", "0001"});
    store.ageAll(std::chrono::hours(9));
    const std::string fresh = store.open({"000000000103", "Carla", "0001"});
    store.writeLastUses();
    EXPECT_EQ(storedSessions(db.db()), 1);
    EXPECT_TRUE(store.touch(fresh));
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
    threads.reserve(30);
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

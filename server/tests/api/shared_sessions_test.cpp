// Two application servers on one database, as behind a proxy: a session
// opened on one is served by the other, ended on both by a logout on either,
// and kept across a restart.
#include <gtest/gtest.h>

#include <thread>

#include "appserver/api/session_store.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

/// The status of a call that any open session may make.
int callStatus(TestServer& server, const std::string& token) {
    return server.call(token, "getHoraServidor", json::array()).status;
}

TEST(SharedSessions, a_session_is_served_by_every_server_and_a_logout_on_one_ends_it_on_all) {
    TestDatabase db;
    TestServer a(db);
    TestServer b(db);
    const std::string token = a.login("000000000101");
    ASSERT_FALSE(token.empty());
    EXPECT_EQ(callStatus(b, token), 200);
    EXPECT_EQ(b.post("/v1/logout", "{}", token).status, 200);
    EXPECT_EQ(callStatus(b, token), 401);
    // The other server had it cached; within a second it knows.
    std::this_thread::sleep_for(SessionStore::kRecheck + std::chrono::milliseconds(50));
    EXPECT_EQ(callStatus(a, token), 401);
}

TEST(SharedSessions, a_session_outlives_a_restart_of_its_server) {
    TestDatabase db;
    std::string token;
    {
        TestServer before(db);
        token = before.login("000000000101");
        ASSERT_EQ(callStatus(before, token), 200);
    }
    TestServer after(db);
    EXPECT_EQ(callStatus(after, token), 200);
}

}  // namespace
}  // namespace appserver::testing

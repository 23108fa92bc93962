// The work-team cache: one read per user within its age, a fresh read after it.
#include <gtest/gtest.h>

#include "appserver/remote/work_team_cache.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

constexpr const char* kAna = "000000000101";
constexpr const char* kDiego = "000000000104";  // outside Ana's work team

void joinAnasTeam(Database& db, const std::string& op) {
    auto lease = db.acquire();
    lease.sql() << "INSERT INTO team_members (team, operator) VALUES ('EQ01', :o)", soci::use(op);
}

TEST(WorkTeamCache, a_team_is_read_once_within_its_age_and_afresh_after_it) {
    TestDatabase t;
    WorkTeamCache kept(std::chrono::hours(1));
    WorkTeamCache fresh(std::chrono::seconds(0));
    auto lease = t.db().acquire();
    const auto before = kept.teamOf(lease, kAna);
    EXPECT_TRUE(before->contains(kAna));
    EXPECT_FALSE(before->contains(kDiego));
    ASSERT_NE(before->find("000000000102"), nullptr);
    EXPECT_FALSE(before->find("000000000102")->name.empty());
    EXPECT_EQ(before->find(kDiego), nullptr);

    joinAnasTeam(t.db(), kDiego);
    EXPECT_EQ(kept.teamOf(lease, kAna), before);
    EXPECT_FALSE(kept.teamOf(lease, kAna)->contains(kDiego));
    EXPECT_TRUE(fresh.teamOf(lease, kAna)->contains(kDiego));
}

TEST(WorkTeamCache, members_come_ordered_by_name_with_the_user_among_them) {
    TestDatabase t;
    WorkTeamCache cache(std::chrono::hours(1));
    auto lease = t.db().acquire();
    const auto& members = cache.teamOf(lease, kAna)->members();
    ASSERT_GE(members.size(), 2u);
    for (std::size_t i = 1; i < members.size(); ++i)
        EXPECT_LE(members[i - 1].name, members[i].name);
    EXPECT_TRUE(cache.teamOf(lease, kAna)->contains(kAna));
}

}  // namespace
}  // namespace appserver::testing

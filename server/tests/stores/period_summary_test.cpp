// The period summary's reads: the plan each database makes of them reads the
// day totals of the appropriations and of the punches by their keys
// (operator first, then the branch and the days), never by scanning a whole
// table, and never the rows or punches themselves; and a team's members
// with their versions by the keys of both.
#include <gtest/gtest.h>

#include <regex>

#include "appserver/stores/period_summary.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

/// A read with its parameters written in: EXPLAIN takes no bound values here.
std::string withValues(std::string sql, bool byTeam) {
    sql = std::regex_replace(sql, std::regex(":w\\b"), byTeam ? "'EQ01'" : "'000000000101'");
    sql = std::regex_replace(sql, std::regex(":b\\b"), "'0001'");
    sql = std::regex_replace(sql, std::regex(":f\\b"), "20423");
    return std::regex_replace(sql, std::regex(":l\\b"), "20453");
}

std::string planOf(Database& db, bool byTeam, SummaryRead read) {
    auto lease = db.acquire();
    const std::string sql = withValues(periodSummarySql(byTeam, read), byTeam);
    std::string plan, line;
    if (db.kind() == DatabaseKind::Sqlite) {
        int id = 0, parent = 0, unused = 0;
        soci::statement st = (lease.sql().prepare << "EXPLAIN QUERY PLAN " + sql, soci::into(id),
                              soci::into(parent), soci::into(unused), soci::into(line));
        st.execute();
        while (st.fetch()) plan += line + "\n";
    } else {
        // The test's tables are tiny: the planner would rightly scan them.
        // Whether it can use the indexes at all is what is asked here.
        lease.sql() << "SET enable_seqscan = off";
        soci::statement st = (lease.sql().prepare << "EXPLAIN " + sql, soci::into(line));
        st.execute();
        while (st.fetch()) plan += line + "\n";
        lease.sql() << "RESET enable_seqscan";
    }
    return plan;
}

TEST(PeriodSummary, reads_the_day_totals_by_their_keys_for_a_team_or_an_operator) {
    TestDatabase t;
    for (const bool byTeam : {true, false}) {
        const std::string rows = planOf(t.db(), byTeam, SummaryRead::Appropriations);
        const std::string punches = planOf(t.db(), byTeam, SummaryRead::Punches);
        SCOPED_TRACE(rows + punches);
        if (t.db().kind() == DatabaseKind::Sqlite) {
            // Each table of totals searched by its key, in the key's order
            // (no sort), none scanned whole, no row or punch read.
            EXPECT_NE(rows.find("SEARCH t USING PRIMARY KEY "
                                "(operator=? AND branch=? AND day>? AND day<?)"),
                      std::string::npos);
            EXPECT_NE(punches.find("SEARCH t USING PRIMARY KEY (operator=? AND day>? AND day<?)"),
                      std::string::npos);
            for (const std::string* plan : {&rows, &punches}) {
                EXPECT_EQ(plan->find("TEMP B-TREE"), std::string::npos);
                EXPECT_EQ(plan->find("SCAN "), std::string::npos);
            }
            EXPECT_EQ(planOf(t.db(), byTeam, SummaryRead::Closings).find("SCAN c"),
                      std::string::npos);
        } else {
            EXPECT_NE(rows.find("appropriation_day_totals_pkey"), std::string::npos);
            EXPECT_NE(punches.find("punch_day_totals_pkey"), std::string::npos);
            EXPECT_EQ(rows.find("Seq Scan"), std::string::npos);
            EXPECT_EQ(punches.find("Seq Scan"), std::string::npos);
        }
        for (const std::string* plan : {&rows, &punches}) {
            EXPECT_EQ(plan->find("appropriations_"), std::string::npos);
            EXPECT_EQ(plan->find("punches_"), std::string::npos);
        }
    }
}

TEST(PeriodSummary, reads_a_teams_members_and_versions_by_their_keys) {
    TestDatabase t;
    for (const bool byTeam : {true, false}) {
        const std::string members = planOf(t.db(), byTeam, SummaryRead::Members);
        SCOPED_TRACE(members);
        if (t.db().kind() == DatabaseKind::Sqlite) {
            // One stretch of the team's key, in its order, and one search of
            // each member's version.
            if (byTeam) {
                EXPECT_NE(members.find("SEARCH m USING COVERING INDEX"), std::string::npos);
                EXPECT_NE(members.find("(team=?)"), std::string::npos);
            }
            EXPECT_NE(members.find("SEARCH v USING PRIMARY KEY (operator=?)"), std::string::npos);
            EXPECT_EQ(members.find("TEMP B-TREE"), std::string::npos);
            EXPECT_EQ(members.find("SCAN "), std::string::npos);
        } else {
            EXPECT_NE(members.find("operator_totals_versions_pkey"), std::string::npos);
            EXPECT_EQ(members.find("Seq Scan"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace appserver::testing

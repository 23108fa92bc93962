// The period summary's one statement: the plan each database makes of it
// reads the appropriations and the punches through the indexes of the day's
// reads (operator and day first), never by scanning a whole table.
#include <gtest/gtest.h>

#include <regex>

#include "appserver/stores/period_summary.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

/// The statement with its parameters written in: EXPLAIN takes no bound values here.
std::string withValues(std::string sql, bool byTeam) {
    sql = std::regex_replace(sql, std::regex(":[to][0-9]"), byTeam ? "'EQ01'" : "'000000000101'");
    sql = std::regex_replace(sql, std::regex(":(b[0-9]|cb|ab)"), "'0001'");
    sql = std::regex_replace(sql, std::regex(":f[0-9]"), "20423");
    return std::regex_replace(sql, std::regex(":l[0-9]"), "20453");
}

std::string planOf(Database& db, bool byTeam) {
    auto lease = db.acquire();
    const std::string sql = withValues(periodSummarySql(db.kind(), byTeam), byTeam);
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

TEST(PeriodSummary, reads_rows_and_punches_through_the_day_indexes_for_a_team_or_an_operator) {
    TestDatabase t;
    for (const bool byTeam : {true, false}) {
        const std::string plan = planOf(t.db(), byTeam);
        SCOPED_TRACE(plan);
        EXPECT_NE(plan.find("appropriations_by_operator_day"), std::string::npos);
        EXPECT_NE(plan.find("punches_by_operator_day"), std::string::npos);
        if (t.db().kind() == DatabaseKind::Sqlite) {
            // Each table searched by its key, none scanned whole.
            EXPECT_NE(plan.find("USING INDEX appropriations_by_operator_day (operator=? AND "
                                "day>? AND day<?)"),
                      std::string::npos);
            EXPECT_NE(plan.find("USING INDEX punches_by_operator_day (operator=? AND day>? AND "
                                "day<?)"),
                      std::string::npos);
            EXPECT_EQ(plan.find("SCAN a"), std::string::npos);
            EXPECT_EQ(plan.find("SCAN p"), std::string::npos);
            EXPECT_EQ(plan.find("SCAN c"), std::string::npos);
            EXPECT_EQ(plan.find("SCAN o"), std::string::npos);
        } else {
            EXPECT_EQ(plan.find("Seq Scan on appropriations"), std::string::npos);
            EXPECT_EQ(plan.find("Seq Scan on punches"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace appserver::testing

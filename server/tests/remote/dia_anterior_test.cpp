// GetDiaAnterior: the day a day's appropriations are copied from.
#include <gtest/gtest.h>

#include "appserver/stores/appropriation_store.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;
using platform::dataset::DateTime;

constexpr const char* kAna = "000000000101";
constexpr const char* kCarla = "000000000103";  // Ana's team-mate
constexpr const char* kDiego = "000000000104";  // another team

class DiaAnterior : public ::testing::Test {
protected:
    TestServer server;
    std::string token = server.login(kAna);

    json previous(const std::string& op, const std::string& branch, const char* day) {
        return server.result(token, "GetDiaAnterior", {op, branch, date(day)})["rows"];
    }
    void insertOpenRow(const char* start) {
        auto lease = server.db().acquire();
        AppropriationRecord r;
        r.operatorCode = kAna;
        r.branch = "0001";
        r.task = "0000000001";
        r.activity = "00001";
        r.start = *DateTime::parseIso(start);
        r.stampStart = r.start;
        insertAppropriation(lease.sql(), r);
    }
};

TEST_F(DiaAnterior, answers_the_latest_earlier_day_with_rows_of_the_operator_at_the_branch) {
    // Ana at 0001 holds 2025-06-02, 2026-11-30 and 2026-12-07 (at 0002 only 2026-12-07,
    // which the session at 0001 cannot be asked of).
    EXPECT_EQ(previous(kAna, "0001", "2026-12-08"), json({{"2026-12-07T00:00:00"}}));
    EXPECT_EQ(previous(kAna, "0001", "2026-12-07"), json({{"2026-11-30T00:00:00"}}))
        << "the day itself is not earlier";
    EXPECT_EQ(previous(kAna, "0001", "2026-11-30"), json({{"2025-06-02T00:00:00"}}))
        << "across a year without rows";
    EXPECT_EQ(previous(kAna, "0001", "2025-06-02"), json::array());
    // A team-mate with no rows of his own has no day to copy from.
    EXPECT_EQ(previous(kCarla, "0001", "2026-12-08"), json::array());
}

TEST_F(DiaAnterior, a_day_of_open_rows_only_has_nothing_to_copy_and_is_passed_over) {
    insertOpenRow("2026-12-03T08:00:00");
    EXPECT_EQ(previous(kAna, "0001", "2026-12-04"), json({{"2026-11-30T00:00:00"}}));
}

TEST_F(DiaAnterior, is_refused_as_the_days_rows_are_for_another_team_or_branch) {
    EXPECT_EQ(server.call(token, "GetDiaAnterior", {kDiego, "0001", date("2026-12-08")}).status,
              403);
    EXPECT_EQ(server.call(token, "GetDiaAnterior", {kAna, "0002", date("2026-12-08")}).status, 403);
    EXPECT_EQ(server.call(token, "GetDiaAnterior", {kAna, "0001"}).status, 400);
}

}  // namespace
}  // namespace appserver::testing

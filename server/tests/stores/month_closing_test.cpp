// Closed months as stored: the month's text and days, and which days a
// closing holds (its first and last day, not the days around it).
#include <gtest/gtest.h>

#include "appserver/stores/month_closing.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using platform::dataset::DateTime;

constexpr const char* kAna = "000000000101";

TEST(CalendarMonth, reads_only_a_real_month_written_yyyy_mm) {
    const auto december = CalendarMonth::parse("2026-12");
    ASSERT_TRUE(december);
    EXPECT_EQ(december->year, 2026);
    EXPECT_EQ(december->month, 12);
    EXPECT_EQ(december->text(), "2026-12");
    EXPECT_EQ(CalendarMonth::parse("0001-01")->text(), "0001-01");
    for (const char* bad : {"2026-13", "2026-00", "0000-01", "abc", "2026-1", "202-12", "2026-123",
                            "2026_12", "+026-12", "2026-1a", " 2026-12", "2026-12 "})
        EXPECT_FALSE(CalendarMonth::parse(bad)) << '"' << bad << '"';
}

TEST(CalendarMonth, spans_its_days_from_the_first_to_the_last) {
    EXPECT_EQ(CalendarMonth::parse("2028-02")->lastDay(), DateTime::date(2028, 2, 29));
    EXPECT_EQ(CalendarMonth::parse("2026-02")->lastDay(), DateTime::date(2026, 2, 28));
    EXPECT_EQ(CalendarMonth::parse("2026-12")->lastDay(), DateTime::date(2026, 12, 31));
    EXPECT_EQ(CalendarMonth::parse("2026-04")->firstDay(), DateTime::date(2026, 4, 1));
    EXPECT_EQ(CalendarMonth::of(DateTime{2026, 4, 30, 23, 59, 59}).text(), "2026-04");
}

TEST(MonthClosings, a_closing_holds_exactly_its_months_days_for_its_operator_and_branch) {
    TestDatabase t;
    auto lease = t.db().acquire();
    const auto change = [&](const char* month, bool close) {
        WriteTransaction tx(lease);
        const bool changed = changeMonthClosing(
            lease, tx,
            MonthClosingChange{kAna, "0001", *CalendarMonth::parse(month), close, "admin",
                               "linha de comando", DateTime{2026, 12, 8, 10, 0, 0}});
        tx.commit();
        return changed;
    };
    EXPECT_TRUE(change("2026-02", true));
    EXPECT_FALSE(change("2026-02", true));
    const auto closed = [&](int y, int m, int d, const char* op = kAna, const char* b = "0001") {
        return isMonthClosed(lease, op, b, DateTime::date(y, m, d));
    };
    EXPECT_FALSE(closed(2026, 1, 31));
    EXPECT_TRUE(closed(2026, 2, 1));
    EXPECT_TRUE(closed(2026, 2, 28));
    EXPECT_FALSE(closed(2026, 3, 1));
    EXPECT_FALSE(closed(2026, 2, 10, "000000000103"));
    EXPECT_FALSE(closed(2026, 2, 10, kAna, "0002"));
    // A later instant of the last day is still the closed month's.
    EXPECT_TRUE(isMonthClosed(lease, kAna, "0001", DateTime{2026, 2, 28, 23, 59, 59}));

    EXPECT_TRUE(change("2026-03", true));
    const auto listed =
        monthClosings(lease.sql(), DateTime::date(2026, 2, 28), DateTime::date(2026, 3, 1));
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].closedBy, "admin");
    EXPECT_TRUE(monthClosings(lease.sql(), DateTime::date(2026, 4, 1), DateTime::date(2026, 4, 30))
                    .empty());
    EXPECT_TRUE(change("2026-02", false));
    EXPECT_FALSE(change("2026-02", false));
    EXPECT_FALSE(closed(2026, 2, 1));
    EXPECT_TRUE(closed(2026, 3, 1));
}

}  // namespace
}  // namespace appserver::testing

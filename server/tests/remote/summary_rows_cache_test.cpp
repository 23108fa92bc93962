// The summary's rows kept in wire form: found only for the very cells they
// were written from, with the same name and closed months; the entry used
// longest ago goes first.
#include <gtest/gtest.h>

#include "appserver/remote/summary_rows_cache.h"

namespace appserver {
namespace {

OperatorPeriod period(const std::string& code, const std::string& name) {
    auto days = std::make_shared<const DayCells>(DayCells{{100, 3600, std::nullopt}});
    return OperatorPeriod{code, name, std::move(days), {}};
}

std::shared_ptr<const std::string> text(const std::string& t) {
    return std::make_shared<const std::string>(t);
}

TEST(SummaryRowsCache, rows_are_found_for_their_cells_name_and_closings_and_for_no_others) {
    SummaryRowsCache cache;
    const OperatorPeriod ana = period("101", "Ana");
    EXPECT_EQ(cache.find(ana), nullptr);
    cache.keep(ana, text("[ana]"));
    ASSERT_NE(cache.find(ana), nullptr);
    EXPECT_EQ(*cache.find(ana), "[ana]");

    // The same days read again (the cell cache's new cells after a write)
    // are other cells, whatever they hold.
    OperatorPeriod reread = ana;
    reread.days = std::make_shared<const DayCells>(*ana.days);
    EXPECT_EQ(cache.find(reread), nullptr);

    OperatorPeriod renamed = ana;
    renamed.name = "Ana Lima";
    EXPECT_EQ(cache.find(renamed), nullptr) << "a new name";
    OperatorPeriod closed = ana;
    closed.closed = {{90, 120}};
    EXPECT_EQ(cache.find(closed), nullptr) << "a month closed";
    OperatorPeriod otherCode = ana;
    otherCode.code = "102";
    EXPECT_EQ(cache.find(otherCode), nullptr) << "another operator";

    // Kept again from the closed month, the text replaces the one before it.
    cache.keep(closed, text("[ana closed]"));
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_EQ(cache.find(ana), nullptr) << "the month reopened";
    ASSERT_NE(cache.find(closed), nullptr);
    EXPECT_EQ(*cache.find(closed), "[ana closed]");
}

TEST(SummaryRowsCache, the_entry_used_longest_ago_goes_first_and_none_is_kept_without_room) {
    SummaryRowsCache cache(2);
    const OperatorPeriod a = period("101", "Ana"), b = period("102", "Bruno"),
                         c = period("103", "Carla");
    cache.keep(a, text("a"));
    cache.keep(b, text("b"));
    ASSERT_NE(cache.find(a), nullptr);  // a used after b
    cache.keep(c, text("c"));
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_NE(cache.find(a), nullptr);
    EXPECT_EQ(cache.find(b), nullptr);
    EXPECT_NE(cache.find(c), nullptr);

    SummaryRowsCache none(0);
    none.keep(a, text("a"));
    EXPECT_EQ(none.find(a), nullptr);
    EXPECT_EQ(none.size(), 0u);
}

TEST(SummaryRowsCache, an_entry_holds_its_cells_so_that_new_cells_never_pass_for_them) {
    SummaryRowsCache cache;
    OperatorPeriod a = period("101", "Ana");
    const std::weak_ptr<const DayCells> held = a.days;
    cache.keep(a, text("a"));
    a.days.reset();
    // Freed, the cells' address could go to the next cells made: held, it cannot.
    EXPECT_FALSE(held.expired());
    for (int i = 0; i < 64; ++i) EXPECT_EQ(cache.find(period("101", "Ana")), nullptr);
}

}  // namespace
}  // namespace appserver

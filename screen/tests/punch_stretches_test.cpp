// The arithmetic of filling a row from the punches: pairing, the rows taken
// away, the tolerance of five minutes.
#include "punch_stretches.h"

#include <gtest/gtest.h>

namespace Cli_Zep00700::punch_stretches {
namespace {

constexpr int at(int h, int m, int s = 0) {
    return h * 3600 + m * 60 + s;
}

Punch in(int h, int m, int s = 0) {
    return {at(h, m, s), true};
}

Punch out(int h, int m, int s = 0) {
    return {at(h, m, s), false};
}

Row row(int fromH, int fromM, int toH, int toM) {
    return {at(fromH, fromM), at(toH, toM)};
}

const std::vector<Punch> kRegularDay = {in(8, 0), out(12, 0), in(13, 0), out(17, 30)};

TEST(PunchStretches, each_entry_pairs_with_the_exit_that_follows_it_in_the_list) {
    EXPECT_EQ(punchedStretches(kRegularDay, std::nullopt),
              (std::vector<Span>{{at(8, 0), at(12, 0)}, {at(13, 0), at(17, 30)}}));
    // The list's order, not the times': an exit listed before an entry closes nothing.
    EXPECT_EQ(punchedStretches({out(7, 0), in(8, 0), out(9, 0)}, std::nullopt),
              (std::vector<Span>{{at(8, 0), at(9, 0)}}));
    // Two entries in a row (a fifth and sixth punch numbered "1"/"1"): both
    // run to the exit after them, so the stretches join.
    EXPECT_EQ(punchedStretches({in(8, 0), in(9, 0), out(10, 0)}, std::nullopt),
              (std::vector<Span>{{at(8, 0), at(10, 0)}}));
    // An exit listed after its entry but earlier in time covers nothing.
    EXPECT_TRUE(punchedStretches({in(10, 0), out(9, 0)}, std::nullopt).empty());
}

TEST(PunchStretches, an_entry_without_exit_runs_to_the_given_end_or_covers_nothing) {
    const std::vector<Punch> punches = {in(8, 0), out(12, 0), in(13, 0)};
    EXPECT_TRUE(hasOpenEntry(punches));
    EXPECT_FALSE(hasOpenEntry(kRegularDay));
    EXPECT_EQ(punchedStretches(punches, at(15, 10, 7)),
              (std::vector<Span>{{at(8, 0), at(12, 0)}, {at(13, 0), at(15, 10, 7)}}));
    EXPECT_EQ(punchedStretches(punches, std::nullopt), (std::vector<Span>{{at(8, 0), at(12, 0)}}));
    // The end given before the entry (a clock punched ahead of the server): nothing.
    EXPECT_EQ(punchedStretches({in(13, 0)}, at(12, 0)), std::vector<Span>{});
}

TEST(PunchStretches, rows_take_away_what_they_cover_and_a_split_stretch_keeps_its_pieces) {
    // A stretch split by two rows: three pieces, in order.
    EXPECT_EQ(
        uncovered({{at(8, 0), at(12, 0)}}, {row(10, 30, 11, 0), row(9, 0, 10, 0)}),
        (std::vector<Span>{{at(8, 0), at(9, 0)}, {at(10, 0), at(10, 30)}, {at(11, 0), at(12, 0)}}));
    // A row overhanging a punch on either side takes the stretch's edge only.
    EXPECT_EQ(uncovered({{at(8, 0), at(12, 0)}}, {row(7, 0, 9, 0), row(11, 0, 13, 0)}),
              (std::vector<Span>{{at(9, 0), at(11, 0)}}));
    // A row without end covers from its start to the end of the day.
    EXPECT_EQ(uncovered({{at(8, 0), at(12, 0)}, {at(13, 0), at(17, 0)}}, {{at(11, 0), {}}}),
              (std::vector<Span>{{at(8, 0), at(11, 0)}}));
    // Rows covering everything leave nothing.
    EXPECT_TRUE(uncovered({{at(8, 0), at(12, 0)}}, {row(8, 0, 10, 0), row(10, 0, 12, 0)}).empty());
}

TEST(PunchStretches, a_remainder_of_five_minutes_is_left_out_and_one_second_more_is_kept) {
    EXPECT_TRUE(uncovered({{at(8, 0), at(8, 5)}}, {}).empty());
    EXPECT_EQ(uncovered({{at(8, 0), at(8, 5, 1)}}, {}),
              (std::vector<Span>{{at(8, 0), at(8, 5, 1)}}));
    // The tolerance is of what remains after the rows, not of the punched stretch.
    EXPECT_TRUE(uncovered({{at(8, 0), at(12, 0)}}, {row(8, 5, 12, 0)}).empty());
    const auto first =
        firstStretchToFill({in(8, 0), out(8, 5), in(9, 0, 30), out(9, 5, 31)}, {}, std::nullopt);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, (Span{at(9, 0, 30), at(9, 5, 31)}));
}

TEST(PunchStretches, the_first_stretch_to_fill_is_the_earliest_left_or_none) {
    EXPECT_EQ(firstStretchToFill(kRegularDay, {row(8, 0, 12, 0)}, std::nullopt),
              (Span{at(13, 0), at(17, 30)}));
    EXPECT_FALSE(
        firstStretchToFill(kRegularDay, {row(8, 0, 12, 0), row(13, 0, 17, 30)}, std::nullopt));
    EXPECT_FALSE(firstStretchToFill({}, {}, at(10, 0)));
    // Punches outside the day (an exit of the next morning) are held to the day.
    EXPECT_EQ(firstStretchToFill({in(22, 0), {kDayEnd + 3600, false}}, {}, std::nullopt),
              (Span{at(22, 0), kDayEnd}));
}

}  // namespace
}  // namespace Cli_Zep00700::punch_stretches

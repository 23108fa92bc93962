// The numbering of a day's punches: events, directions, and the day a punch belongs to.
#include <gtest/gtest.h>

#include "appserver/clockfile/punch_numbering.h"

#include "platform/dataset/datetime.h"

namespace appserver {
namespace {

using platform::dataset::DateTime;

SequencedPunch clockPunch(const char* iso, std::optional<int> offset = -180) {
    SequencedPunch p;
    p.civil = DateTime::parseIso(iso)->toSeconds();
    p.utcOffsetMinutes = offset;
    return p;
}

std::int64_t day(const char* iso) {
    return DateTime::parseIso(iso)->dayNumber();
}

std::vector<std::string> events(const std::vector<SequencedPunch>& ps) {
    std::vector<std::string> out;
    out.reserve(ps.size());
    for (const auto& p : ps) out.push_back(p.event + "/" + p.direction);
    return out;
}

TEST(PunchNumbering, a_day_gets_E1_S1_E2_S2_then_alternating_fallback_codes) {
    std::vector<SequencedPunch> ps;
    for (const char* t : {"2026-12-08T17:00:00", "2026-12-08T08:00:00", "2026-12-08T12:00:00",
                          "2026-12-08T13:00:00", "2026-12-08T19:00:00", "2026-12-08T20:00:00",
                          "2026-12-08T20:30:00"})
        ps.push_back(clockPunch(t));
    numberPunches(ps);
    EXPECT_EQ(events(ps),
              (std::vector<std::string>{"E1/1", "S1/2", "E2/1", "S2/2", "1/1", "2/2", "1/1"}));
    EXPECT_EQ(ps[0].civil, DateTime::parseIso("2026-12-08T08:00:00")->toSeconds());
    EXPECT_EQ(ps[6].ordinal, 7);
    for (const auto& p : ps) EXPECT_EQ(p.day, day("2026-12-08"));
}

TEST(PunchNumbering, an_exit_after_midnight_belongs_to_the_day_its_shift_began) {
    std::vector<SequencedPunch> ps = {
        clockPunch("2026-12-08T22:00:00"), clockPunch("2026-12-09T01:30:00"),
        clockPunch("2026-12-09T07:00:00"), clockPunch("2026-12-09T11:00:00"),
        // An entry left without exit: the next morning's punch is not its exit.
        clockPunch("2026-12-09T13:00:00"), clockPunch("2026-12-10T07:00:00")};
    numberPunches(ps);
    EXPECT_EQ(ps[0].day, day("2026-12-08"));
    EXPECT_EQ(ps[1].day, day("2026-12-08"));
    EXPECT_EQ(ps[1].event, "S1");
    EXPECT_EQ(ps[2].day, day("2026-12-09"));
    EXPECT_EQ(ps[2].event, "E1");
    EXPECT_EQ(ps[4].event, "E2");
    EXPECT_EQ(ps[5].day, day("2026-12-10"));  // 18 hours after the entry
    EXPECT_EQ(ps[5].event, "E1");
}

TEST(PunchNumbering, the_true_instant_orders_punches_across_the_end_of_daylight_saving) {
    // The clocks go back at midnight from -0200 to -0300: 23:10 at -0300
    // comes 40 minutes after 23:30 at -0200.
    std::vector<SequencedPunch> ps = {clockPunch("2026-02-21T23:10:00", -180),
                                      clockPunch("2026-02-21T23:30:00", -120),
                                      clockPunch("2026-02-21T20:00:00", -120)};
    numberPunches(ps);
    EXPECT_EQ(events(ps), (std::vector<std::string>{"E1/1", "S1/2", "E2/1"}));
    EXPECT_EQ(ps[1].civil, DateTime::parseIso("2026-02-21T23:30:00")->toSeconds());
    EXPECT_EQ(ps[2].civil, DateTime::parseIso("2026-02-21T23:10:00")->toSeconds());
}

TEST(PunchNumbering, fixed_context_and_punches_of_other_origins_keep_their_day) {
    SequencedPunch context = clockPunch("2026-12-07T22:00:00");
    context.fixed = true;
    context.day = day("2026-12-07");
    context.direction = "1";
    context.event = "E1";
    context.ordinal = 1;
    SequencedPunch manual = clockPunch("2026-12-08T10:00:00", std::nullopt);
    manual.dayFixed = true;
    manual.day = day("2026-12-09");
    std::vector<SequencedPunch> ps = {clockPunch("2026-12-08T02:00:00"), manual, context};
    numberPunches(ps);
    EXPECT_EQ(ps[0].event, "E1");  // the context, untouched
    EXPECT_EQ(ps[1].day, day("2026-12-07"));
    EXPECT_EQ(ps[1].event, "S1");
    EXPECT_EQ(ps[2].day, day("2026-12-09"));
    EXPECT_EQ(ps[2].event, "E1");
}

}  // namespace
}  // namespace appserver

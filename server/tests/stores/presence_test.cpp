// The punched-presence check behind IDCHECK and the day's measured total.
#include <gtest/gtest.h>

#include "appserver/stores/presence.h"
#include "platform/dataset/datetime.h"

namespace appserver {
namespace {

using platform::dataset::DateTime;

PunchRecord punch(const char* at, const char* direction) {
    PunchRecord p;
    p.at = *DateTime::parseIso(at);
    p.direction = direction;
    return p;
}

std::int64_t at(const char* t) {
    return DateTime::parseIso(t)->toSeconds();
}

TEST(Presence, pairs_each_entry_with_the_following_exit) {
    const Presence p = Presence::fromPunches(
        {punch("2026-12-07T08:00:00", "1"), punch("2026-12-07T12:00:00", "2"),
         punch("2026-12-07T12:30:00", "2"), punch("2026-12-07T13:00:00", "1"),
         punch("2026-12-07T14:00:00", "1"), punch("2026-12-07T17:00:00", "2")});
    ASSERT_EQ(p.spans.size(), 2u);
    EXPECT_EQ(p.totalSeconds(), 4 * 3600 + 3 * 3600);
    EXPECT_FALSE(p.flags(at("2026-12-07T08:00:00"), at("2026-12-07T12:00:00")));
    EXPECT_TRUE(p.flags(at("2026-12-07T11:00:00"), at("2026-12-07T12:01:00")));
    EXPECT_TRUE(p.flags(at("2026-12-07T07:59:00"), at("2026-12-07T09:00:00")));
    EXPECT_TRUE(p.flags(at("2026-12-07T12:10:00"), at("2026-12-07T12:20:00")));
    EXPECT_FALSE(p.flags(at("2026-12-07T15:00:00"), std::nullopt));
    EXPECT_TRUE(p.flags(at("2026-12-07T13:30:00"), std::nullopt));
    EXPECT_FALSE(
        Presence::fromPunches({}).flags(at("2026-12-07T01:00:00"), at("2026-12-07T02:00:00")));
    EXPECT_FALSE(Presence::fromPunches({punch("2026-12-07T08:00:00", "1")}).totalSeconds());
}

TEST(Presence, an_entry_without_its_exit_is_presence_up_to_now_today_and_to_its_days_end_before) {
    const std::vector<PunchRecord> punches = {punch("2026-12-07T08:00:00", "1"),
                                              punch("2026-12-07T12:00:00", "2"),
                                              punch("2026-12-07T13:00:00", "1")};
    // Today, at 15:00: in since 13:00.
    const Presence today =
        Presence::fromPunches(punches, *DateTime::parseIso("2026-12-07T15:00:00"));
    EXPECT_FALSE(today.flags(at("2026-12-07T13:30:00"), at("2026-12-07T14:30:00")));
    EXPECT_FALSE(today.flags(at("2026-12-07T13:30:00"), std::nullopt)) << "the row being worked on";
    EXPECT_TRUE(today.flags(at("2026-12-07T14:30:00"), at("2026-12-07T15:30:00")))
        << "past the server's now";
    EXPECT_TRUE(today.flags(at("2026-12-07T12:30:00"), std::nullopt)) << "before the entry";
    EXPECT_EQ(today.totalSeconds(), 4 * 3600) << "the measured time stays the closed spans'";

    // An earlier day: the exit the clock or the operator missed is not the row's fault.
    const Presence before =
        Presence::fromPunches(punches, *DateTime::parseIso("2026-12-08T10:00:00"));
    EXPECT_FALSE(before.flags(at("2026-12-07T13:30:00"), at("2026-12-07T23:00:00")));
    EXPECT_TRUE(before.flags(at("2026-12-07T12:10:00"), at("2026-12-07T12:50:00")));

    // Before the entry was punched, it makes no presence yet.
    const Presence early =
        Presence::fromPunches(punches, *DateTime::parseIso("2026-12-07T12:30:00"));
    EXPECT_TRUE(early.flags(at("2026-12-07T13:30:00"), std::nullopt));

    // Without a now (the measured total), an entry without exit makes none.
    EXPECT_TRUE(Presence::fromPunches(punches).flags(at("2026-12-07T13:30:00"), std::nullopt));
}

}  // namespace
}  // namespace appserver

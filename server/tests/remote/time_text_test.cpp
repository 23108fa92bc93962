// Time texts, row keys and the punched-presence check behind IDCHECK.
#include <gtest/gtest.h>

#include "appserver/time_text.h"
#include "atividades_rows.h"

namespace appserver {
namespace {

using platform::dataset::DateTime;

TEST(TimeText, durations_print_as_hours_minutes_seconds_past_24_hours) {
    EXPECT_EQ(formatDuration(0), "00:00:00");
    EXPECT_EQ(formatDuration(3661), "01:01:01");
    EXPECT_EQ(formatDuration(25 * 3600 + 30 * 60), "25:30:00");
    EXPECT_EQ(formatDuration(86399), "23:59:59");
    EXPECT_EQ(formatDuration(100 * 3600 + 59), "100:00:59");
    EXPECT_EQ(formatDuration(123456 * 3600LL + 9 * 60 + 5), "123456:09:05");
    EXPECT_EQ(formatDuration(-5), "00:00:00");
}

TEST(TimeText, chave2_round_trips_the_record_number) {
    AppropriationRecord r;
    r.id = 42;
    r.operatorCode = "000000000101";
    r.branch = "0001";
    EXPECT_EQ(chave2Of(r), "00000000010100010000000000000000042");
    EXPECT_EQ(idFromChave2(chave2Of(r)), 42);
    EXPECT_FALSE(idFromChave2("x"));
    EXPECT_FALSE(idFromChave2("000000000101000100000000000000000-1"));
    EXPECT_FALSE(idFromChave2("00000000010100010000000000000000000"));
}

PunchRecord punch(const char* at, const char* direction) {
    PunchRecord p;
    p.at = *DateTime::parseIso(at);
    p.direction = direction;
    return p;
}

std::int64_t at(const char* t) {
    return DateTime::parseIso(t)->toSeconds();
}

TEST(TimeText, presence_pairs_each_entry_with_the_following_exit) {
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

}  // namespace
}  // namespace appserver

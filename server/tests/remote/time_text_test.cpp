// Time texts and row keys.
#include <gtest/gtest.h>

#include "appserver/remote/atividades_rows.h"
#include "appserver/remote/time_text.h"

namespace appserver {
namespace {

TEST(TimeText, durations_print_as_hours_minutes_seconds_past_24_hours) {
    EXPECT_EQ(formatDuration(0), "00:00:00");
    EXPECT_EQ(formatDuration(3661), "01:01:01");
    EXPECT_EQ(formatDuration(25 * 3600 + 30 * 60), "25:30:00");
    EXPECT_EQ(formatDuration(86399), "23:59:59");
    EXPECT_EQ(formatDuration(100 * 3600 - 1), "99:59:59");
    EXPECT_EQ(formatDuration(100 * 3600 + 59), "100:00:59");
    EXPECT_EQ(formatDuration(123456 * 3600LL + 9 * 60 + 5), "123456:09:05");
    EXPECT_EQ(formatDuration(-5), "00:00:00");
    std::string out = "\"";
    appendDuration(out, 45296);
    appendDuration(out, 360000);
    EXPECT_EQ(out, "\"12:34:56100:00:00");
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

}  // namespace
}  // namespace appserver

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/dataset/datetime.h"

using platform::dataset::DateTime;

TEST(DateTime, DayNumberRoundTripsAcrossCenturiesAndLeapDays) {
    for (std::int64_t d = -700000; d <= 700000; d += 997) {
        DateTime dt = DateTime::fromDayNumber(d);
        ASSERT_TRUE(dt.isValid()) << d;
        ASSERT_EQ(dt.dayNumber(), d);
    }
    EXPECT_EQ(DateTime::date(1970, 1, 1).dayNumber(), 0);
    EXPECT_EQ(DateTime::date(2000, 3, 1).dayNumber() - DateTime::date(2000, 2, 28).dayNumber(), 2);
    EXPECT_EQ(DateTime::date(1900, 3, 1).dayNumber() - DateTime::date(1900, 2, 28).dayNumber(), 1);
}

TEST(DateTime, ValidityRejectsImpossibleDatesAndTimes) {
    EXPECT_TRUE(DateTime::date(2024, 2, 29).isValid());
    EXPECT_FALSE(DateTime::date(2026, 2, 29).isValid());
    EXPECT_FALSE(DateTime::date(2026, 4, 31).isValid());
    EXPECT_FALSE((DateTime{2026, 1, 1, 24, 0, 0}.isValid()));
    EXPECT_FALSE(DateTime{}.isValid());
    EXPECT_TRUE(DateTime{}.isZero());
}

TEST(DateTime, IsoParsingIsStrict) {
    EXPECT_EQ(DateTime::parseIso("2026-12-08T08:05:09"), (DateTime{2026, 12, 8, 8, 5, 9}));
    EXPECT_EQ(DateTime::parseIso("2026-12-08"), DateTime::date(2026, 12, 8));
    EXPECT_FALSE(DateTime::parseIso("2026-02-30"));
    EXPECT_FALSE(DateTime::parseIso("2026-12-08T8:05:09"));
    EXPECT_FALSE(DateTime::parseIso("2026-12-08X08:05:09"));
    EXPECT_FALSE(DateTime::parseIso("26-12-08"));
    EXPECT_FALSE(DateTime::parseIso(""));
}

namespace {

/// parseIso written the plain way, one character at a time.
std::optional<DateTime> isoByHand(const std::string& text) {
    if (text.size() != 10 && text.size() != 19) return std::nullopt;
    const std::string form = text.size() == 10 ? "dddd-dd-dd" : "dddd-dd-ddTdd:dd:dd";
    for (std::size_t i = 0; i < form.size(); ++i) {
        const char c = text[i];
        const bool ok = form[i] == 'd'   ? c >= '0' && c <= '9'
                        : form[i] == 'T' ? c == 'T' || c == ' '
                                         : c == form[i];
        if (!ok) return std::nullopt;
    }
    const auto number = [&](std::size_t at, std::size_t n) {
        return std::stoi(text.substr(at, n));
    };
    DateTime dt{number(0, 4), number(5, 2), number(8, 2), 0, 0, 0};
    if (text.size() == 19) {
        dt.hour = number(11, 2);
        dt.minute = number(14, 2);
        dt.second = number(17, 2);
    }
    if (!dt.isValid()) return std::nullopt;
    return dt;
}

}  // namespace

TEST(DateTime, IsoParsingReadsEveryCharacterItsPlace) {
    // Every byte at every place of both forms, and the edges of each part.
    for (const std::string base : {"2024-02-29T23:59:59", "2024-02-29", "0001-01-01T00:00:00"}) {
        for (std::size_t at = 0; at < base.size(); ++at) {
            for (int byte = 0; byte < 256; ++byte) {
                std::string text = base;
                text[at] = static_cast<char>(byte);
                ASSERT_EQ(DateTime::parseIso(text), isoByHand(text)) << text;
            }
        }
    }
    for (const char* text : {"0000-01-01", "9999-12-31T23:59:59", "2026-00-10", "2026-13-10",
                             "2026-01-00", "2026-01-32", "2100-02-29", "2000-02-29", "2026-04-31",
                             "2026-01-01T24:00:00", "2026-01-01T00:60:00", "2026-01-01T00:00:60",
                             "2026-01-01 12:00:00", "2026-01-01T12:00:0", "2026-01-01T12:00:000"})
        EXPECT_EQ(DateTime::parseIso(text), isoByHand(text)) << text;
}

TEST(DateTime, FormatsForDisplayAndWire) {
    DateTime dt{2026, 1, 2, 3, 4, 5};
    EXPECT_EQ(dt.toIso(), "2026-01-02T03:04:05");
    EXPECT_EQ(dt.toDisplay(), "02/01/2026 03:04:05");
    EXPECT_EQ(dt.toDisplayDate(), "02/01/2026");
}

TEST(DateTime, MonthStepsClampToTheLastDayAndCrossYears) {
    EXPECT_EQ(DateTime::date(2026, 1, 31).addMonths(1), DateTime::date(2026, 2, 28));
    EXPECT_EQ(DateTime::date(2024, 1, 31).addMonths(1), DateTime::date(2024, 2, 29));
    EXPECT_EQ(DateTime::date(2026, 12, 15).addMonths(1), DateTime::date(2027, 1, 15));
    EXPECT_EQ(DateTime::date(2026, 1, 15).addMonths(-1), DateTime::date(2025, 12, 15));
    EXPECT_EQ(DateTime::date(2026, 3, 31).addMonths(-1), DateTime::date(2026, 2, 28));
}

TEST(DateTime, WeekdaysAndSecondArithmetic) {
    EXPECT_EQ(DateTime::date(2026, 12, 8).dayOfWeek(), 2);  // a Tuesday
    EXPECT_EQ(DateTime::date(1969, 12, 28).dayOfWeek(), 0);
    DateTime late{2026, 12, 31, 23, 59, 59};
    EXPECT_EQ(late.addSeconds(1), DateTime::date(2027, 1, 1));
    EXPECT_EQ(DateTime::date(2027, 1, 1).addSeconds(-1), late);
}

TEST(DateTime, ReadsTheUsersDateAndTimeForms) {
    EXPECT_EQ(DateTime::parseDisplay("08/12/2026 08:05:09"), (DateTime{2026, 12, 8, 8, 5, 9}));
    EXPECT_EQ(DateTime::parseDisplay("8/12/2026  8:05"),
              (DateTime{2026, 12, 8, 8, 5, 0}));  // masked time: leading blank
    EXPECT_EQ(DateTime::parseDisplay(" 08/12/2026 "), DateTime::date(2026, 12, 8));
    EXPECT_FALSE(DateTime::parseDisplay("29/02/2026"));
    EXPECT_FALSE(DateTime::parseDisplay("08/12/26"));
    EXPECT_FALSE(DateTime::parseDisplay("08/12/2026 24:00:00"));
    EXPECT_FALSE(DateTime::parseDisplay("08/12/202608:00:00"));
    EXPECT_FALSE(DateTime::parseDisplay("08/12/2026 08:00:00x"));
    EXPECT_FALSE(DateTime::parseDisplay(""));
}

TEST(DateTime, ReadsTimesOfDay) {
    EXPECT_EQ(DateTime::parseTime("23:59:59"), 86399);
    EXPECT_EQ(DateTime::parseTime(" 8:00:00"), 8 * 3600);
    EXPECT_EQ(DateTime::parseTime("10:30"), 10 * 3600 + 30 * 60);
    EXPECT_FALSE(DateTime::parseTime("24:00:00"));
    EXPECT_FALSE(DateTime::parseTime("12:60:00"));
    EXPECT_FALSE(DateTime::parseTime("12:00:60"));
    EXPECT_FALSE(DateTime::parseTime("  :  :  "));
    EXPECT_FALSE(DateTime::parseTime("1a:00:00"));
}

TEST(DateTime, FormatsWithAPattern) {
    DateTime dt{2026, 3, 7, 9, 5, 4};
    EXPECT_EQ(dt.format("yyyy"), "2026");
    EXPECT_EQ(dt.format("dd/mm/yy hh:nn:ss"), "07/03/26 09:05:04");
    EXPECT_EQ(dt.format("d/m/yyyy h:n:s"), "7/3/2026 9:5:4");
    EXPECT_EQ(dt.format("\"day\" dd 'of' mm"), "day 07 of 03");
    EXPECT_EQ(dt.format("YYYY-MM-DD"), "2026-03-07");
}

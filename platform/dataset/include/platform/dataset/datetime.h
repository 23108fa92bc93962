#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dataset/export.h"

namespace platform::dataset {

/// A local civil date and time to the second, with no time zone. A date is a
/// DateTime at 00:00:00. The zero value (all fields 0) is "no date" and is
/// not valid.
struct PLATFORM_DATASET_EXPORT DateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    static DateTime date(int y, int m, int d) { return {y, m, d, 0, 0, 0}; }

    bool isValid() const;
    bool isZero() const {
        return year == 0 && month == 0 && day == 0 && hour == 0 && minute == 0 && second == 0;
    }

    /// The date part (time set to 00:00:00).
    DateTime datePart() const { return {year, month, day, 0, 0, 0}; }
    /// Seconds since midnight.
    int secondsOfDay() const { return hour * 3600 + minute * 60 + second; }

    /// Days since 1970-01-01 of the date part (negative before it).
    std::int64_t dayNumber() const;
    static DateTime fromDayNumber(std::int64_t days);
    /// Seconds since 1970-01-01T00:00:00 of this civil instant.
    std::int64_t toSeconds() const;
    static DateTime fromSeconds(std::int64_t seconds);

    DateTime addDays(std::int64_t days) const;
    DateTime addSeconds(std::int64_t seconds) const;
    /// Month arithmetic; a day the target month lacks becomes its last day.
    DateTime addMonths(int months) const;

    /// 0 = Sunday … 6 = Saturday.
    int dayOfWeek() const;

    /// "YYYY-MM-DDTHH:MM:SS".
    std::string toIso() const;
    /// "YYYY-MM-DD".
    std::string toIsoDate() const;
    /// Strict: "YYYY-MM-DDTHH:MM:SS" or "YYYY-MM-DD"; nullopt when malformed or not a real date.
    static std::optional<DateTime> parseIso(std::string_view text);

    /// The user's form: "d/m/yyyy", optionally followed by blanks and "h:n" or
    /// "h:n:s" (one or two digits each; a leading blank before a one-digit
    /// hour is fine). Blanks around the whole are ignored. nullopt when
    /// malformed or not a real date and time.
    static std::optional<DateTime> parseDisplay(std::string_view text);

    /// A time of day typed as "h:n" or "h:n:s" (one or two digits each,
    /// blanks around ignored), as seconds since midnight; nullopt when
    /// malformed or out of range (hours 0-23, minutes and seconds 0-59).
    static std::optional<int> parseTime(std::string_view text);

    /// Formats with a pattern: "yyyy", "yy", "mm"/"m" (month), "dd"/"d",
    /// "hh"/"h", "nn"/"n" (minutes), "ss"/"s"; letters are matched without
    /// regard to case, text in double or single quotes and any other
    /// character are copied as they are. Example: format("yyyy") gives "2026".
    std::string format(std::string_view pattern) const;

    /// "dd/mm/yyyy hh:nn:ss" (a date at midnight prints its time too).
    std::string toDisplay() const;
    /// "dd/mm/yyyy".
    std::string toDisplayDate() const;
    /// "hh:nn:ss".
    std::string toDisplayTime() const;

    auto operator<=>(const DateTime&) const = default;
    bool operator==(const DateTime&) const = default;
};

PLATFORM_DATASET_EXPORT bool isLeapYear(int year);
PLATFORM_DATASET_EXPORT int daysInMonth(int year, int month);

}  // namespace platform::dataset

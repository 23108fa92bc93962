#include "platform/dataset/datetime.h"

#include <fmt/format.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace platform::dataset {

namespace {

// The exported functions below may be interposed, so the compiler calls them
// even from this file; the parsing of every date-time of every answer uses
// these instead.

bool leapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int monthLength(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && leapYear(year) ? 29 : kDays[month - 1];
}

bool valid(const DateTime& dt) {
    return dt.year >= 1 && dt.year <= 9999 && dt.month >= 1 && dt.month <= 12 && dt.day >= 1 &&
           dt.day <= monthLength(dt.year, dt.month) && dt.hour >= 0 && dt.hour <= 23 &&
           dt.minute >= 0 && dt.minute <= 59 && dt.second >= 0 && dt.second <= 59;
}

}  // namespace

bool isLeapYear(int year) {
    return leapYear(year);
}

int daysInMonth(int year, int month) {
    return monthLength(year, month);
}

bool DateTime::isValid() const {
    return valid(*this);
}

// Civil-from-days and days-from-civil after the well-known era-based algorithm.
std::int64_t DateTime::dayNumber() const {
    const std::int64_t y = month <= 2 ? year - 1 : year;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

DateTime DateTime::fromDayNumber(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    return DateTime::date(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d));
}

std::int64_t DateTime::toSeconds() const {
    return dayNumber() * 86400 + secondsOfDay();
}

DateTime DateTime::fromSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    DateTime dt = fromDayNumber(days);
    dt.hour = static_cast<int>(rest / 3600);
    dt.minute = static_cast<int>(rest / 60 % 60);
    dt.second = static_cast<int>(rest % 60);
    return dt;
}

DateTime DateTime::addDays(std::int64_t days) const {
    DateTime dt = fromDayNumber(dayNumber() + days);
    dt.hour = hour;
    dt.minute = minute;
    dt.second = second;
    return dt;
}

DateTime DateTime::addSeconds(std::int64_t seconds) const {
    return fromSeconds(toSeconds() + seconds);
}

DateTime DateTime::addMonths(int months) const {
    int total = year * 12 + (month - 1) + months;
    DateTime dt = *this;
    dt.year = total / 12;
    dt.month = total % 12 + 1;
    dt.day = std::min(day, daysInMonth(dt.year, dt.month));
    return dt;
}

int DateTime::dayOfWeek() const {
    // 1970-01-01 was a Thursday (4).
    std::int64_t w = (dayNumber() + 4) % 7;
    return static_cast<int>(w < 0 ? w + 7 : w);
}

std::string DateTime::toIso() const {
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", year, month, day, hour, minute,
                       second);
}

std::string DateTime::toIsoDate() const {
    return fmt::format("{:04}-{:02}-{:02}", year, month, day);
}

namespace {

/// The two digits at `s`, or -1.
int twoDigits(const char* s) {
    const unsigned tens = static_cast<unsigned char>(s[0]) - unsigned{'0'};
    const unsigned units = static_cast<unsigned char>(s[1]) - unsigned{'0'};
    if (tens > 9 || units > 9) return -1;
    return static_cast<int>(tens * 10 + units);
}

/// Eight characters as one number, the first in the lowest byte.
constexpr std::uint64_t word(const char (&text)[9]) {
    std::uint64_t w = 0;
    for (int i = 7; i >= 0; --i) w = w << 8 | static_cast<unsigned char>(text[i]);
    return w;
}

/// The eight characters at `s` against `pattern`, where '0' stands for a
/// digit and any other character for itself: when they match, the two-digit
/// number beginning at byte i is byte i of `pairs`. Byte by byte, the
/// characters XOR the pattern give the digits' values and zero for the
/// other characters; adding 0x76 takes a byte past 9 to 0x80 or beyond.
bool matchDigits(const char* s, std::uint64_t pattern, std::uint64_t& pairs) {
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    constexpr std::uint64_t kPastNine = 0x7676767676767676ULL;
    std::uint64_t x;
    std::memcpy(&x, s, 8);
    x ^= pattern;
    // The bytes where the pattern wants a character other than a digit.
    std::uint64_t fixed = 0;
    for (int i = 0; i < 8; ++i)
        if (((pattern >> (8 * i)) & 0xFF) != '0') fixed |= std::uint64_t{0xFF} << (8 * i);
    if ((((x + kPastNine) | x) & kHigh) != 0 || (x & fixed) != 0) return false;
    pairs = x * 10 + (x >> 8);
    return true;
}

int byteAt(std::uint64_t w, int i) {
    return static_cast<int>((w >> (8 * i)) & 0xFF);
}

/// "YYYY-MM-DD" at `s` into `dt`.
bool readIsoDate(const char* s, DateTime& dt) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t pairs = 0;
        dt.day = twoDigits(s + 8);
        if (!matchDigits(s, word("0000-00-"), pairs) || dt.day < 0) return false;
        dt.year = byteAt(pairs, 0) * 100 + byteAt(pairs, 2);
        dt.month = byteAt(pairs, 5);
        return true;
    }
    const int century = twoDigits(s), year = twoDigits(s + 2);
    dt.month = twoDigits(s + 5);
    dt.day = twoDigits(s + 8);
    dt.year = century * 100 + year;
    return (century | year | dt.month | dt.day) >= 0 && s[4] == '-' && s[7] == '-';
}

/// "HH:MM:SS" at `s` into `dt`.
bool readIsoTime(const char* s, DateTime& dt) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t pairs = 0;
        if (!matchDigits(s, word("00:00:00"), pairs)) return false;
        dt.hour = byteAt(pairs, 0);
        dt.minute = byteAt(pairs, 3);
        dt.second = byteAt(pairs, 6);
        return true;
    }
    dt.hour = twoDigits(s);
    dt.minute = twoDigits(s + 3);
    dt.second = twoDigits(s + 6);
    return (dt.hour | dt.minute | dt.second) >= 0 && s[2] == ':' && s[5] == ':';
}

}  // namespace

// Every date-time of every answer passes here: the digits and separators of
// eight characters are checked at once, and read in place.
std::optional<DateTime> DateTime::parseIso(std::string_view text) {
    if (text.size() != 10 && text.size() != 19) return std::nullopt;
    const char* s = text.data();
    DateTime dt;
    if (!readIsoDate(s, dt)) return std::nullopt;
    if (text.size() == 19 && ((s[10] != 'T' && s[10] != ' ') || !readIsoTime(s + 11, dt)))
        return std::nullopt;
    if (!valid(dt)) return std::nullopt;
    return dt;
}

namespace {

// Reads 1..maxDigits digits at `pos`; advances `pos`.
bool readNumber(std::string_view text, std::size_t& pos, std::size_t maxDigits, int& out) {
    std::size_t start = pos;
    int v = 0;
    while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9')
        v = v * 10 + (text[pos++] - '0');
    if (pos == start) return false;
    out = v;
    return true;
}

bool expect(std::string_view text, std::size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

void skipBlanks(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
}

}  // namespace

std::optional<DateTime> DateTime::parseDisplay(std::string_view text) {
    DateTime dt;
    std::size_t pos = 0;
    skipBlanks(text, pos);
    if (!readNumber(text, pos, 2, dt.day) || !expect(text, pos, '/') ||
        !readNumber(text, pos, 2, dt.month) || !expect(text, pos, '/'))
        return std::nullopt;
    const std::size_t yearPos = pos;
    if (!readNumber(text, pos, 4, dt.year) || pos - yearPos != 4) return std::nullopt;
    const std::size_t afterDate = pos;
    skipBlanks(text, pos);
    if (pos < text.size()) {
        if (pos == afterDate) return std::nullopt;
        if (!readNumber(text, pos, 2, dt.hour) || !expect(text, pos, ':') ||
            !readNumber(text, pos, 2, dt.minute))
            return std::nullopt;
        if (pos < text.size() && text[pos] == ':') {
            ++pos;
            if (!readNumber(text, pos, 2, dt.second)) return std::nullopt;
        }
        skipBlanks(text, pos);
        if (pos != text.size()) return std::nullopt;
    }
    if (!dt.isValid()) return std::nullopt;
    return dt;
}

std::optional<int> DateTime::parseTime(std::string_view text) {
    std::size_t pos = 0;
    int h = 0, m = 0, sec = 0;
    skipBlanks(text, pos);
    if (!readNumber(text, pos, 2, h) || !expect(text, pos, ':') || !readNumber(text, pos, 2, m))
        return std::nullopt;
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        if (!readNumber(text, pos, 2, sec)) return std::nullopt;
    }
    skipBlanks(text, pos);
    if (pos != text.size() || h > 23 || m > 59 || sec > 59) return std::nullopt;
    return h * 3600 + m * 60 + sec;
}

std::string DateTime::format(std::string_view pattern) const {
    std::string out;
    std::size_t i = 0;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    auto run = [&](char c) {
        std::size_t n = 0;
        while (i + n < pattern.size() && lower(pattern[i + n]) == c) ++n;
        return n;
    };
    while (i < pattern.size()) {
        const char c = lower(pattern[i]);
        if (pattern[i] == '"' || pattern[i] == '\'') {
            const std::size_t close = pattern.find(pattern[i], i + 1);
            const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
            out.append(pattern.substr(i + 1, end - i - 1));
            i = end == pattern.size() ? end : end + 1;
            continue;
        }
        const std::size_t n =
            (c == 'y' || c == 'm' || c == 'd' || c == 'h' || c == 'n' || c == 's') ? run(c) : 0;
        if (n == 0) {
            out += pattern[i++];
            continue;
        }
        i += n;
        switch (c) {
            case 'y':
                out += n >= 3 ? fmt::format("{:04}", year) : fmt::format("{:02}", year % 100);
                break;
            case 'm':
                out += n >= 2 ? fmt::format("{:02}", month) : std::to_string(month);
                break;
            case 'd':
                out += n >= 2 ? fmt::format("{:02}", day) : std::to_string(day);
                break;
            case 'h':
                out += n >= 2 ? fmt::format("{:02}", hour) : std::to_string(hour);
                break;
            case 'n':
                out += n >= 2 ? fmt::format("{:02}", minute) : std::to_string(minute);
                break;
            case 's':
                out += n >= 2 ? fmt::format("{:02}", second) : std::to_string(second);
                break;
            default:
                break;
        }
    }
    return out;
}

std::string DateTime::toDisplay() const {
    return toDisplayDate() + " " + toDisplayTime();
}

std::string DateTime::toDisplayDate() const {
    return fmt::format("{:02}/{:02}/{:04}", day, month, year);
}

std::string DateTime::toDisplayTime() const {
    return fmt::format("{:02}:{:02}:{:02}", hour, minute, second);
}

}  // namespace platform::dataset

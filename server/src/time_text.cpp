#include "time_text.h"

namespace appserver {

std::string formatDuration(std::int64_t seconds) {
    // Written by hand: three of these go into every row of the day's answer,
    // and a general formatter costs several times more.
    if (seconds < 0) seconds = 0;
    char buf[32];
    char* end = buf + sizeof buf;
    char* p = end;
    const auto two = [&p](std::int64_t v) {
        *--p = static_cast<char>('0' + v % 10);
        *--p = static_cast<char>('0' + v / 10);
    };
    two(seconds % 60);
    *--p = ':';
    two((seconds / 60) % 60);
    *--p = ':';
    std::int64_t hours = seconds / 3600;
    int digits = 0;
    do {
        *--p = static_cast<char>('0' + hours % 10);
        hours /= 10;
        ++digits;
    } while (hours > 0);
    if (digits < 2) *--p = '0';
    return std::string(p, end);
}

namespace {

std::optional<int> twoDigits(std::string_view s, bool leadingBlankAllowed) {
    const char a = s[0];
    const char b = s[1];
    if (b < '0' || b > '9') return std::nullopt;
    if (a == ' ' && leadingBlankAllowed) return b - '0';
    if (a < '0' || a > '9') return std::nullopt;
    return (a - '0') * 10 + (b - '0');
}

}  // namespace

std::optional<int> parseTimeOfDay(std::string_view text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') return std::nullopt;
    const auto h = twoDigits(text.substr(0, 2), true);
    const auto m = twoDigits(text.substr(3, 2), false);
    const auto s = twoDigits(text.substr(6, 2), false);
    if (!h || !m || !s || *h > 23 || *m > 59 || *s > 59) return std::nullopt;
    return *h * 3600 + *m * 60 + *s;
}

bool isBlankTime(std::string_view text) {
    for (char c : text)
        if (c != ' ' && c != ':') return false;
    return true;
}

}  // namespace appserver

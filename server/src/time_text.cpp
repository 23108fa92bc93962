#include "time_text.h"

#include <fmt/format.h>

namespace appserver {

std::string formatDuration(std::int64_t seconds) {
    if (seconds < 0) seconds = 0;
    return fmt::format("{:02}:{:02}:{:02}", seconds / 3600, (seconds / 60) % 60, seconds % 60);
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

#include "platform/dataset/time_text.h"

namespace platform::dataset::time_text {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

/// One part of two characters: two digits, or a blank and a digit.
std::optional<int> readPart(std::string_view part) {
    const char a = part[0];
    const char b = part[1];
    if (!isDigit(b)) return std::nullopt;
    if (a == ' ') return b - '0';
    if (!isDigit(a)) return std::nullopt;
    return (a - '0') * 10 + (b - '0');
}

}  // namespace

bool isBlank(std::string_view text) {
    for (char c : text)
        if (c != ' ' && c != ':') return false;
    return true;
}

Reading read(std::string_view text) {
    Reading r;
    if (text.size() < kLength) {
        r.fault = Fault::Short;
        return r;
    }
    if (text.size() > kLength) {
        r.fault = Fault::Long;
        return r;
    }
    if (text[2] != ':' || text[5] != ':') {
        r.fault = Fault::BadSeparator;
        return r;
    }
    int parts[3] = {};
    for (int i = 0; i < 3; ++i) {
        const std::string_view part = text.substr(static_cast<std::size_t>(i) * 3, 2);
        const auto value = readPart(part);
        if (!value) {
            r.fault = Fault::NotANumber;
            r.badPart = part;
            return r;
        }
        parts[i] = *value;
    }
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) {
        r.fault = Fault::OutOfRange;
        return r;
    }
    r.seconds = parts[0] * 3600 + parts[1] * 60 + parts[2];
    return r;
}

std::optional<int> parse(std::string_view text) {
    const Reading r = read(text);
    if (!r.ok()) return std::nullopt;
    return r.seconds;
}

bool isSpanWithinDay(int startSeconds, int endSeconds) {
    return startSeconds >= 0 && endSeconds < kDaySeconds && startSeconds < endSeconds;
}

}  // namespace platform::dataset::time_text

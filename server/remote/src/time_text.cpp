#include "appserver/remote/time_text.h"

namespace appserver {

namespace {

/// "00" to "99", two characters each.
constexpr char kTwoDigits[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

}  // namespace

void appendDuration(std::string& out, std::int64_t seconds) {
    // Written by hand: three of these go into every row of the day's answer
    // and two into every row of a month's summary, and a general formatter
    // costs several times more.
    if (seconds < 0) seconds = 0;
    if (seconds < 100 * 3600) {
        // Under a hundred hours, as nearly every one is: eight characters.
        const auto s = static_cast<unsigned>(seconds);
        const unsigned parts[] = {s / 3600, s / 60 % 60, s % 60};
        char buf[8] = {0, 0, ':', 0, 0, ':', 0, 0};
        for (int i = 0; i < 3; ++i) {
            buf[3 * i] = kTwoDigits[2 * parts[i]];
            buf[3 * i + 1] = kTwoDigits[2 * parts[i] + 1];
        }
        out.append(buf, sizeof buf);
        return;
    }
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
    out.append(p, end);
}

std::string formatDuration(std::int64_t seconds) {
    std::string out;
    appendDuration(out, seconds);
    return out;
}

}  // namespace appserver

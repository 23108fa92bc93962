#include "appserver/remote/time_text.h"

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

}  // namespace appserver

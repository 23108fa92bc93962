#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace appserver {

/// "hh:mm:ss" for a number of seconds; hours pass 24 when the total does.
std::string formatDuration(std::int64_t seconds);

/// Seconds since midnight of a time of day typed as "hh:mm:ss" (the first
/// hour digit may be a blank, as the screen's edit mask leaves it). nullopt
/// when the text is not a valid time of day (hours 0–23, minutes and seconds 0–59).
std::optional<int> parseTimeOfDay(std::string_view text);

/// True when the text holds nothing but blanks and the two separators.
bool isBlankTime(std::string_view text);

}  // namespace appserver

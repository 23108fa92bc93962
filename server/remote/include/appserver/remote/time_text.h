#pragma once

#include <cstdint>
#include <string>

namespace appserver {

/// "hh:mm:ss" for a number of seconds; hours pass 24 when the total does.
std::string formatDuration(std::int64_t seconds);
/// The same, appended to `out`.
void appendDuration(std::string& out, std::int64_t seconds);

}  // namespace appserver

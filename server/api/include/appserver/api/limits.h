#pragma once

#include <cstddef>

namespace appserver::limits {

// What one request of the protocol may carry, named once; the transport's
// own limits (headers, deadlines, connections) are in appserver/http/limits.h.

/// A call body, however it is sent (declared length or chunks).
inline constexpr std::size_t kMaxBodyBytes = 1024 * 1024;
/// A login body: it arrives before anyone is known, so it is kept small.
inline constexpr std::size_t kMaxLoginBodyBytes = 16 * 1024;
/// A change packet: the fields of a data set (the day's has 20) and the changes of one save.
inline constexpr std::size_t kMaxPacketFields = 64;
inline constexpr std::size_t kMaxPacketChanges = 500;

}  // namespace appserver::limits

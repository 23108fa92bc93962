#pragma once

#include <chrono>
#include <cstddef>

namespace appserver::http::limits {

// What one client may make the transport hold or wait for, named once: the
// transport's defaults, and the application's settings start from them.

/// The request line and every header together, and the number of headers.
inline constexpr std::size_t kMaxHeaderBytes = 16 * 1024;
inline constexpr std::size_t kMaxHeaderFields = 64;
/// From a request's first byte to its last: headers and body.
inline constexpr std::chrono::milliseconds kRequestDeadline = std::chrono::seconds(5);
/// A keep-alive connection with no request under way is closed after this.
inline constexpr std::chrono::milliseconds kKeepAliveIdle = std::chrono::seconds(30);
/// Writing one answer to a client that does not read it.
inline constexpr std::chrono::milliseconds kWriteDeadline = std::chrono::seconds(10);
/// Open connections from one client address, and in all.
inline constexpr std::size_t kMaxConnectionsPerAddress = 64;
inline constexpr std::size_t kMaxConnections = 4096;
/// On stop, how long requests under way may take before their connections are closed.
inline constexpr std::chrono::milliseconds kShutdownGrace = std::chrono::seconds(10);

}  // namespace appserver::http::limits

#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "appserver/stores/password_hasher.h"

namespace appserver {

/// The fixed bounds on what one request may make the server hold or do, in
/// one place. ServerSettings starts from them; the packet bounds are fixed.
namespace limits {

/// A call body, however it is sent (declared length or chunks).
inline constexpr std::size_t kMaxBodyBytes = 1024 * 1024;
/// A login body: it arrives before anyone is known, so it is kept small.
inline constexpr std::size_t kMaxLoginBodyBytes = 16 * 1024;
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
/// A change packet: the fields of a data set (the day's has 20) and the changes of one save.
inline constexpr std::size_t kMaxPacketFields = 64;
inline constexpr std::size_t kMaxPacketChanges = 500;

}  // namespace limits

/// Limits and tunables of the HTTP service.
struct ServerSettings {
    std::string host = "127.0.0.1";
    int port = 8211;  ///< 0 picks a free port
    /// Threads that run requests. Only a request that has wholly arrived
    /// takes one, so slow or idle clients hold none.
    std::size_t threads = 32;
    std::size_t maxBodyBytes = limits::kMaxBodyBytes;
    std::chrono::milliseconds requestDeadline = limits::kRequestDeadline;
    std::chrono::milliseconds keepAliveIdle = limits::kKeepAliveIdle;
    std::size_t maxConnectionsPerAddress = limits::kMaxConnectionsPerAddress;
    std::chrono::milliseconds shutdownGrace = limits::kShutdownGrace;
    std::chrono::seconds sessionIdle = std::chrono::hours(8);
    /// A session ends this long after login however much it is used.
    std::chrono::seconds sessionMaxAge = std::chrono::hours(12);
    HashCost hashCost = HashCost::interactive();
    int maxLoginFailures = 5;
    std::chrono::seconds loginLockout = std::chrono::minutes(5);
    /// How old a user's work team may be when a call is checked against it.
    std::chrono::seconds workTeamAge = std::chrono::seconds(5);
    std::string tlsCert;  ///< both set: serve HTTPS
    std::string tlsKey;
};

}  // namespace appserver

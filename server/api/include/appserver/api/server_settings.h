#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "appserver/api/limits.h"
#include "appserver/api/trusted_proxies.h"
#include "appserver/stores/password_hasher.h"

namespace appserver {

/// Limits and tunables of the HTTP service. The limits a deployment may
/// change start from the fixed ones: the protocol's (appserver/api/limits.h)
/// here, the transport's (request deadline, keep-alive, connections of one
/// address, shutdown grace) in the constructor, which alone sees them.
struct ServerSettings {
    ServerSettings();

    std::string host = "127.0.0.1";
    int port = 8211;  ///< 0 picks a free port
    /// Threads that run requests. Only a request that has wholly arrived
    /// takes one, so slow or idle clients hold none.
    std::size_t threads = 32;
    std::size_t maxBodyBytes = limits::kMaxBodyBytes;
    std::chrono::milliseconds requestDeadline;
    std::chrono::milliseconds keepAliveIdle;
    std::size_t maxConnectionsPerAddress;
    std::chrono::milliseconds shutdownGrace;
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
    /// Peers whose X-Forwarded-For names the client (its last address).
    TrustedProxies trustedProxies;
};

}  // namespace appserver

#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "password_hasher.h"

namespace appserver {

/// Limits and tunables of the HTTP service, in one place.
struct ServerSettings {
    std::string host = "127.0.0.1";
    int port = 8211;  ///< 0 picks a free port
    /// Worker threads; each keep-alive connection holds one while open, so
    /// this bounds the connections served at once.
    std::size_t threads = 32;
    std::size_t maxBodyBytes = 1024 * 1024;
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

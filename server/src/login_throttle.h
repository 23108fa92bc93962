#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace appserver {

/// Counts failed logins per key (a user code, a client address) and refuses
/// further attempts for a while once too many failed in a row.
class LoginThrottle {
public:
    using Clock = std::chrono::steady_clock;

    LoginThrottle(int maxFailures, std::chrono::seconds lockout) : maxFailures_(maxFailures), lockout_(lockout) {}

    /// True when `key` may try now.
    bool allowed(const std::string& key);
    void recordFailure(const std::string& key);
    void recordSuccess(const std::string& key);

private:
    struct Entry {
        int failures = 0;
        Clock::time_point lockedUntil{};
        Clock::time_point lastFailure{};
    };

    int maxFailures_;
    std::chrono::seconds lockout_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace appserver

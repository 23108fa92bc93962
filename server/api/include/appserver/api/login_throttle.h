#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace appserver {

/// Counts login attempts per key (a user, a client address) and refuses
/// further ones for a while once too many failed in a row. An attempt is
/// counted when it begins, before its password is checked, so that attempts
/// running at the same time cannot all pass the count.
class LoginThrottle {
public:
    using Clock = std::chrono::steady_clock;

    LoginThrottle(int maxFailures, std::chrono::seconds lockout)
        : maxFailures_(maxFailures), lockout_(lockout) {}

    /// Counts an attempt for `key`; false (and nothing counted) while the key is locked out.
    bool begin(const std::string& key);
    /// The attempt succeeded: the key's count starts over.
    void succeeded(const std::string& key);
    /// Takes back an attempt that was not a failure (it succeeded for
    /// another key, or the server could not check it); the key's earlier
    /// failures stay counted.
    void withdraw(const std::string& key);

private:
    struct Entry {
        int attempts = 0;  ///< failed or still being checked
        Clock::time_point lockedUntil{};
        Clock::time_point last{};
    };

    int maxFailures_;
    std::chrono::seconds lockout_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace appserver

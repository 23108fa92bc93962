#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace appserver {

/// Who is calling: one user at one branch.
struct SessionInfo {
    std::string user;
    std::string name;
    std::string branch;
};

/// The open sessions, by token. A session ends at logout or after
/// `idleTimeout` without a request. Thread-safe.
class SessionStore {
public:
    using Clock = std::chrono::steady_clock;

    explicit SessionStore(std::chrono::seconds idleTimeout) : idleTimeout_(idleTimeout) {}

    /// Opens a session and returns its new random token.
    std::string open(const SessionInfo& info);
    /// The session of `token`, refreshing its idle time; nullopt when unknown or expired.
    std::optional<SessionInfo> touch(const std::string& token);
    /// Ends the session; false when there was none.
    bool close(const std::string& token);

    /// For tests: pretend `elapsed` passed since every session's last use.
    void ageAll(std::chrono::seconds elapsed);

private:
    struct Entry {
        SessionInfo info;
        Clock::time_point lastUse;
    };
    void dropExpiredLocked(Clock::time_point now);

    std::chrono::seconds idleTimeout_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> sessions_;
    Clock::time_point lastSweep_{};
};

}  // namespace appserver

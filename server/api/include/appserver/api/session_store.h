#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "appserver/remote/session_info.h"

namespace appserver {

/// The open sessions, by token. A session ends at logout, after
/// `idleTimeout` without a request, or `maxAge` after it opened however much
/// it is used. Thread-safe.
class SessionStore {
public:
    using Clock = std::chrono::steady_clock;

    SessionStore(std::chrono::seconds idleTimeout, std::chrono::seconds maxAge)
        : idleTimeout_(idleTimeout), maxAge_(maxAge) {}

    /// Opens a session and returns its new random token.
    std::string open(const SessionInfo& info);
    /// The session of `token`, refreshing its idle time; nullopt when unknown, idle too long or too
    /// old.
    std::optional<SessionInfo> touch(const std::string& token);
    /// Ends the session; false when there was none.
    bool close(const std::string& token);

    /// For tests: pretend `elapsed` passed since every session's last use.
    void ageAll(std::chrono::seconds elapsed);

private:
    struct Entry {
        SessionInfo info;
        Clock::time_point openedAt;
        Clock::time_point lastUse;
    };
    bool expired(const Entry& e, Clock::time_point now) const;
    void dropExpiredLocked(Clock::time_point now);

    std::chrono::seconds idleTimeout_;
    std::chrono::seconds maxAge_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> sessions_;
    Clock::time_point lastSweep_{};
};

}  // namespace appserver

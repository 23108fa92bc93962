#include "session_store.h"

#include "password_hasher.h"

namespace appserver {

std::string SessionStore::open(const SessionInfo& info) {
    std::string token = randomToken();
    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    dropExpiredLocked(now);
    sessions_[token] = Entry{info, now};
    return token;
}

std::optional<SessionInfo> SessionStore::touch(const std::string& token) {
    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    auto it = sessions_.find(token);
    if (it == sessions_.end()) return std::nullopt;
    if (now - it->second.lastUse > idleTimeout_) {
        sessions_.erase(it);
        return std::nullopt;
    }
    it->second.lastUse = now;
    return it->second.info;
}

bool SessionStore::close(const std::string& token) {
    std::lock_guard lock(mutex_);
    return sessions_.erase(token) > 0;
}

void SessionStore::ageAll(std::chrono::seconds elapsed) {
    std::lock_guard lock(mutex_);
    for (auto& [token, entry] : sessions_) entry.lastUse -= elapsed;
}

void SessionStore::dropExpiredLocked(Clock::time_point now) {
    // Sweep at most once a minute so that abandoned sessions do not pile up.
    if (now - lastSweep_ < std::chrono::minutes(1)) return;
    lastSweep_ = now;
    std::erase_if(sessions_, [&](const auto& kv) { return now - kv.second.lastUse > idleTimeout_; });
}

}  // namespace appserver

#include "appserver/api/session_store.h"

#include "appserver/stores/password_hasher.h"

namespace appserver {

std::string SessionStore::open(const SessionInfo& info) {
    std::string token = randomToken();
    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    dropExpiredLocked(now);
    sessions_[token] = Entry{info, now, now};
    return token;
}

std::optional<SessionInfo> SessionStore::touch(const std::string& token) {
    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    auto it = sessions_.find(token);
    if (it == sessions_.end()) return std::nullopt;
    if (expired(it->second, now)) {
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
    for (auto& [token, entry] : sessions_) {
        entry.lastUse -= elapsed;
        entry.openedAt -= elapsed;
    }
}

bool SessionStore::expired(const Entry& e, Clock::time_point now) const {
    return now - e.lastUse > idleTimeout_ || now - e.openedAt > maxAge_;
}

void SessionStore::dropExpiredLocked(Clock::time_point now) {
    // Sweep at most once a minute so that abandoned sessions do not pile up.
    if (now - lastSweep_ < std::chrono::minutes(1)) return;
    lastSweep_ = now;
    std::erase_if(sessions_, [&](const auto& kv) { return expired(kv.second, now); });
}

}  // namespace appserver

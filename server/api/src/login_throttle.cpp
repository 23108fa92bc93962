#include "appserver/api/login_throttle.h"

namespace appserver {

bool LoginThrottle::begin(const std::string& key) {
    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    if (entries_.size() > 100000)
        std::erase_if(entries_, [&](const auto& kv) { return now - kv.second.last > lockout_; });
    Entry& e = entries_[key];
    if (e.attempts >= maxFailures_ && now < e.lockedUntil) return false;
    // A long quiet spell, or a lockout served, forgives old failures.
    if (now - e.last > lockout_ || e.attempts >= maxFailures_) e.attempts = 0;
    e.last = now;
    if (++e.attempts >= maxFailures_) e.lockedUntil = now + lockout_;
    return true;
}

void LoginThrottle::succeeded(const std::string& key) {
    std::lock_guard lock(mutex_);
    entries_.erase(key);
}

void LoginThrottle::withdraw(const std::string& key) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(key);
    if (it != entries_.end() && it->second.attempts > 0) --it->second.attempts;
}

}  // namespace appserver

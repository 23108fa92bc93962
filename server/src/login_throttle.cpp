#include "login_throttle.h"

namespace appserver {

bool LoginThrottle::allowed(const std::string& key) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(key);
    return it == entries_.end() || Clock::now() >= it->second.lockedUntil;
}

void LoginThrottle::recordFailure(const std::string& key) {
    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    if (entries_.size() > 100000) std::erase_if(entries_, [&](const auto& kv) { return now - kv.second.lastFailure > lockout_; });
    Entry& e = entries_[key];
    // A long quiet spell forgives old failures.
    if (now - e.lastFailure > lockout_) e.failures = 0;
    e.lastFailure = now;
    if (++e.failures >= maxFailures_) e.lockedUntil = now + lockout_;
}

void LoginThrottle::recordSuccess(const std::string& key) {
    std::lock_guard lock(mutex_);
    entries_.erase(key);
}

}  // namespace appserver

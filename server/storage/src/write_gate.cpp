#include "appserver/storage/write_gate.h"

#include <algorithm>

namespace appserver {

bool WriteGate::enter(std::size_t weight, Clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    const std::uint64_t id = nextId_++;
    waiting_.push_back({id, weight, Clock::now()});
    if (owner_ == 0) grantNextLocked();
    if (changed_.wait_until(lock, deadline, [&] { return owner_ == id; })) return true;
    waiting_.remove_if([&](const Waiter& w) { return w.id == id; });
    return false;
}

void WriteGate::leave() {
    {
        std::lock_guard lock(mutex_);
        owner_ = 0;
        grantNextLocked();
    }
    changed_.notify_all();
}

void WriteGate::grantNextLocked() {
    if (waiting_.empty()) return;
    const auto now = Clock::now();
    // The list is in order of arrival: its first entry is the longest waiting.
    auto next = waiting_.begin();
    if (now - next->since < patience_)
        next =
            std::min_element(waiting_.begin(), waiting_.end(),
                             [](const Waiter& a, const Waiter& b) { return a.weight < b.weight; });
    owner_ = next->id;
    waiting_.erase(next);
}

}  // namespace appserver

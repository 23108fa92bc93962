#include "appserver/storage/write_gate.h"

#include <algorithm>

namespace appserver {

bool WriteGate::enter(std::size_t weight, Clock::time_point deadline, bool joins) {
    std::unique_lock lock(mutex_);
    const std::uint64_t id = nextId_++;
    waiting_.push_back({id, weight, Clock::now(), joins});
    if (owner_ == 0) grantLocked(nextLocked());
    if (changed_.wait_until(lock, deadline, [&] { return owner_ == id; })) return true;
    waiting_.remove_if([&](const Waiter& w) { return w.id == id; });
    return false;
}

void WriteGate::leave() {
    {
        std::lock_guard lock(mutex_);
        owner_ = 0;
        if (!waiting_.empty()) grantLocked(nextLocked());
    }
    changed_.notify_all();
}

bool WriteGate::handOver(std::size_t room) {
    {
        std::lock_guard lock(mutex_);
        if (waiting_.empty()) return false;
        const auto next = nextLocked();
        if (!next->joins || next->weight > room) return false;
        grantLocked(next);
    }
    changed_.notify_all();
    return true;
}

std::size_t WriteGate::waiting() const {
    std::lock_guard lock(mutex_);
    return waiting_.size();
}

std::list<WriteGate::Waiter>::iterator WriteGate::nextLocked() {
    // The list is in order of arrival: its first entry is the longest waiting.
    auto next = waiting_.begin();
    if (Clock::now() - next->since < patience_)
        next =
            std::min_element(waiting_.begin(), waiting_.end(),
                             [](const Waiter& a, const Waiter& b) { return a.weight < b.weight; });
    return next;
}

void WriteGate::grantLocked(std::list<Waiter>::iterator next) {
    owner_ = next->id;
    waiting_.erase(next);
}

}  // namespace appserver

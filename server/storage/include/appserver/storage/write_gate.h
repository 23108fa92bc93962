#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>

namespace appserver {

/// Lets one writer of this process through at a time, each waiting at most a
/// bound. SQLite takes one writer at a time anyway, but its own busy handler
/// wakes waiting writers by polling at growing intervals and in no order, so a
/// one-row save could wait behind any number of large ones. Here the lock
/// passes the moment it is free: to the smallest waiting writer, unless one
/// has waited longer than `patience`, which then goes first (the longest
/// waiting of those), so that large writers are never starved either.
///
/// A writer that may share its commit with others (`joins`) can also be
/// handed the lock by its holder without the lock being freed: the holder's
/// open transaction then goes with it (see WriteTransaction).
class WriteGate {
public:
    using Clock = std::chrono::steady_clock;

    explicit WriteGate(std::chrono::milliseconds patience) : patience_(patience) {}

    /// Waits for the lock until `deadline`; `weight` is the size of the
    /// writer's work (the changes it holds). False when the deadline passed.
    bool enter(std::size_t weight, Clock::time_point deadline, bool joins = false);
    void leave();
    /// Called by the holder: when the writer next in order is one that
    /// joins, and its weight is at most `room`, the lock is now that
    /// writer's and true is returned; otherwise the holder keeps it.
    bool handOver(std::size_t room);
    /// Writers waiting now.
    std::size_t waiting() const;

private:
    struct Waiter {
        std::uint64_t id;
        std::size_t weight;
        Clock::time_point since;
        bool joins;
    };
    /// The waiter that goes next, by the order above. Called with mutex_ held, waiting_ not empty.
    std::list<Waiter>::iterator nextLocked();
    /// Makes `next` the holder. Called with mutex_ held.
    void grantLocked(std::list<Waiter>::iterator next);

    std::chrono::milliseconds patience_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::list<Waiter> waiting_;
    std::uint64_t owner_ = 0;  ///< 0: free
    std::uint64_t nextId_ = 1;
};

}  // namespace appserver

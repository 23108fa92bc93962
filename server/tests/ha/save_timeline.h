#pragma once

#include <chrono>
#include <mutex>
#include <vector>

namespace appserver::hatest {

/// The instants at which any client's save was acknowledged, and the longest
/// stretch without one while a part was down. Thread-safe.
class SaveTimeline {
public:
    using Clock = std::chrono::steady_clock;

    void record(Clock::time_point at);
    /// The longest time within [from, to] with no acknowledged save: from
    /// `from` to the first, between two, and from the last to `to`.
    std::chrono::milliseconds longestGap(Clock::time_point from, Clock::time_point to) const;
    /// Whether a save was acknowledged after `at`.
    bool anyAfter(Clock::time_point at) const;

private:
    mutable std::mutex mutex_;
    std::vector<Clock::time_point> acknowledged_;
};

}  // namespace appserver::hatest

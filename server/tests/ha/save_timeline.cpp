#include "save_timeline.h"

#include <algorithm>

namespace appserver::hatest {

void SaveTimeline::record(Clock::time_point at) {
    const std::lock_guard lock(mutex_);
    acknowledged_.push_back(at);
}

std::chrono::milliseconds SaveTimeline::longestGap(Clock::time_point from,
                                                   Clock::time_point to) const {
    std::vector<Clock::time_point> within;
    {
        const std::lock_guard lock(mutex_);
        for (const auto at : acknowledged_)
            if (at >= from && at <= to) within.push_back(at);
    }
    // Clients record out of order by a few microseconds.
    std::sort(within.begin(), within.end());
    Clock::duration longest{0};
    Clock::time_point previous = from;
    for (const auto at : within) {
        longest = std::max(longest, at - previous);
        previous = at;
    }
    longest = std::max(longest, to - previous);
    return std::chrono::duration_cast<std::chrono::milliseconds>(longest);
}

bool SaveTimeline::anyAfter(Clock::time_point at) const {
    const std::lock_guard lock(mutex_);
    return std::any_of(acknowledged_.begin(), acknowledged_.end(),
                       [at](Clock::time_point t) { return t > at; });
}

}  // namespace appserver::hatest

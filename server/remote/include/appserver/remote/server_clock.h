#pragma once

#include <chrono>
#include <optional>

#include "platform/dataset/datetime.h"

namespace appserver {

/// The server's notion of "now". Without a start instant it is the system's
/// local civil time; with one, it starts there and runs on in real time, so
/// that demonstrations and tests see a fixed, known day.
class ServerClock {
public:
    ServerClock() = default;
    explicit ServerClock(platform::dataset::DateTime startAt);

    platform::dataset::DateTime now() const;

private:
    std::optional<platform::dataset::DateTime> start_;
    std::chrono::steady_clock::time_point startedAt_{};
};

}  // namespace appserver

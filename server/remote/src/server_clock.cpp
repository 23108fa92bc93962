#include "appserver/remote/server_clock.h"

#include <ctime>

namespace appserver {

ServerClock::ServerClock(platform::dataset::DateTime startAt)
    : start_(startAt), startedAt_(std::chrono::steady_clock::now()) {}

platform::dataset::DateTime ServerClock::now() const {
    if (start_) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::steady_clock::now() - startedAt_);
        return start_->addSeconds(elapsed.count());
    }
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace appserver

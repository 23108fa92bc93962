#pragma once

#include <spdlog/spdlog.h>

#include <memory>
#include <string>
#include <vector>

namespace appserver::testing {

/// The log lines at `level` or above written while it lives, by the default
/// logger. Made after a test server has started, which sets the logger's
/// level for itself.
class LogCapture {
public:
    explicit LogCapture(spdlog::level::level_enum level);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const;
    /// How many of the lines hold `part`.
    int linesWith(const std::string& part) const;

private:
    class Sink;
    std::shared_ptr<Sink> sink_;
    spdlog::level::level_enum previous_;
};

}  // namespace appserver::testing

#include "log_capture.h"

#include <spdlog/sinks/base_sink.h>

#include <algorithm>
#include <mutex>

namespace appserver::testing {

class LogCapture::Sink : public spdlog::sinks::base_sink<std::mutex> {
public:
    std::vector<std::string> lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override {
        lines_.emplace_back(msg.payload.data(), msg.payload.size());
    }
    void flush_() override {}

private:
    std::vector<std::string> lines_;
};

LogCapture::LogCapture(spdlog::level::level_enum level) : sink_(std::make_shared<Sink>()) {
    auto logger = spdlog::default_logger();
    previous_ = logger->level();
    sink_->set_level(level);
    logger->sinks().push_back(sink_);
    logger->set_level(level);
}

LogCapture::~LogCapture() {
    auto logger = spdlog::default_logger();
    auto& sinks = logger->sinks();
    sinks.erase(std::remove(sinks.begin(), sinks.end(), sink_), sinks.end());
    logger->set_level(previous_);
}

std::vector<std::string> LogCapture::lines() const {
    return sink_->lines();
}

int LogCapture::linesWith(const std::string& part) const {
    const auto all = lines();
    return static_cast<int>(std::count_if(all.begin(), all.end(), [&](const std::string& line) {
        return line.find(part) != std::string::npos;
    }));
}

}  // namespace appserver::testing

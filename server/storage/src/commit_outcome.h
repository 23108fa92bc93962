#pragma once

#include <condition_variable>
#include <exception>
#include <mutex>

namespace appserver {

/// How the commit of a group of writers ended, told to every writer of the
/// group: each is answered only once the commit has reached the disk, or
/// has failed.
class CommitOutcome {
public:
    /// Null `failure`: committed.
    void finish(std::exception_ptr failure) {
        {
            std::lock_guard lock(mutex_);
            failure_ = std::move(failure);
            finished_ = true;
        }
        done_.notify_all();
    }

    /// Waits for the end; rethrows the failure, if any.
    void wait() {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return finished_; });
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::exception_ptr failure_;
};

}  // namespace appserver

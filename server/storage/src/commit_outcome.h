#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>

#include "appserver/storage/database_error.h"

namespace appserver {

/// How the commit of a group of writers ended, told to every writer of the
/// group: each is answered only once the commit has reached the disk, or
/// has failed.
class CommitOutcome {
public:
    /// No `failure`: committed.
    void finish(std::optional<DatabaseUnavailable> failure) {
        {
            std::lock_guard lock(mutex_);
            failure_ = std::move(failure);
            finished_ = true;
        }
        done_.notify_all();
    }

    /// Waits for the end; throws the failure, if any. Each writer throws an
    /// exception of its own, its text copied: one exception rethrown in
    /// several threads would be freed by whichever let it go last, while
    /// another may still be reading it.
    void wait() {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return finished_; });
        if (failure_)
            throw DatabaseUnavailable(failure_->reason(), std::string(failure_->what()),
                                      failure_->retryAfter());
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::optional<DatabaseUnavailable> failure_;
};

}  // namespace appserver

#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "appserver/storage/soci_includes.h"

namespace appserver {

/// Copies the SQLite write-ahead log back into the database file from a
/// thread of its own. Left to itself SQLite does this inside whichever commit
/// fills the log, and that request then waits for the copy and its sync to
/// disk; here no request ever does.
class WalCheckpointer {
public:
    struct Stats {
        std::uint64_t runs = 0;
        int walFrames = 0;              ///< frames in the log at the last run
        int checkpointed = 0;           ///< of those, copied into the database file
        std::uint64_t truncations = 0;  ///< times a wholly copied log was emptied
    };

    /// `session` is the checkpointer's own connection to the database; it is
    /// set never to wait for a lock.
    WalCheckpointer(std::unique_ptr<soci::session> session, std::chrono::milliseconds interval);
    /// Stops the thread, waits for a run under way to end, and copies what is
    /// left of the log into the database file.
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;

    Stats stats() const;

private:
    void loop();
    void checkpoint();
    /// Empties a wholly copied log when no reader or writer is using it.
    void truncateIfIdle();

    std::unique_ptr<soci::session> session_;
    std::chrono::milliseconds interval_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool failing_ = false;  ///< touched by the checkpointer's thread only
    Stats stats_;
    std::thread thread_;
};

}  // namespace appserver

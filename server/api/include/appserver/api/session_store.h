#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>

#include "appserver/remote/session_info.h"
#include "appserver/storage/database.h"

namespace appserver {

/// The open sessions, kept in the database so that every server on it
/// serves any of them and a restart keeps them: one row per session, keyed
/// by a hash of its token (the token itself is never stored). A session ends
/// at logout, after `idleTimeout` without a request, or `maxAge` after it
/// opened however much it is used. Thread-safe.
///
/// Each server keeps the sessions it served in a small cache, and looks a
/// session up in the database again once its entry is a second old, so that
/// a logout or an expiry on one server is seen by every other within a
/// second. A session's last use is written at most once a minute, and never
/// by the request that used it: a thread of the store's own writes the last
/// uses that are due, and deletes the sessions that ended.
class SessionStore {
public:
    /// How long a looked-up session is served from the cache.
    static constexpr std::chrono::seconds kRecheck{1};
    /// How often a session's last use is written, at most.
    static constexpr std::chrono::seconds kUseWrite{60};

    /// How often the store's thread writes the uses that are due.
    static constexpr std::chrono::seconds kWriterPeriod{5};

    /// A test that checks what a request writes gives `writerPeriod` longer
    /// than itself: the thread's writes would otherwise land in its checks
    /// whenever the machine is slow enough.
    SessionStore(Database& db, std::chrono::seconds idleTimeout, std::chrono::seconds maxAge,
                 std::chrono::milliseconds writerPeriod = kWriterPeriod);
    ~SessionStore();
    SessionStore(const SessionStore&) = delete;
    SessionStore& operator=(const SessionStore&) = delete;

    /// Opens a session and returns its new random token. Throws
    /// DatabaseUnavailable when it cannot be stored.
    std::string open(const SessionInfo& info);
    /// The session of `token`, its use noted; nullopt when unknown, ended,
    /// idle too long or too old. Throws DatabaseUnavailable when it must be
    /// looked up and the database cannot answer.
    std::optional<SessionInfo> touch(const std::string& token);
    /// Ends the session on every server; false when there was none.
    bool close(const std::string& token);

    /// Writes the last uses that are due, and deletes the sessions that
    /// ended; the store's thread runs it every few seconds.
    void writeLastUses();

    /// For tests: pretend `elapsed` passed since every session opened and
    /// was last used (on every server: it moves the stored instants).
    void ageAll(std::chrono::seconds elapsed);

private:
    /// Instants are whole seconds since 1970-01-01 UTC: every server on the
    /// database compares them, so they are the system's clock, not one
    /// process's.
    struct Entry {
        SessionInfo info;
        std::int64_t openedAt = 0;
        std::int64_t lastUse = 0;
        std::int64_t lastUseStored = 0;
        std::chrono::steady_clock::time_point checkedAt;
    };
    bool expired(const Entry& e, std::int64_t now) const;
    std::optional<Entry> lookUp(const std::string& hash);
    void writeUses(bool all);
    void deleteEnded(std::int64_t now);
    void runWriter();

    Database& db_;
    std::chrono::seconds idleTimeout_;
    std::chrono::seconds maxAge_;
    std::chrono::milliseconds writerPeriod_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> cache_;  ///< by token hash
    std::int64_t lastSweep_ = 0;
    bool stopping_ = false;
    std::condition_variable wake_;
    std::thread writer_;
};

}  // namespace appserver

#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "appserver/storage/database_error.h"
#include "appserver/storage/soci_includes.h"
#include "appserver/storage/wal_checkpointer.h"
#include "appserver/storage/write_gate.h"

namespace appserver {

class CommitOutcome;

enum class DatabaseKind { Sqlite, Postgres };

/// How SQLite makes a commit durable: FULL (every commit synced to disk
/// before it is acknowledged) or NORMAL (WAL synced only when copied back:
/// the last commits may be lost on power loss, never on a crash of the server).
enum class SyncMode { Normal, Full };

struct DatabaseOptions {
    std::size_t poolSize = 8;
    SyncMode sync = SyncMode::Full;
    /// How long a writer waits for the write lock (SQLite) or for a lock it
    /// needs (PostgreSQL) before the request is answered "busy".
    std::chrono::milliseconds lockWait{5000};
    /// A writer waiting longer than this goes before smaller ones (WriteGate):
    /// under a stream of small saves a large one still gets its turn before
    /// lockWait has passed.
    std::chrono::milliseconds writerPatience{4000};
    /// SQLite: how often the write-ahead log is copied into the database file
    /// by a thread of the pool's own (see WalCheckpointer).
    std::chrono::milliseconds checkpointInterval{100};
};

/// A parsed database URL: "sqlite:PATH" or a PostgreSQL URI.
struct DatabaseUrl {
    DatabaseKind kind = DatabaseKind::Sqlite;
    std::string target;  ///< the SQLite file path, or the PostgreSQL URI

    /// Throws std::invalid_argument naming the accepted forms.
    static DatabaseUrl parse(const std::string& url);
    /// For logs: the URL with any password masked.
    std::string redacted() const;
};

/// A fixed pool of database sessions shared by the request threads. Each
/// session is set up the same way (SQLite: WAL, foreign keys, busy timeout).
/// A PostgreSQL session whose connection broke is reopened when next lent
/// out; while that fails, acquire() throws DatabaseUnavailable.
class Database {
public:
    class Lease;

    /// Opens `options.poolSize` sessions; throws with the database's message when one cannot be
    /// opened.
    Database(const DatabaseUrl& url, const DatabaseOptions& options);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    DatabaseKind kind() const { return url_.kind; }
    const DatabaseUrl& url() const { return url_; }

    /// Borrows a working session; blocks while all are in use. Throws
    /// DatabaseUnavailable when a broken connection cannot be reopened.
    Lease acquire();
    /// Throws DatabaseUnavailable unless the database answers a query now.
    void check();
    const DatabaseOptions& options() const { return options_; }

    /// SQLite: what the background copy of the write-ahead log has done.
    std::optional<WalCheckpointer::Stats> checkpointStats() const;

    /// SQLite: write transactions committed, and the writers whose work they
    /// held (more writers than commits when writers shared one).
    struct CommitStats {
        std::uint64_t commits = 0;
        std::uint64_t writers = 0;
    };
    CommitStats commitStats() const { return {commits_.load(), committedWriters_.load()}; }
    /// Writers waiting for the write lock now.
    std::size_t writersWaiting() const { return writeGate_.waiting(); }

    /// The object of type T kept with this database for all its sessions,
    /// made by `T()` on first use and destroyed with the database: what
    /// mirrors the data of this database (a cache) and of no other. T keeps
    /// itself safe to use from several threads at once.
    template <typename T>
    T& shared() {
        std::lock_guard lock(sharedMutex_);
        auto& slot = shared_[std::type_index(typeid(T))];
        if (!slot) slot = std::make_shared<T>();
        return *static_cast<T*>(slot.get());
    }

private:
    friend class Lease;
    friend class WriteTransaction;
    void giveBack(std::size_t index);
    /// Makes the lent session usable: after a broken connection anywhere in
    /// the pool it is tried first, and a broken one is opened anew.
    void makeUsable(std::size_t index);
    void reopen(std::size_t index);

    using StatementCache = std::unordered_map<std::type_index, std::shared_ptr<void>>;
    /// One session of the pool; touched only by the lease holder.
    struct Slot {
        std::unique_ptr<soci::session> session;
        StatementCache cache;
        bool broken = false;
        std::uint64_t checkedAt = 0;  ///< the value of breaks_ when last known to work
    };

    DatabaseUrl url_;
    DatabaseOptions options_;
    std::vector<Slot> slots_;
    std::vector<std::size_t> free_;
    std::mutex mutex_;
    std::condition_variable available_;
    std::atomic<std::uint64_t> breaks_{0};  ///< broken connections seen so far
    std::atomic<bool> down_{false};         ///< for the log: said once per outage
    WriteGate writeGate_;
    /// SQLite: the write transaction open for a group of writers that share
    /// its commit (see WriteTransaction). Touched only by the gate's holder.
    struct OpenGroup {
        const Lease* connection = nullptr;  ///< null: none open
        std::shared_ptr<CommitOutcome> outcome;
        std::size_t members = 0;
        std::size_t weight = 0;  ///< the members' weights together
        std::size_t kept = 0;    ///< members whose work awaits the commit
    };
    OpenGroup group_;
    std::atomic<std::uint64_t> commits_{0};
    std::atomic<std::uint64_t> committedWriters_{0};
    std::unique_ptr<WalCheckpointer> checkpointer_;
    std::mutex sharedMutex_;
    std::unordered_map<std::type_index, std::shared_ptr<void>> shared_;
};

/// A borrowed session, returned to the pool when the lease ends.
class Database::Lease {
public:
    Lease(Database& db, std::size_t index) : db_(&db), index_(index) {}
    Lease(Lease&& other) noexcept : db_(other.db_), index_(other.index_) { other.db_ = nullptr; }
    Lease& operator=(Lease&&) = delete;
    Lease(const Lease&) = delete;
    ~Lease() {
        if (db_) db_->giveBack(index_);
    }

    soci::session& sql() const { return *db_->slots_[index_].session; }
    DatabaseKind kind() const { return db_->kind(); }
    /// Database::shared(): one T for every session of the lease's database.
    template <typename T>
    T& shared() const {
        return db_->shared<T>();
    }

    /// The prepared query object of type T kept with this session, made by
    /// `make(sql())` on first use. The hot queries prepare once per session
    /// instead of once per call.
    template <typename T>
    T& prepared() const {
        auto& slot = db_->slots_[index_].cache[std::type_index(typeid(T))];
        if (!slot) slot = std::make_shared<T>(sql());
        return *static_cast<T*>(slot.get());
    }
    /// Throws DatabaseUnavailable when `e`, a failure met on this session, is
    /// one a later try may not meet: the connection was lost, a lock was not
    /// had in time, the disk is full. Returns otherwise.
    void throwIfUnavailable(const std::exception& e) const;

    /// Drops a prepared query (after a failure left it in an unknown state).
    template <typename T>
    void forget() const {
        db_->slots_[index_].cache.erase(std::type_index(typeid(T)));
    }
    /// Runs `f` on the prepared query Q; a failure drops Q so that the next use prepares it afresh.
    template <typename Q, typename F>
    auto withPrepared(F&& f) const {
        Q& q = prepared<Q>();
        try {
            return f(q);
        } catch (...) {
            forget<Q>();
            throw;
        }
    }

private:
    friend class WriteTransaction;
    Database* db_;
    std::size_t index_;
};

/// Runs a prepared query that yields at most one row and steps it to its
/// end, so that no read stays open on the session. True when it yielded a row.
bool fetchSingleRow(soci::statement& st);

/// A write transaction. On SQLite it takes the write lock at once (BEGIN
/// IMMEDIATE), so two writers never interleave their checks and writes; on
/// PostgreSQL callers add advisory locks for what they must serialise.
/// A lock not had within the pool's lockWait throws DatabaseUnavailable
/// (busy). Rolls back unless committed.
///
/// On SQLite with every commit synced, writers queue on the write lock for
/// the disk more than for their own work. A writer that `Joins` therefore
/// does its work in a savepoint of the transaction the writer before it left
/// open, on that writer's session (lease()), when that one joined too; the
/// last of such a group commits for all, with one sync. Each writer's
/// commit() returns only once that commit is on disk, and throws if it
/// failed; a writer that fails undoes only its own savepoint, unless SQLite
/// ended the whole transaction, which every writer of the group is then told.
class WriteTransaction {
public:
    enum class Sharing { Alone, Joins };

    /// `weight`: the size of the work (changes) the transaction will do.
    /// A writer that joins must do all its work through lease().
    explicit WriteTransaction(const Database::Lease& lease, std::size_t weight = 1,
                              Sharing sharing = Sharing::Alone);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    /// Serialises this transaction against every other that locks the same
    /// name (PostgreSQL); SQLite already serialises all writers.
    void lockName(const std::string& name);
    void commit();
    /// The session the transaction is open on: the caller's own, or, for a
    /// writer that joined a group, the session of the group's first writer.
    const Database::Lease& lease() const { return *active_; }

private:
    void end();
    /// Drops this writer's work from its group, which goes on to its commit.
    void abandon() noexcept;
    /// Ends this writer's turn in its group: hands the open transaction on to
    /// the next writer, if that one joins, or else ends the group.
    void passOn() noexcept;
    /// Commits the group's kept work (rolls it back instead when `failure`),
    /// frees the write lock and tells every writer of the group how it ended.
    void endGroup(std::optional<DatabaseUnavailable> failure) noexcept;
    /// The group's first writer waits for the group's end before its session is given back.
    void waitIfFirst() noexcept;

    const Database::Lease& lease_;
    const Database::Lease* active_;
    std::shared_ptr<CommitOutcome> outcome_;  ///< set for a writer in a group
    bool open_ = true;
    bool gated_ = false;
    bool inSavepoint_ = false;
    bool told_ = false;  ///< this writer has waited for its group's outcome
};

/// A read transaction on SQLite (BEGIN … COMMIT): the queries inside share
/// one snapshot and one lock. Ends when destroyed.
class ReadTransaction {
public:
    explicit ReadTransaction(const Database::Lease& lease);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    const Database::Lease& lease_;
};

}  // namespace appserver

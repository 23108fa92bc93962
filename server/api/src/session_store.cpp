#include "appserver/api/session_store.h"

#include <sodium.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <vector>

#include "appserver/storage/database_error.h"
#include "appserver/stores/password_hasher.h"

namespace appserver {

namespace {

std::int64_t nowSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

/// The token's SHA-256 in hexadecimal: 256 random bits need no slow hash, and
/// a copy of the table opens no session.
///
/// A thread hashes the same token over and over: the head check and the call
/// of one request, then the next requests of the same keep-alive connection,
/// which stays on its thread. The hash was a fifth of what a small call costs
/// the server beyond the bare transport, so each thread keeps the last token
/// it hashed with its hash. The comparison takes the same time wherever the
/// tokens differ: the token kept may be another user's.
std::string tokenHash(const std::string& token) {
    thread_local std::string lastToken;
    thread_local std::string lastHash;
    if (!lastHash.empty() && token.size() == lastToken.size() &&
        sodium_memcmp(token.data(), lastToken.data(), token.size()) == 0)
        return lastHash;
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(token.data()), token.size());
    char hex[sizeof digest * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    lastToken = token;
    lastHash = hex;
    return lastHash;
}

/// Runs `f` on a lease, a failure of the database turned into DatabaseUnavailable.
template <typename F>
auto onDatabase(Database& db, F&& f) {
    auto lease = db.acquire();
    try {
        return f(lease);
    } catch (const std::exception& e) {
        lease.throwIfUnavailable(e);
        throw;
    }
}

}  // namespace

SessionStore::SessionStore(Database& db, std::chrono::seconds idleTimeout,
                           std::chrono::seconds maxAge, std::chrono::milliseconds writerPeriod)
    : db_(db), idleTimeout_(idleTimeout), maxAge_(maxAge), writerPeriod_(writerPeriod) {
    writer_ = std::thread([this] { runWriter(); });
}

SessionStore::~SessionStore() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    writer_.join();
    // What this server saw of its sessions' use outlives it.
    try {
        writeUses(true);
    } catch (const std::exception& e) {
        spdlog::warn("Últimos usos das sessões não gravados ao encerrar: {}", failureText(e));
    }
}

// Instants are whole seconds, so a session ends once the clock's second has
// reached its idle or maximum age: up to a second early, never late (a
// 4-second idle age ends a session 3 to 4 seconds after its last use).
bool SessionStore::expired(const Entry& e, std::int64_t now) const {
    return now - e.lastUse >= idleTimeout_.count() || now - e.openedAt >= maxAge_.count();
}

std::string SessionStore::open(const SessionInfo& info) {
    std::string token = randomToken();
    Entry e{info, nowSeconds(), 0, 0, std::chrono::steady_clock::now()};
    e.lastUse = e.lastUseStored = e.openedAt;
    const std::string hash = tokenHash(token);
    onDatabase(db_, [&](const Database::Lease& lease) {
        WriteTransaction tx(lease);
        lease.sql() << "INSERT INTO sessions (token_hash, user_code, user_name, branch, opened_at,"
                       " last_use_at) VALUES (:h, :u, :n, :b, :o, :l)",
            soci::use(hash), soci::use(e.info.user), soci::use(e.info.name),
            soci::use(e.info.branch), soci::use(e.openedAt), soci::use(e.lastUse);
        tx.commit();
    });
    std::lock_guard lock(mutex_);
    cache_[hash] = std::move(e);
    return token;
}

std::optional<SessionStore::Entry> SessionStore::lookUp(const std::string& hash) {
    return onDatabase(db_, [&](const Database::Lease& lease) -> std::optional<Entry> {
        Entry e;
        lease.sql() << "SELECT user_code, user_name, branch, opened_at, last_use_at FROM sessions"
                       " WHERE token_hash = :h",
            soci::into(e.info.user), soci::into(e.info.name), soci::into(e.info.branch),
            soci::into(e.openedAt), soci::into(e.lastUse), soci::use(hash);
        if (!lease.sql().got_data()) return std::nullopt;
        e.lastUseStored = e.lastUse;
        return e;
    });
}

std::optional<SessionInfo> SessionStore::touch(const std::string& token) {
    if (token.empty()) return std::nullopt;
    const std::string hash = tokenHash(token);
    const std::int64_t now = nowSeconds();
    const auto checkedNow = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(mutex_);
        const auto it = cache_.find(hash);
        if (it != cache_.end() && checkedNow - it->second.checkedAt < kRecheck) {
            if (expired(it->second, now)) {
                cache_.erase(it);
                return std::nullopt;
            }
            it->second.lastUse = now;
            return it->second.info;
        }
    }
    std::optional<Entry> stored = lookUp(hash);
    std::lock_guard lock(mutex_);
    const auto it = cache_.find(hash);
    if (!stored) {
        if (it != cache_.end()) cache_.erase(it);  // closed on another server
        return std::nullopt;
    }
    // A use seen here and not yet written counts as much as a stored one.
    if (it != cache_.end()) stored->lastUse = std::max(stored->lastUse, it->second.lastUse);
    if (expired(*stored, now)) {
        if (it != cache_.end()) cache_.erase(it);
        return std::nullopt;
    }
    stored->lastUse = now;
    stored->checkedAt = checkedNow;
    SessionInfo info = stored->info;
    cache_[hash] = std::move(*stored);
    return info;
}

bool SessionStore::close(const std::string& token) {
    const std::string hash = tokenHash(token);
    {
        std::lock_guard lock(mutex_);
        cache_.erase(hash);
    }
    return onDatabase(db_, [&](const Database::Lease& lease) {
        WriteTransaction tx(lease);
        soci::statement st =
            (lease.sql().prepare << "DELETE FROM sessions WHERE token_hash = :h", soci::use(hash));
        st.execute(true);
        const bool found = st.get_affected_rows() > 0;
        tx.commit();
        return found;
    });
}

void SessionStore::writeUses(bool all) {
    struct Due {
        std::string hash;
        std::int64_t at;
        std::int64_t storedBefore;
    };
    std::vector<Due> due;
    {
        std::lock_guard lock(mutex_);
        for (auto& [hash, e] : cache_) {
            if (e.lastUse == e.lastUseStored) continue;
            if (!all && e.lastUse - e.lastUseStored < kUseWrite.count()) continue;
            due.push_back({hash, e.lastUse, e.lastUseStored});
            e.lastUseStored = e.lastUse;
        }
    }
    if (due.empty()) return;
    try {
        onDatabase(db_, [&](const Database::Lease& lease) {
            WriteTransaction tx(lease, due.size());
            std::string hash;
            std::int64_t at = 0;
            // Never moves a use back that another server wrote later.
            soci::statement st =
                (lease.sql().prepare << "UPDATE sessions SET last_use_at = :a"
                                        " WHERE token_hash = :h AND last_use_at < :a2",
                 soci::use(at), soci::use(hash), soci::use(at));
            for (const Due& d : due) {
                hash = d.hash;
                at = d.at;
                st.execute(true);
            }
            tx.commit();
        });
    } catch (...) {
        // Not written: still due, for the next round once the database answers.
        std::lock_guard lock(mutex_);
        for (const Due& d : due) {
            const auto it = cache_.find(d.hash);
            if (it != cache_.end() && it->second.lastUseStored == d.at)
                it->second.lastUseStored = d.storedBefore;
        }
        throw;
    }
}

void SessionStore::deleteEnded(std::int64_t now) {
    const std::int64_t idleSince = now - idleTimeout_.count();
    const std::int64_t openedBefore = now - maxAge_.count();
    onDatabase(db_, [&](const Database::Lease& lease) {
        WriteTransaction tx(lease);
        lease.sql() << "DELETE FROM sessions WHERE last_use_at <= :i OR opened_at <= :o",
            soci::use(idleSince), soci::use(openedBefore);
        tx.commit();
    });
    std::lock_guard lock(mutex_);
    std::erase_if(cache_, [&](const auto& kv) { return expired(kv.second, now); });
}

void SessionStore::writeLastUses() {
    writeUses(false);
    const std::int64_t now = nowSeconds();
    // Ended sessions are deleted once a minute, so that abandoned ones do not pile up.
    if (now - lastSweep_ >= 60) {
        lastSweep_ = now;
        deleteEnded(now);
    }
}

void SessionStore::runWriter() {
    bool failing = false;
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, writerPeriod_, [this] { return stopping_; })) {
        lock.unlock();
        try {
            writeLastUses();
            if (failing) spdlog::info("Usos das sessões gravados de novo");
            failing = false;
        } catch (const std::exception& e) {
            // Said once per outage; the uses stay due and are written when it ends.
            if (!failing) spdlog::warn("Usos das sessões não gravados: {}", failureText(e));
            failing = true;
        }
        lock.lock();
    }
}

void SessionStore::ageAll(std::chrono::seconds elapsed) {
    writeUses(true);
    const std::int64_t by = elapsed.count();
    onDatabase(db_, [&](const Database::Lease& lease) {
        WriteTransaction tx(lease);
        lease.sql()
            << "UPDATE sessions SET opened_at = opened_at - :a, last_use_at = last_use_at - :b",
            soci::use(by), soci::use(by);
        tx.commit();
    });
    std::lock_guard lock(mutex_);
    cache_.clear();
}

}  // namespace appserver

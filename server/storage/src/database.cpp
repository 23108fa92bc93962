#include "appserver/storage/database.h"

#include <soci/postgresql/soci-postgresql.h>
#include <soci/sqlite3/soci-sqlite3.h>
#include <spdlog/spdlog.h>
#include "appserver/storage/soci_includes.h"

#include <fmt/format.h>
#include <libpq-fe.h>

#include <mutex>
#include <regex>
#include <stdexcept>
#include <thread>
#include <utility>

#include "commit_outcome.h"

namespace appserver {

DatabaseUrl DatabaseUrl::parse(const std::string& url) {
    if (url.rfind("sqlite:", 0) == 0) {
        std::string path = url.substr(7);
        if (path.empty())
            throw std::invalid_argument(
                "O endereço sqlite: precisa do caminho do arquivo (sqlite:/caminho/dados.db)");
        return {DatabaseKind::Sqlite, path};
    }
    if (url.rfind("postgresql://", 0) == 0 || url.rfind("postgres://", 0) == 0)
        return {DatabaseKind::Postgres, url};
    throw std::invalid_argument(fmt::format(
        "Banco de dados \"{}\" não reconhecido: use sqlite:CAMINHO ou postgresql://…", url));
}

std::string DatabaseUrl::redacted() const {
    if (kind == DatabaseKind::Sqlite) return "sqlite:" + target;
    static const std::regex password(R"(^(postgres(?:ql)?://[^:/@]*:)[^@]*@)");
    return std::regex_replace(target, password, "$1***@");
}

namespace {

/// SOCI hands its connection text to libpq only after reading it as
/// "key=value" pairs, which a URI is not: the URI is turned into such pairs first.
std::string conninfoFromUri(const std::string& uri) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
    if (!options) {
        std::string message = error ? error : "endereço PostgreSQL inválido";
        PQfreemem(error);
        throw std::invalid_argument(message);
    }
    std::string out;
    for (PQconninfoOption* o = options; o->keyword; ++o) {
        if (!o->val || !*o->val) continue;
        std::string value;
        for (const char* c = o->val; *c; ++c) {
            if (*c == '\\' || *c == '\'') value += '\\';
            value += *c;
        }
        out += fmt::format("{}{}='{}'", out.empty() ? "" : " ", o->keyword, value);
    }
    PQconninfoFree(options);
    return out;
}

/// SQLite counts every allocation of every connection under one process-wide
/// mutex, which all request threads then queue on; nothing here reads those
/// counts. And it guards each connection with a mutex of its own, taken at
/// every step and every column read (some sixty times a day call), for
/// threads that would share one: the pool lends a session to one thread at a
/// time, with the statements prepared on it, and the checkpointer has its
/// own. The settings only take before SQLite's first use in the process.
void configureSqlite() {
    static std::once_flag once;
    std::call_once(once, [] {
        // SOCI declares the SQLite interface inside its own namespace.
        if (sqlite_api::sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) != SQLITE_OK)
            spdlog::debug("SQLite já estava em uso; a contagem de memória dele continua ligada");
        if (sqlite_api::sqlite3_config(SQLITE_CONFIG_MULTITHREAD) != SQLITE_OK)
            spdlog::debug("SQLite já estava em uso; cada conexão dele continua com o seu mutex");
    });
}

std::unique_ptr<soci::session> openSession(const DatabaseUrl& url, const DatabaseOptions& options) {
    if (url.kind == DatabaseKind::Postgres) {
        auto s = std::make_unique<soci::session>(*soci::factory_postgresql(),
                                                 conninfoFromUri(url.target));
        *s << "SET client_min_messages = WARNING";
        // A lock (an operator's advisory lock above all) not had in time
        // fails the statement instead of holding the request.
        *s << fmt::format("SET lock_timeout = {}", options.lockWait.count());
        return s;
    }
    configureSqlite();
    const auto waitSeconds = std::chrono::ceil<std::chrono::seconds>(options.lockWait).count();
    const std::string params = fmt::format("db={} timeout={}", url.target, waitSeconds);
    auto s = std::make_unique<soci::session>(*soci::factory_sqlite3(), params);
    *s << "PRAGMA journal_mode = WAL";
    *s << "PRAGMA foreign_keys = ON";
    *s << (options.sync == SyncMode::Full ? "PRAGMA synchronous = FULL"
                                          : "PRAGMA synchronous = NORMAL");
    *s << fmt::format("PRAGMA busy_timeout = {}", options.lockWait.count());
    // Read pages through a shared memory map rather than a read() call per
    // page: a day query on a large table touches a dozen pages that another
    // session's cache may hold but this one's does not.
    *s << "PRAGMA mmap_size = 2147418112";
    // The log is copied into the database file by the pool's checkpointer,
    // never inside a request's commit.
    *s << "PRAGMA wal_autocheckpoint = 0";
    return s;
}

PGconn* pgConnection(soci::session& s) {
    return static_cast<soci::postgresql_session_backend*>(s.get_backend())->conn_;
}

sqlite_api::sqlite3* sqliteConnection(soci::session& s) {
    return static_cast<soci::sqlite3_session_backend*>(s.get_backend())->conn_;
}

/// True while the session is inside a transaction that a rollback would end.
bool inTransaction(soci::session& s, DatabaseKind kind) {
    if (kind == DatabaseKind::Sqlite)
        return sqlite_api::sqlite3_get_autocommit(sqliteConnection(s)) == 0;
    const PGTransactionStatusType status = PQtransactionStatus(pgConnection(s));
    return status != PQTRANS_IDLE && status != PQTRANS_UNKNOWN;
}

}  // namespace

namespace {

/// Why a connection could not be made, with each host libpq tried named: a
/// multi-host URI fails host by host ("connection to server at \"pg1\" …
/// failed", "could not translate host name \"pg2\" …"), and the first line
/// alone would not say which host is at fault.
std::string connectionFailureText(const std::exception& e) {
    const auto* db = dynamic_cast<const soci::soci_error*>(&e);
    if (!db) return failureText(e);
    const std::string full = db->get_error_message();
    std::string out;
    for (std::size_t at = 0; at < full.size();) {
        std::size_t end = full.find('\n', at);
        if (end == std::string::npos) end = full.size();
        const std::string line = full.substr(at, end - at);
        at = end + 1;
        if (line.rfind("connection to server", 0) == 0 ||
            line.rfind("could not translate host name", 0) == 0)
            out += (out.empty() ? "" : "; ") + line;
    }
    return out.empty() ? failureText(e) : failureText(e) + " " + out;
}

}  // namespace

Database::Database(const DatabaseUrl& url, const DatabaseOptions& options)
    : url_(url), options_(options), writeGate_(options.writerPatience) {
    const std::size_t n = options.poolSize == 0 ? 1 : options.poolSize;
    slots_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        try {
            slots_[i].session = openSession(url, options);
        } catch (const std::exception& e) {
            throw std::runtime_error(fmt::format("Não foi possível abrir o banco {}: {}",
                                                 url.redacted(), connectionFailureText(e)));
        }
        free_.push_back(i);
    }
    if (url.kind == DatabaseKind::Sqlite)
        checkpointer_ = std::make_unique<WalCheckpointer>(openSession(url, options),
                                                          options.checkpointInterval);
}

Database::~Database() {
    // The checkpointer stops first; prepared statements go before the sessions they belong to.
    checkpointer_.reset();
    for (Slot& slot : slots_) slot.cache.clear();
}

std::optional<WalCheckpointer::Stats> Database::checkpointStats() const {
    if (!checkpointer_) return std::nullopt;
    return checkpointer_->stats();
}

Database::Lease Database::acquire() {
    std::size_t index = 0;
    {
        std::unique_lock lock(mutex_);
        available_.wait(lock, [this] { return !free_.empty(); });
        index = free_.back();
        free_.pop_back();
    }
    Lease lease(*this, index);  // gives the session back if it cannot be made usable
    makeUsable(index);
    return lease;
}

void Database::check() {
    auto lease = acquire();
    try {
        int one = 0;
        lease.sql() << "SELECT 1", soci::into(one);
    } catch (const std::exception& e) {
        throw DatabaseUnavailable(
            unavailabilityOf(e).value_or(DatabaseUnavailable::Reason::Unreachable), failureText(e));
    }
}

void Database::makeUsable(std::size_t index) {
    if (url_.kind != DatabaseKind::Postgres) return;
    Slot& slot = slots_[index];
    const std::uint64_t breaks = breaks_.load();
    if (!slot.broken && slot.checkedAt == breaks) return;
    if (!slot.broken) {
        // Another session's connection broke since this one was last used: a
        // restart of the database breaks them all, so this one is tried first.
        try {
            *slot.session << "SELECT 1";
        } catch (const std::exception& e) {
            // The failure is the connection's, which is what is being found out.
            spdlog::debug("Sessão do banco sem resposta: {}", failureText(e));
        }
        slot.broken = PQstatus(pgConnection(*slot.session)) != CONNECTION_OK;
        if (!slot.broken) {
            slot.checkedAt = breaks;
            return;
        }
    }
    reopen(index);
}

void Database::reopen(std::size_t index) {
    Slot& slot = slots_[index];
    // A few tries close together: a database that is just restarting
    // answers within them; one that is down answers none, and the request
    // is told to come back instead of being held.
    constexpr int kTries = 3;
    std::string last;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(25 << attempt));
        try {
            slot.cache.clear();  // statements of the old connection go with it
            slot.session.reset();
            slot.session = openSession(url_, options_);
            slot.broken = false;
            slot.checkedAt = breaks_.load();
            if (down_.exchange(false))
                spdlog::info("Conexão com o banco {} restabelecida", url_.redacted());
            return;
        } catch (const std::exception& e) {
            last = connectionFailureText(e);
        }
    }
    throw DatabaseUnavailable(DatabaseUnavailable::Reason::Unreachable,
                              "reconexão ao banco falhou: " + last);
}

void Database::Lease::throwIfUnavailable(const std::exception& e) const {
    if (!dynamic_cast<const soci::soci_error*>(&e)) return;
    auto reason = unavailabilityOf(e);
    const Slot& slot = db_->slots_[index_];
    // A connection lost in mid-statement does not always come with an error code that says so.
    if (!reason && kind() == DatabaseKind::Postgres && slot.session &&
        PQstatus(pgConnection(*slot.session)) != CONNECTION_OK)
        reason = DatabaseUnavailable::Reason::Unreachable;
    if (reason) throw DatabaseUnavailable(*reason, failureText(e));
}

void Database::giveBack(std::size_t index) {
    Slot& slot = slots_[index];
    if (url_.kind == DatabaseKind::Postgres && !slot.broken &&
        (!slot.session || PQstatus(pgConnection(*slot.session)) != CONNECTION_OK)) {
        slot.broken = true;
        ++breaks_;
        if (!down_.exchange(true))
            spdlog::warn("Conexão com o banco {} perdida; será reaberta no próximo uso",
                         url_.redacted());
    }
    {
        std::lock_guard lock(mutex_);
        free_.push_back(index);
    }
    available_.notify_one();
}

namespace {

enum class TxCommandKind {
    BeginImmediate,
    Begin,
    Commit,
    Rollback,
    Savepoint,
    Release,
    RollbackToSavepoint
};

/// A transaction command prepared once per SQLite session: these run at
/// least twice per call, and preparing them costs more than running them.
template <TxCommandKind Kind>
struct TxCommand {
    soci::statement st;

    static const char* text() {
        switch (Kind) {
            case TxCommandKind::BeginImmediate:
                return "BEGIN IMMEDIATE";
            case TxCommandKind::Begin:
                return "BEGIN";
            case TxCommandKind::Commit:
                return "COMMIT";
            case TxCommandKind::Rollback:
                return "ROLLBACK";
            case TxCommandKind::Savepoint:
                return "SAVEPOINT writer";
            case TxCommandKind::Release:
                return "RELEASE writer";
            case TxCommandKind::RollbackToSavepoint:
                return "ROLLBACK TO writer";
        }
        return "";
    }

    explicit TxCommand(soci::session& sql) : st(sql) {
        st.alloc();
        st.prepare(text());
        st.define_and_bind();
    }
};

template <TxCommandKind Kind>
void run(const Database::Lease& lease) {
    if (lease.kind() != DatabaseKind::Sqlite) {
        lease.sql() << TxCommand<Kind>::text();
        return;
    }
    lease.withPrepared<TxCommand<Kind>>([](TxCommand<Kind>& c) { c.st.execute(true); });
}

}  // namespace

bool fetchSingleRow(soci::statement& st) {
    const bool found = st.execute(true);
    if (found)
        while (st.fetch()) {
        }
    return found;
}

namespace {

/// The most writers sharing one commit, and the most work (their weights
/// together): every writer of a group waits for the work of all, so a group
/// takes small writers only, and no more than a sync's worth of their work.
/// A large writer commits by itself, and a one-row save is never held
/// behind several large ones.
constexpr std::size_t kMaxGroup = 32;
constexpr std::size_t kMaxGroupWeight = 32;

}  // namespace

WriteTransaction::WriteTransaction(const Database::Lease& lease, std::size_t weight,
                                   Sharing sharing)
    : lease_(lease), active_(&lease) {
    Database& db = *lease_.db_;
    if (lease_.kind() == DatabaseKind::Postgres) {
        run<TxCommandKind::Begin>(lease_);
        return;
    }
    const bool joins = sharing == Sharing::Joins;
    const auto wait = db.options_.lockWait;
    if (!db.writeGate_.enter(weight, WriteGate::Clock::now() + wait, joins))
        throw DatabaseUnavailable(
            DatabaseUnavailable::Reason::Busy,
            fmt::format("a trava de escrita não foi obtida em {} ms", wait.count()));
    gated_ = true;
    // The gate hands the lock with a group's transaction open only to a
    // writer that joins; any other finds none open.
    Database::OpenGroup& group = db.group_;
    if (!group.connection) {
        try {
            run<TxCommandKind::BeginImmediate>(lease_);
        } catch (...) {
            db.writeGate_.leave();
            gated_ = false;
            throw;
        }
        if (joins) group = {&lease_, std::make_shared<CommitOutcome>(), 0, 0, 0};
    }
    if (!joins) return;
    active_ = group.connection;
    outcome_ = group.outcome;
    ++group.members;
    group.weight += weight;
    // With no work of others in the transaction yet, a failure of this
    // writer's rolls the whole of it back: no savepoint needed.
    if (group.kept == 0) return;
    try {
        run<TxCommandKind::Savepoint>(*active_);
    } catch (...) {
        open_ = false;
        abandon();
        waitIfFirst();
        throw;
    }
    inSavepoint_ = true;
}

WriteTransaction::~WriteTransaction() {
    if (outcome_) {
        if (open_) {
            open_ = false;
            abandon();
        }
        waitIfFirst();
        return;
    }
    if (!open_) return;
    try {
        // A failed statement may have ended the transaction already (SQLite
        // rolls back by itself on a full disk; a lost connection ends it):
        // a rollback then would only fail again.
        if (inTransaction(lease_.sql(), lease_.kind())) run<TxCommandKind::Rollback>(lease_);
    } catch (const std::exception& e) {
        // Always after the failure that made the transaction roll back, which is reported on its
        // own.
        spdlog::debug("Falha ao desfazer a transação: {}", failureText(e));
    }
    end();
}

void WriteTransaction::end() {
    open_ = false;
    if (gated_) lease_.db_->writeGate_.leave();
    gated_ = false;
}

void WriteTransaction::waitIfFirst() noexcept {
    // Writers after this one may still be working on its session: the
    // session goes back to the pool only once their group has ended.
    if (active_ != &lease_ || told_) return;
    told_ = true;
    try {
        outcome_->wait();
    } catch (const std::exception& e) {
        // This writer's own work was dropped already; the others are told themselves.
        spdlog::debug("Gravação em grupo terminou em falha: {}", e.what());
    }
}

void WriteTransaction::abandon() noexcept {
    // A failed statement may have ended the whole transaction (SQLite rolls
    // back by itself on a full disk or an I/O error): the work of the writers
    // before this one went with it.
    bool lost = !inTransaction(active_->sql(), DatabaseKind::Sqlite);
    std::string why = "a transação foi desfeita por uma falha de outra gravação do mesmo grupo";
    if (!lost && inSavepoint_) {
        try {
            run<TxCommandKind::RollbackToSavepoint>(*active_);
            run<TxCommandKind::Release>(*active_);
        } catch (const std::exception& e) {
            lost = true;
            why = "a gravação de outra requisição do mesmo grupo não pôde ser desfeita: " +
                  failureText(e);
        }
    }
    const bool hadSavepoint = std::exchange(inSavepoint_, false);
    if (lost)
        endGroup(DatabaseUnavailable(DatabaseUnavailable::Reason::Busy, why));
    else if (!hadSavepoint)
        endGroup(std::nullopt);  // this writer's work is no part of what may be kept
    else
        passOn();
}

void WriteTransaction::passOn() noexcept {
    Database& db = *lease_.db_;
    const Database::OpenGroup& group = db.group_;
    if (group.members < kMaxGroup && group.weight < kMaxGroupWeight &&
        db.writeGate_.handOver(kMaxGroupWeight - group.weight)) {
        gated_ = false;
        return;
    }
    endGroup(std::nullopt);
}

void WriteTransaction::endGroup(std::optional<DatabaseUnavailable> failure) noexcept {
    Database& db = *lease_.db_;
    const Database::OpenGroup group = std::exchange(db.group_, {});
    const Database::Lease& connection = *group.connection;
    if (!failure && group.kept > 0) {
        try {
            run<TxCommandKind::Commit>(connection);
            ++db.commits_;
            db.committedWriters_ += group.kept;
        } catch (const std::exception& e) {
            spdlog::warn("Gravação de {} requisições juntas falhou: {}", group.kept,
                         failureText(e));
            failure.emplace(unavailabilityOf(e).value_or(DatabaseUnavailable::Reason::Busy),
                            failureText(e));
        }
    }
    try {
        if (inTransaction(connection.sql(), DatabaseKind::Sqlite))
            run<TxCommandKind::Rollback>(connection);
    } catch (const std::exception& e) {
        // After the failure that is told to the group's writers just below.
        spdlog::debug("Falha ao desfazer a transação do grupo: {}", failureText(e));
    }
    db.writeGate_.leave();
    gated_ = false;
    // Last: once told, the group's first writer gives its session back.
    group.outcome->finish(std::move(failure));
}

ReadTransaction::ReadTransaction(const Database::Lease& lease) : lease_(lease) {
    run<TxCommandKind::Begin>(lease_);
}

ReadTransaction::~ReadTransaction() {
    try {
        run<TxCommandKind::Commit>(lease_);
    } catch (const std::exception& e) {
        spdlog::error("Falha ao encerrar a transação de leitura: {}", failureText(e));
    }
}

void WriteTransaction::lockName(const std::string& name) {
    if (lease_.kind() != DatabaseKind::Postgres) return;
    std::string key = name;
    lease_.sql() << "SELECT pg_advisory_xact_lock(hashtext(:k))", soci::use(key);
}

void WriteTransaction::commit() {
    if (!outcome_) {
        run<TxCommandKind::Commit>(lease_);
        if (lease_.kind() == DatabaseKind::Sqlite) {
            ++lease_.db_->commits_;
            ++lease_.db_->committedWriters_;
        }
        end();
        return;
    }
    if (inSavepoint_)
        run<TxCommandKind::Release>(
            *active_);  // on failure, the destructor drops this writer's work
    inSavepoint_ = false;
    open_ = false;
    ++lease_.db_->group_.kept;
    passOn();
    told_ = true;
    outcome_->wait();
}

}  // namespace appserver

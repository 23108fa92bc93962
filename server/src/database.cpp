#include "database.h"

#include "soci_includes.h"
#include <soci/postgresql/soci-postgresql.h>
#include <soci/sqlite3/soci-sqlite3.h>
#include <spdlog/spdlog.h>

#include <fmt/format.h>
#include <libpq-fe.h>

#include <mutex>
#include <regex>
#include <stdexcept>

namespace appserver {

DatabaseUrl DatabaseUrl::parse(const std::string& url) {
    if (url.rfind("sqlite:", 0) == 0) {
        std::string path = url.substr(7);
        if (path.empty()) throw std::invalid_argument("O endereço sqlite: precisa do caminho do arquivo (sqlite:/caminho/dados.db)");
        return {DatabaseKind::Sqlite, path};
    }
    if (url.rfind("postgresql://", 0) == 0 || url.rfind("postgres://", 0) == 0) return {DatabaseKind::Postgres, url};
    throw std::invalid_argument(
        fmt::format("Banco de dados \"{}\" não reconhecido: use sqlite:CAMINHO ou postgresql://…", url));
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
/// counts. The setting only takes before SQLite's first use in the process.
void stopSqliteMemoryCounting() {
    static std::once_flag once;
    std::call_once(once, [] {
        // SOCI declares the SQLite interface inside its own namespace.
        if (sqlite_api::sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) != SQLITE_OK)
            spdlog::debug("SQLite já estava em uso; a contagem de memória dele continua ligada");
    });
}

std::unique_ptr<soci::session> openSession(const DatabaseUrl& url, const DatabaseOptions& options) {
    if (url.kind == DatabaseKind::Postgres) {
        auto s = std::make_unique<soci::session>(*soci::factory_postgresql(), conninfoFromUri(url.target));
        *s << "SET client_min_messages = WARNING";
        return s;
    }
    stopSqliteMemoryCounting();
    const std::string params = fmt::format("db={} timeout={}", url.target, options.busyTimeoutSeconds);
    auto s = std::make_unique<soci::session>(*soci::factory_sqlite3(), params);
    *s << "PRAGMA journal_mode = WAL";
    *s << "PRAGMA foreign_keys = ON";
    *s << (options.sync == SyncMode::Full ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = NORMAL");
    *s << fmt::format("PRAGMA busy_timeout = {}", options.busyTimeoutSeconds * 1000);
    // Read pages through a shared memory map rather than a read() call per
    // page: a day query on a large table touches a dozen pages that another
    // session's cache may hold but this one's does not.
    *s << "PRAGMA mmap_size = 2147418112";
    // The log is copied into the database file by the pool's checkpointer,
    // never inside a request's commit.
    *s << "PRAGMA wal_autocheckpoint = 0";
    return s;
}

}  // namespace

Database::Database(const DatabaseUrl& url, const DatabaseOptions& options) : url_(url) {
    const std::size_t n = options.poolSize == 0 ? 1 : options.poolSize;
    sessions_.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        try {
            sessions_.push_back(openSession(url, options));
        } catch (const std::exception& e) {
            throw std::runtime_error(fmt::format("Não foi possível abrir o banco {}: {}", url.redacted(), e.what()));
        }
        free_.push_back(i);
    }
    caches_.resize(n);
    if (url.kind == DatabaseKind::Sqlite)
        checkpointer_ = std::make_unique<WalCheckpointer>(openSession(url, options), options.checkpointInterval);
}

Database::~Database() {
    // The checkpointer stops first; prepared statements go before the sessions they belong to.
    checkpointer_.reset();
    caches_.clear();
}

std::optional<WalCheckpointer::Stats> Database::checkpointStats() const {
    if (!checkpointer_) return std::nullopt;
    return checkpointer_->stats();
}

Database::Lease Database::acquire() {
    std::unique_lock lock(mutex_);
    available_.wait(lock, [this] { return !free_.empty(); });
    const std::size_t index = free_.back();
    free_.pop_back();
    return Lease(*this, index);
}

void Database::giveBack(std::size_t index) {
    {
        std::lock_guard lock(mutex_);
        free_.push_back(index);
    }
    available_.notify_one();
}

namespace {

enum class TxCommandKind { BeginImmediate, Begin, Commit, Rollback };

/// A transaction command prepared once per SQLite session: these run at
/// least twice per call, and preparing them costs more than running them.
template <TxCommandKind Kind>
struct TxCommand {
    soci::statement st;

    static const char* text() {
        switch (Kind) {
            case TxCommandKind::BeginImmediate: return "BEGIN IMMEDIATE";
            case TxCommandKind::Begin: return "BEGIN";
            case TxCommandKind::Commit: return "COMMIT";
            case TxCommandKind::Rollback: return "ROLLBACK";
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

WriteTransaction::WriteTransaction(const Database::Lease& lease) : lease_(lease) {
    if (lease_.kind() == DatabaseKind::Sqlite) run<TxCommandKind::BeginImmediate>(lease_);
    else run<TxCommandKind::Begin>(lease_);
}

WriteTransaction::~WriteTransaction() {
    if (!open_) return;
    try {
        run<TxCommandKind::Rollback>(lease_);
    } catch (const std::exception& e) {
        spdlog::error("Falha ao desfazer a transação: {}", e.what());
    }
}

ReadTransaction::ReadTransaction(const Database::Lease& lease) : lease_(lease) { run<TxCommandKind::Begin>(lease_); }

ReadTransaction::~ReadTransaction() {
    try {
        run<TxCommandKind::Commit>(lease_);
    } catch (const std::exception& e) {
        spdlog::error("Falha ao encerrar a transação de leitura: {}", e.what());
    }
}

void WriteTransaction::lockName(const std::string& name) {
    if (lease_.kind() != DatabaseKind::Postgres) return;
    std::string key = name;
    lease_.sql() << "SELECT pg_advisory_xact_lock(hashtext(:k))", soci::use(key);
}

void WriteTransaction::commit() {
    run<TxCommandKind::Commit>(lease_);
    open_ = false;
}

}  // namespace appserver

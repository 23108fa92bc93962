#include "appserver/storage/migrations.h"

#include <fmt/format.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace appserver {

namespace {

struct Migration {
    int version;
    std::vector<const char*> statements;  ///< "{ID}" stands for the auto-numbered primary key
};

// Instants are stored as seconds since 1970-01-01 of the civil (local) time
// and days as day numbers: both databases compare and index them the same way.
const std::vector<Migration>& migrations() {
    static const std::vector<Migration> list = {
        {1,
         {
             "CREATE TABLE branches (code TEXT PRIMARY KEY, name TEXT NOT NULL)",
             "CREATE TABLE teams (code TEXT PRIMARY KEY, name TEXT NOT NULL)",
             // A statement longer than a line is written in pieces, and few are.
             // NOLINTNEXTLINE(bugprone-suspicious-missing-comma)
             "CREATE TABLE operators (code TEXT PRIMARY KEY, name TEXT NOT NULL,"
             " password_hash TEXT NOT NULL)",
             "CREATE TABLE operator_branches (operator TEXT NOT NULL REFERENCES operators(code),"
             " branch TEXT NOT NULL REFERENCES branches(code), PRIMARY KEY (operator, branch))",
             "CREATE TABLE operator_screens (operator TEXT NOT NULL REFERENCES operators(code),"
             " screen TEXT NOT NULL, PRIMARY KEY (operator, screen))",
             "CREATE TABLE team_members (team TEXT NOT NULL REFERENCES teams(code),"
             " operator TEXT NOT NULL REFERENCES operators(code), PRIMARY KEY (team, operator))",
             "CREATE INDEX team_members_by_operator ON team_members (operator, team)",
             "CREATE TABLE tasks (branch TEXT NOT NULL REFERENCES branches(code),"
             " task TEXT NOT NULL, description TEXT NOT NULL, project TEXT NOT NULL,"
             " baseline TEXT NOT NULL, process_code TEXT NOT NULL, process_name TEXT NOT NULL,"
             " PRIMARY KEY (branch, task))",
             "CREATE TABLE activities (branch TEXT NOT NULL, task TEXT NOT NULL,"
             " activity TEXT NOT NULL, process_code TEXT NOT NULL, process_name TEXT NOT NULL,"
             " situation TEXT NOT NULL, work_item_code TEXT NOT NULL,"
             " work_item_name TEXT NOT NULL, responsible TEXT NOT NULL,"
             " PRIMARY KEY (branch, task, activity),"
             " FOREIGN KEY (branch, task) REFERENCES tasks (branch, task))",
             "CREATE TABLE activity_operators (branch TEXT NOT NULL, task TEXT NOT NULL,"
             " activity TEXT NOT NULL, operator TEXT NOT NULL REFERENCES operators(code),"
             " PRIMARY KEY (branch, task, activity, operator),"
             " FOREIGN KEY (branch, task, activity)"
             " REFERENCES activities (branch, task, activity))",
             "CREATE TABLE appropriations (id {ID},"
             " operator TEXT NOT NULL REFERENCES operators(code),"
             " branch TEXT NOT NULL REFERENCES branches(code),"
             " task TEXT NOT NULL, activity TEXT NOT NULL, day INTEGER NOT NULL,"
             " start_at BIGINT NOT NULL, end_at BIGINT,"
             " stamp_start BIGINT NOT NULL, stamp_end BIGINT, description TEXT NOT NULL,"
             " FOREIGN KEY (branch, task, activity)"
             " REFERENCES activities (branch, task, activity))",
             // Every read is keyed by operator and day; the branch and the start
             // follow so that the day's rows come out in order from the index.
             "CREATE INDEX appropriations_by_operator_day"
             " ON appropriations (operator, day, branch, start_at)",
             "CREATE TABLE punches (id {ID}, company TEXT NOT NULL,"
             " operator TEXT NOT NULL REFERENCES operators(code), punched_at BIGINT NOT NULL,"
             " direction TEXT NOT NULL, event TEXT NOT NULL, day INTEGER NOT NULL,"
             " origin TEXT NOT NULL)",
             "CREATE INDEX punches_by_operator_day ON punches (operator, day, punched_at)",
         }},
        // Punches from time clocks. An operator is found by PIS or CPF; a
        // clock's punch by the clock's serial number and its NSR, which make
        // a second import of the same file add nothing. The offset (minutes
        // east of UTC) is that of the punch's wall clock, when the clock tells
        // it; the ordinal is the punch's place in its day, so that a day read
        // back comes out in the order of the true instants even where daylight
        // saving turned the wall clock back.
        {2,
         {
             "ALTER TABLE operators ADD COLUMN pis TEXT",
             "ALTER TABLE operators ADD COLUMN cpf TEXT",
             "CREATE UNIQUE INDEX operators_by_pis ON operators (pis)",
             "CREATE UNIQUE INDEX operators_by_cpf ON operators (cpf)",
             "ALTER TABLE punches ADD COLUMN clock_serial TEXT",
             "ALTER TABLE punches ADD COLUMN nsr BIGINT",
             "ALTER TABLE punches ADD COLUMN utc_offset INTEGER",
             "ALTER TABLE punches ADD COLUMN ordinal INTEGER",
             "CREATE UNIQUE INDEX punches_by_clock_nsr ON punches (clock_serial, nsr)",
         }},
        {3,
         {
             // The trail of every change a save made. No foreign keys: a row's
             // history outlives the row, and nothing here is ever updated or deleted.
             "CREATE TABLE audit_trail (id {ID}, at BIGINT NOT NULL, by_user TEXT NOT NULL,"
             " address TEXT NOT NULL, action TEXT NOT NULL, operator TEXT NOT NULL,"
             " branch TEXT NOT NULL, day INTEGER NOT NULL, appropriation BIGINT,"
             " row_key TEXT NOT NULL, before_values TEXT, after_values TEXT)",
             "CREATE INDEX audit_trail_by_operator_day ON audit_trail (operator, day, branch)",
             // The management's entry policies, one row per branch; a branch
             // without a row, or with every column empty or off, has none.
             "CREATE TABLE entry_policies (branch TEXT PRIMARY KEY REFERENCES branches(code),"
             " period_from INTEGER, period_to INTEGER, own_only INTEGER NOT NULL DEFAULT 0,"
             " require_punches INTEGER NOT NULL DEFAULT 0)",
         }},
        // The open sessions, which every server on the database serves. A
        // hash of the token, never the token; instants in seconds since
        // 1970-01-01 UTC (not civil time: servers compare them with their
        // system clocks).
        {4,
         {
             "CREATE TABLE sessions (token_hash TEXT PRIMARY KEY, user_code TEXT NOT NULL,"
             " user_name TEXT NOT NULL, branch TEXT NOT NULL, opened_at BIGINT NOT NULL,"
             " last_use_at BIGINT NOT NULL)",
         }},
        {5,
         {
             // An operator's months closed at a branch, with who closed each
             // and when; a reopened month loses its row (the audit trail
             // keeps both). Found by operator, branch and a day within
             // [first_day, last_day].
             "CREATE TABLE month_closings (operator TEXT NOT NULL REFERENCES operators(code),"
             " branch TEXT NOT NULL REFERENCES branches(code), first_day INTEGER NOT NULL,"
             " last_day INTEGER NOT NULL, closed_by TEXT NOT NULL, closed_at BIGINT NOT NULL,"
             " PRIMARY KEY (operator, branch, first_day))",
         }},
        {6,
         {
             // The day's indexes carry what a period's summary reads of each
             // row (the span; the punch's direction, place and offset), so
             // that a team's month is read from them without the tables. They
             // replace the narrower ones, which they serve as well.
             "CREATE INDEX appropriations_by_operator_day_span"
             " ON appropriations (operator, day, branch, start_at, end_at)",
             "DROP INDEX appropriations_by_operator_day",
             "CREATE INDEX punches_by_operator_day_clock"
             " ON punches (operator, day, punched_at, direction, ordinal, utc_offset)",
             "DROP INDEX punches_by_operator_day",
         }},
    };
    return list;
}

std::string render(const std::string& statement, DatabaseKind kind) {
    const std::string id =
        kind == DatabaseKind::Sqlite ? "INTEGER PRIMARY KEY" : "BIGSERIAL PRIMARY KEY";
    std::string out = statement;
    for (std::size_t at = out.find("{ID}"); at != std::string::npos; at = out.find("{ID}"))
        out.replace(at, 4, id);
    return out;
}

}  // namespace

int latestSchemaVersion() {
    return migrations().back().version;
}

int migrate(Database& db) {
    auto lease = db.acquire();
    soci::session& sql = lease.sql();
    sql << "CREATE TABLE IF NOT EXISTS schema_migrations (version INTEGER PRIMARY KEY)";
    // Each listed version not recorded yet is applied, also one below the
    // newest recorded: versions are added on parallel branches, and a database
    // may have met them in another order than the list has them.
    std::set<int> applied;
    {
        int version = 0;
        soci::statement st =
            (sql.prepare << "SELECT version FROM schema_migrations", soci::into(version));
        st.execute();
        while (st.fetch()) applied.insert(version);
    }
    int current = applied.empty() ? 0 : *applied.rbegin();
    if (current > latestSchemaVersion())
        throw std::runtime_error(
            fmt::format("O banco está na versão {} do esquema, mais nova que a deste servidor "
                        "({}): atualize o servidor",
                        current, latestSchemaVersion()));
    for (const Migration& m : migrations()) {
        if (applied.count(m.version)) continue;
        WriteTransaction tx(lease);
        for (const char* s : m.statements) sql << render(s, db.kind());
        int version = m.version;
        sql << "INSERT INTO schema_migrations (version) VALUES (:v)", soci::use(version);
        tx.commit();
        spdlog::info("Esquema do banco atualizado para a versão {}", m.version);
        current = std::max(current, m.version);
    }
    return current;
}

}  // namespace appserver

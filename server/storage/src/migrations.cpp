#include "appserver/storage/migrations.h"

#include <fmt/format.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "paired_punches_sql.h"

namespace appserver {

std::string pairedPunches(const std::string& where, const std::string& keys) {
    return fmt::format(
        "SELECT {1}, COUNT(*),"
        " CAST(COALESCE(SUM(CASE WHEN direction = '1' AND next_direction <> '1'"
        " THEN next_at - punched_at - CASE WHEN utc_offset IS NOT NULL"
        " AND next_offset IS NOT NULL THEN (next_offset - utc_offset) * 60 ELSE 0 END END),"
        " 0) AS BIGINT)"
        " FROM (SELECT operator, day, direction, punched_at, utc_offset,"
        " LEAD(direction) OVER clock AS next_direction,"
        " LEAD(punched_at) OVER clock AS next_at,"
        " LEAD(utc_offset) OVER clock AS next_offset"
        " FROM punches WHERE {0}"
        " WINDOW clock AS (PARTITION BY operator, day ORDER BY COALESCE(ordinal, 0),"
        " punched_at, id)) paired GROUP BY {1}",
        where, keys);
}

namespace {

struct Migration {
    int version;
    std::vector<std::string> statements;  ///< "{ID}" stands for the auto-numbered primary key
    /// What each database says in its own words, run after `statements`.
    std::vector<std::string> sqlite, postgresql;
    /// Run last, on both.
    std::vector<std::string> after;
};

/// The statements that recompute one operator-day's punch total, the day
/// named by `op` and `day` (a trigger's row or a function's arguments).
std::string refreshPunchDay(const std::string& op, const std::string& day) {
    return fmt::format(
        "DELETE FROM punch_day_totals WHERE operator = {0} AND day = {1};"
        " INSERT INTO punch_day_totals (operator, day, punches, paired_seconds) {2};",
        op, day,
        pairedPunches(fmt::format("operator = {} AND day = {}", op, day), "operator, day"));
}

/// Adds (`sign` "+") or takes away ("-") one appropriation row, `row` NEW or
/// OLD, from its operator-day-branch total; a total left with no row goes.
std::string countAppropriation(const std::string& row, char sign) {
    const std::string key =
        fmt::format("operator = {0}.operator AND branch = {0}.branch AND day = {0}.day", row);
    if (sign == '+')
        return fmt::format(
            "INSERT INTO appropriation_day_totals (operator, branch, day, row_count, seconds)"
            " VALUES ({0}.operator, {0}.branch, {0}.day, 1, COALESCE({0}.end_at - {0}.start_at, 0))"
            " ON CONFLICT (operator, branch, day) DO UPDATE SET"
            " row_count = appropriation_day_totals.row_count + 1,"
            " seconds = appropriation_day_totals.seconds + excluded.seconds;",
            row);
    return fmt::format(
        "UPDATE appropriation_day_totals SET row_count = row_count - 1,"
        " seconds = seconds - COALESCE({0}.end_at - {0}.start_at, 0) WHERE {1};"
        " DELETE FROM appropriation_day_totals WHERE {1} AND row_count = 0;",
        row, key);
}

/// Whether this transaction keeps the punches' day totals itself
/// (PunchTotalsDeferral): a row of `punch_totals_deferred` is only ever seen
/// by the transaction that wrote it, which takes it away before it commits.
const char* const kTotalsDeferred = "EXISTS (SELECT 1 FROM punch_totals_deferred)";

/// Whether a punch of NEW's day comes after NEW in the clock's order.
const char* const kLaterPunch =
    "EXISTS (SELECT 1 FROM punches q WHERE q.operator = NEW.operator AND q.day = NEW.day"
    " AND q.id <> NEW.id AND (COALESCE(q.ordinal, 0), q.punched_at, q.id)"
    " > (COALESCE(NEW.ordinal, 0), NEW.punched_at, NEW.id))";

/// NEW, last of its day, counted: it pairs with the punch before it when
/// that one is an entry and NEW is not (that entry, last until now, was
/// left unpaired).
const char* const kAppendPunch =
    "INSERT INTO punch_day_totals (operator, day, punches, paired_seconds)"
    " SELECT NEW.operator, NEW.day, 1, COALESCE((SELECT CASE WHEN p.direction = '1'"
    " AND NEW.direction <> '1' THEN NEW.punched_at - p.punched_at - CASE WHEN p.utc_offset"
    " IS NOT NULL AND NEW.utc_offset IS NOT NULL THEN (NEW.utc_offset - p.utc_offset) * 60"
    " ELSE 0 END ELSE 0 END FROM punches p WHERE p.operator = NEW.operator"
    " AND p.day = NEW.day AND p.id <> NEW.id"
    " ORDER BY COALESCE(p.ordinal, 0) DESC, p.punched_at DESC, p.id DESC LIMIT 1), 0)"
    " WHERE true ON CONFLICT (operator, day) DO UPDATE SET"
    " punches = punch_day_totals.punches + 1,"
    " paired_seconds = punch_day_totals.paired_seconds + excluded.paired_seconds;";

/// One more change of `op`'s day totals: his version moves on (from 1, for
/// an operator who had none).
std::string bumpTotalsVersion(const std::string& op) {
    return fmt::format(
        "INSERT INTO operator_totals_versions (operator, version) VALUES ({}, 1)"
        " ON CONFLICT (operator) DO UPDATE SET version = operator_totals_versions.version + 1;",
        op);
}

/// On SQLite: the triggers that move an operator's version whenever one of
/// his rows of `table` is written, changed or deleted; `column` holds the
/// operator's code, and `updateOf` and `when` say which updates count (" OF
/// a, b" and " WHEN ...", or nothing for all of them).
std::vector<std::string> sqliteVersionTriggers(const std::string& table,
                                               const std::string& column = "operator",
                                               const std::string& updateOf = "",
                                               const std::string& when = "") {
    return {
        fmt::format("CREATE TRIGGER {0}_version_insert AFTER INSERT ON {0} BEGIN {1} END", table,
                    bumpTotalsVersion("NEW." + column)),
        fmt::format("CREATE TRIGGER {0}_version_delete AFTER DELETE ON {0} BEGIN {1} END", table,
                    bumpTotalsVersion("OLD." + column)),
        // A row given to another operator changes both.
        fmt::format("CREATE TRIGGER {0}_version_update AFTER UPDATE{3} ON {0}{4} BEGIN {1}"
                    " INSERT INTO operator_totals_versions (operator, version)"
                    " SELECT OLD.{2}, 1 WHERE OLD.{2} <> NEW.{2}"
                    " ON CONFLICT (operator) DO UPDATE SET"
                    " version = operator_totals_versions.version + 1; END",
                    table, bumpTotalsVersion("NEW." + column), column, updateOf, when),
    };
}

/// On PostgreSQL, in a row trigger's function: moves the version of OLD's
/// operator (but on an insert) and of NEW's (but on a delete, and on an
/// update only when he is another), his code in `column`.
std::string pgBumpOldAndNew(const std::string& column) {
    return fmt::format(
        " IF TG_OP <> 'INSERT' THEN PERFORM operator_totals_bump(OLD.{0}); END IF;"
        " IF TG_OP = 'INSERT' THEN PERFORM operator_totals_bump(NEW.{0});"
        " ELSIF TG_OP = 'UPDATE' THEN"
        " IF NEW.{0} <> OLD.{0} THEN PERFORM operator_totals_bump(NEW.{0});"
        " END IF; END IF;",
        column);
}

/// On PostgreSQL: takes the operator's row (as the punches' recount does,
/// see migration 7) before any of his totals, so that writers of one
/// operator's totals and version take their locks in one order.
std::string lockOperatorRow(const std::string& op) {
    return fmt::format("PERFORM 1 FROM operators WHERE code = {} FOR NO KEY UPDATE;", op);
}

const char* const kAppropriationTotalsBackfill =
    "INSERT INTO appropriation_day_totals (operator, branch, day, row_count, seconds)"
    " SELECT operator, branch, day, COUNT(*), CAST(COALESCE(SUM(end_at - start_at), 0) AS BIGINT)"
    " FROM appropriations GROUP BY operator, day, branch";

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
        // Day totals kept by the database as rows are written, whoever
        // writes them (the server, an import, a script): appropriated seconds
        // per operator, branch and day with the rows that make them, and
        // per operator and day the punches and their paired seconds. A
        // period's summary reads these instead of the rows. An operator-day
        // without rows (or punches) has no total.
        {7,
         {},
         {
             // Clustered by their key: a team's month is one stretch of each
             // operator's totals.
             // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one statement in pieces
             "CREATE TABLE appropriation_day_totals (operator TEXT NOT NULL,"
             " branch TEXT NOT NULL, day INTEGER NOT NULL, row_count INTEGER NOT NULL,"
             " seconds BIGINT NOT NULL, PRIMARY KEY (operator, branch, day)) WITHOUT ROWID",
             "CREATE TABLE punch_day_totals (operator TEXT NOT NULL, day INTEGER NOT NULL,"
             " punches INTEGER NOT NULL, paired_seconds BIGINT NOT NULL,"
             " PRIMARY KEY (operator, day)) WITHOUT ROWID",
             "CREATE TRIGGER appropriations_total_insert AFTER INSERT ON appropriations BEGIN " +
                 countAppropriation("NEW", '+') + " END",
             "CREATE TRIGGER appropriations_total_delete AFTER DELETE ON appropriations BEGIN " +
                 countAppropriation("OLD", '-') + " END",
             "CREATE TRIGGER appropriations_total_update AFTER UPDATE OF operator, branch, day,"
             " start_at, end_at ON appropriations BEGIN " +
                 countAppropriation("OLD", '-') + " " + countAppropriation("NEW", '+') + " END",
             // Left empty by every committed transaction; see kTotalsDeferred.
             "CREATE TABLE punch_totals_deferred (since INTEGER NOT NULL)",
             // A punch that comes last in its day's clock order (a clock's
             // file, read in order) adds itself and at most the pair it
             // closes; one anywhere else has its day counted again.
             std::string("CREATE TRIGGER punches_total_append AFTER INSERT ON punches WHEN NOT ") +
                 kTotalsDeferred + " AND NOT " + kLaterPunch + " BEGIN " + kAppendPunch + " END",
             std::string("CREATE TRIGGER punches_total_insert AFTER INSERT ON punches WHEN NOT ") +
                 kTotalsDeferred + " AND " + kLaterPunch + " BEGIN " +
                 refreshPunchDay("NEW.operator", "NEW.day") + " END",
             "CREATE TRIGGER punches_total_delete AFTER DELETE ON punches BEGIN " +
                 refreshPunchDay("OLD.operator", "OLD.day") + " END",
             // Any column the pairing reads may move a punch within its day.
             std::string("CREATE TRIGGER punches_total_update AFTER UPDATE OF operator, day,"
                         " punched_at, direction, ordinal, utc_offset ON punches WHEN NOT ") +
                 kTotalsDeferred + " BEGIN " + refreshPunchDay("OLD.operator", "OLD.day") + " " +
                 refreshPunchDay("NEW.operator", "NEW.day") + " END",
         },
         {
             // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one statement in pieces
             "CREATE TABLE appropriation_day_totals (operator TEXT NOT NULL,"
             " branch TEXT NOT NULL, day INTEGER NOT NULL, row_count INTEGER NOT NULL,"
             " seconds BIGINT NOT NULL, PRIMARY KEY (operator, branch, day))",
             "CREATE TABLE punch_day_totals (operator TEXT NOT NULL, day INTEGER NOT NULL,"
             " punches INTEGER NOT NULL, paired_seconds BIGINT NOT NULL,"
             " PRIMARY KEY (operator, day))",
             "CREATE FUNCTION appropriations_keep_day_totals() RETURNS trigger"
             " LANGUAGE plpgsql AS $$ BEGIN"
             " IF TG_OP <> 'INSERT' THEN " +
                 countAppropriation("OLD", '-') +
                 " END IF;"
                 " IF TG_OP <> 'DELETE' THEN " +
                 countAppropriation("NEW", '+') +
                 " END IF;"
                 " RETURN NULL; END $$",
             "CREATE TRIGGER appropriations_day_totals AFTER INSERT OR DELETE OR UPDATE OF"
             " operator, branch, day, start_at, end_at ON appropriations"
             " FOR EACH ROW EXECUTE FUNCTION appropriations_keep_day_totals()",
             // Writers of one operator's punches take turns on his row
             // (locked until their transaction ends), so that each recount
             // starts from the other's committed punches. A row lock, not
             // an advisory one per day: an import of years in one
             // transaction would hold more of those than the server keeps.
             "CREATE FUNCTION punch_day_total_refresh(op TEXT, d INTEGER) RETURNS void"
             " LANGUAGE plpgsql AS $$ BEGIN"
             " PERFORM 1 FROM operators WHERE code = op FOR NO KEY UPDATE;"
             " " +
                 refreshPunchDay("op", "d") + " END $$",
             "CREATE FUNCTION punches_keep_day_totals() RETURNS trigger LANGUAGE plpgsql AS $$"
             " BEGIN"
             " IF TG_OP <> 'INSERT' THEN PERFORM punch_day_total_refresh(OLD.operator, OLD.day);"
             " END IF;"
             " IF TG_OP <> 'DELETE' THEN PERFORM punch_day_total_refresh(NEW.operator, NEW.day);"
             " END IF;"
             " RETURN NULL; END $$",
             "CREATE TRIGGER punches_day_totals AFTER INSERT OR DELETE OR UPDATE OF operator,"
             " day, punched_at, direction, ordinal, utc_offset ON punches"
             " FOR EACH ROW EXECUTE FUNCTION punches_keep_day_totals()",
         },
         {
             kAppropriationTotalsBackfill,
             "INSERT INTO punch_day_totals (operator, day, punches, paired_seconds) " +
                 pairedPunches("1 = 1", "operator, day"),
         }},
        // Each operator's version of his day totals, moved by every change
        // to them (by whoever writes the rows or punches they count, or the
        // totals themselves), in the transaction that makes it: a server
        // that keeps a period's totals of an operator knows, from one
        // number read, whether they still hold. Operators without a row
        // have had no change since this migration.
        {8,
         {},
         [] {
             std::vector<std::string> out = {
                 "CREATE TABLE operator_totals_versions (operator TEXT PRIMARY KEY,"
                 " version BIGINT NOT NULL) WITHOUT ROWID"};
             for (const char* table : {"appropriation_day_totals", "punch_day_totals"})
                 for (std::string& t : sqliteVersionTriggers(table)) out.push_back(t);
             return out;
         }(),
         {
             // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one statement in pieces
             "CREATE TABLE operator_totals_versions (operator TEXT PRIMARY KEY,"
             " version BIGINT NOT NULL)",
             "CREATE FUNCTION operator_totals_bump(op TEXT) RETURNS void LANGUAGE plpgsql AS $$"
             " BEGIN " +
                 lockOperatorRow("op") + " " + bumpTotalsVersion("op") + " END $$",
             "CREATE FUNCTION operator_totals_changed() RETURNS trigger LANGUAGE plpgsql AS $$"
             " BEGIN" +
                 pgBumpOldAndNew("operator") + " RETURN NULL; END $$",
             "CREATE TRIGGER appropriation_day_totals_version AFTER INSERT OR UPDATE OR DELETE"
             " ON appropriation_day_totals FOR EACH ROW EXECUTE FUNCTION operator_totals_changed()",
             "CREATE TRIGGER punch_day_totals_version AFTER INSERT OR UPDATE OR DELETE"
             " ON punch_day_totals FOR EACH ROW EXECUTE FUNCTION operator_totals_changed()",
             // A row's total was taken before the operator's row, which its
             // version now takes: the operator's row comes first, as it does
             // for his punches, so that two writers of his rows never hold
             // one lock each of the other's.
             "CREATE OR REPLACE FUNCTION appropriations_keep_day_totals() RETURNS trigger"
             " LANGUAGE plpgsql AS $$ BEGIN"
             " IF TG_OP <> 'INSERT' THEN " +
                 lockOperatorRow("OLD.operator") + " " + countAppropriation("OLD", '-') +
                 " END IF;"
                 " IF TG_OP <> 'DELETE' THEN " +
                 lockOperatorRow("NEW.operator") + " " + countAppropriation("NEW", '+') +
                 " END IF;"
                 " RETURN NULL; END $$",
         },
         {
             "INSERT INTO operator_totals_versions (operator, version) SELECT code, 1 FROM "
             "operators",
         }},
        // The same version moves as well for everything else a period's
        // summary shows of an operator: his name (or his very row), the
        // branches he works at and his closed months. A server keeps what it
        // read of him under that one number, read with the team's members.
        {9,
         {},
         [] {
             std::vector<std::string> out =
                 sqliteVersionTriggers("operators", "code", " OF code, name",
                                       " WHEN OLD.code <> NEW.code OR OLD.name <> NEW.name");
             for (const char* table : {"operator_branches", "month_closings"})
                 for (std::string& t : sqliteVersionTriggers(table)) out.push_back(t);
             return out;
         }(),
         {
             // His row of operators, which the change itself holds first,
             // then his version, as for his totals; a name or code written
             // as it was moves nothing.
             "CREATE FUNCTION operator_row_changed() RETURNS trigger LANGUAGE plpgsql AS $$"
             " BEGIN"
             " IF TG_OP = 'UPDATE' THEN"
             " IF NEW.code = OLD.code AND NEW.name = OLD.name THEN RETURN NULL; END IF;"
             " END IF;" +
                 pgBumpOldAndNew("code") + " RETURN NULL; END $$",
             // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one statement in pieces
             "CREATE TRIGGER operators_version AFTER INSERT OR DELETE OR UPDATE OF code, name"
             " ON operators FOR EACH ROW EXECUTE FUNCTION operator_row_changed()",
             // Before the row is written: the operator's row is taken first,
             // as by every other writer of what his version covers, so that
             // two writers never hold one lock each of the other's.
             "CREATE FUNCTION operator_rows_changing() RETURNS trigger LANGUAGE plpgsql AS $$"
             " BEGIN" +
                 pgBumpOldAndNew("operator") +
                 " IF TG_OP = 'DELETE' THEN RETURN OLD; END IF;"
                 " RETURN NEW; END $$",
             "CREATE TRIGGER operator_branches_version BEFORE INSERT OR UPDATE OR DELETE"
             " ON operator_branches FOR EACH ROW EXECUTE FUNCTION operator_rows_changing()",
             "CREATE TRIGGER month_closings_version BEFORE INSERT OR UPDATE OR DELETE"
             " ON month_closings FOR EACH ROW EXECUTE FUNCTION operator_rows_changing()",
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
    return migrateTo(db, latestSchemaVersion());
}

int migrateTo(Database& db, int upTo) {
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
        if (applied.count(m.version) || m.version > upTo) continue;
        WriteTransaction tx(lease);
        for (const std::string& s : m.statements) sql << render(s, db.kind());
        for (const std::string& s : db.kind() == DatabaseKind::Sqlite ? m.sqlite : m.postgresql)
            sql << s;
        for (const std::string& s : m.after) sql << s;
        int version = m.version;
        sql << "INSERT INTO schema_migrations (version) VALUES (:v)", soci::use(version);
        tx.commit();
        spdlog::info("Esquema do banco atualizado para a versão {}", m.version);
        current = std::max(current, m.version);
    }
    return current;
}

}  // namespace appserver

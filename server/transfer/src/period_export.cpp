#include "appserver/transfer/period_export.h"

#include <fmt/format.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>

#include "appserver/stores/presence.h"
#include "closed_month_marks.h"

namespace appserver {

using platform::dataset::DateTime;

namespace {

/// Rows fetched from the database per round trip.
constexpr std::size_t kBatchRows = 1000;

enum Column : std::size_t {
    kKind,
    kOperator,
    kOperatorName,
    kBranch,
    kDay,
    kTask,
    kTaskDescription,
    kActivity,
    kTaskProcess,
    kActivityProcess,
    kStart,
    kEnd,
    kDuration,
    kStampStart,
    kStampEnd,
    kDescription,
    kDayAppropriated,
    kDayOpenRows,
    kDayPunched,
    kDayDifference,
    kDayDifferenceSeconds,
    kMonthClosed,
    kColumnCount,
};

using Bind = std::function<void(soci::statement&)>;

/// An ordered query read kBatchRows rows at a time into the vectors that
/// `bindInto` binds. SQLite steps the statement itself; PostgreSQL reads
/// through a cursor of the open transaction, since libpq would otherwise hold
/// the whole result in memory.
class BatchReader {
public:
    BatchReader(soci::session& sql, DatabaseKind kind, const std::string& cursor,
                const std::string& query, const Bind& bindUse, const Bind& bindInto,
                std::function<void()> resize)
        : st_(sql), resize_(std::move(resize)) {
        if (kind == DatabaseKind::Postgres) {
            soci::statement declare(sql);
            bindUse(declare);
            declare.alloc();
            declare.prepare("DECLARE " + cursor + " NO SCROLL CURSOR FOR " + query);
            declare.define_and_bind();
            declare.execute(true);
            bindInto(st_);
            st_.alloc();
            st_.prepare(fmt::format("FETCH {} FROM {}", kBatchRows, cursor));
            st_.define_and_bind();
            cursor_ = true;
        } else {
            bindInto(st_);
            bindUse(st_);
            st_.alloc();
            st_.prepare(query);
            st_.define_and_bind();
        }
    }

    /// Fills the bound vectors with the next batch; false when none is left.
    bool next() {
        if (done_) return false;
        resize_();
        // The first batch comes with the execution; with a cursor every batch is one FETCH.
        const bool got = cursor_ || !executed_ ? st_.execute(true) : st_.fetch();
        executed_ = true;
        if (!got) done_ = true;
        return got;
    }

private:
    soci::statement st_;
    std::function<void()> resize_;
    bool cursor_ = false;
    bool executed_ = false;
    bool done_ = false;
};

/// The operator-day a row or a punch belongs to; both streams come in this order.
struct DayKey {
    std::string op;
    long long day = 0;

    bool operator<(const DayKey& o) const {
        // Compared byte by byte, as the queries order them (COLLATE "C" on PostgreSQL).
        const int c = op.compare(o.op);
        return c < 0 || (c == 0 && day < o.day);
    }
    bool operator==(const DayKey& o) const { return day == o.day && op == o.op; }
};

struct Filter {
    long long from = 0, to = 0;
    std::string branch, op, team;
};

/// The filter's conditions on `alias` (rows or punches), in the order bindFilter binds them.
std::string filterConditions(const std::string& alias, const Filter& f) {
    std::string where = " " + alias + ".day BETWEEN :f AND :t";
    // The clock knows no branch: with a branch chosen, the punches are
    // those of the operators allowed at it, the whole day's.
    if (!f.branch.empty())
        where += alias == "a" ? " AND a.branch = :b"
                              : " AND EXISTS (SELECT 1 FROM operator_branches b"
                                " WHERE b.operator = p.operator AND b.branch = :b)";
    if (!f.op.empty()) where += " AND " + alias + ".operator = :o";
    if (!f.team.empty())
        where += " AND " + alias +
                 ".operator IN (SELECT m.operator FROM team_members m WHERE m.team = :e)";
    return where;
}

void bindFilter(soci::statement& st, Filter& f) {
    st.exchange(soci::use(f.from));
    st.exchange(soci::use(f.to));
    if (!f.branch.empty()) st.exchange(soci::use(f.branch));
    if (!f.op.empty()) st.exchange(soci::use(f.op));
    if (!f.team.empty()) st.exchange(soci::use(f.team));
}

/// "a.operator" ordered byte by byte on both databases.
std::string byteOrder(const std::string& column, DatabaseKind kind) {
    return kind == DatabaseKind::Postgres ? column + " COLLATE \"C\"" : column;
}

class RowCursor {
public:
    RowCursor(soci::session& sql, DatabaseKind kind, Filter& f) {
        std::string query =
            "SELECT a.operator, o.name, a.branch, a.day, a.task, t.description, a.activity,"
            " t.process_name, v.process_name, a.start_at, a.end_at, a.stamp_start, a.stamp_end,"
            " a.description FROM appropriations a"
            // CROSS JOIN keeps appropriations the outer loop on SQLite, so
            // that its index gives the operator-day order and only each day's
            // few rows are sorted by start, not the whole period at once.
            " CROSS JOIN operators o"
            " JOIN tasks t ON t.branch = a.branch AND t.task = a.task"
            " JOIN activities v ON v.branch = a.branch AND v.task = a.task"
            " AND v.activity = a.activity"
            " WHERE o.code = a.operator AND" +
            filterConditions("a", f);
        query += " ORDER BY " + byteOrder("a.operator", kind) + ", a.day, a.start_at, a.id";
        reader_.emplace(
            sql, kind, "export_rows", query, [&f](soci::statement& st) { bindFilter(st, f); },
            [this](soci::statement& st) {
                st.exchange(soci::into(op));
                st.exchange(soci::into(opName));
                st.exchange(soci::into(branch));
                st.exchange(soci::into(day));
                st.exchange(soci::into(task));
                st.exchange(soci::into(taskDescription));
                st.exchange(soci::into(activity));
                st.exchange(soci::into(taskProcess));
                st.exchange(soci::into(activityProcess));
                st.exchange(soci::into(start));
                st.exchange(soci::into(end, endInd));
                st.exchange(soci::into(stampStart));
                st.exchange(soci::into(stampEnd, stampEndInd));
                st.exchange(soci::into(description));
            },
            [this] { resize(); });
        advance();
    }

    bool valid() const { return at_ < op.size(); }
    bool at(const DayKey& k) const { return valid() && day[at_] == k.day && op[at_] == k.op; }
    DayKey key() const { return {op[at_], day[at_]}; }
    std::size_t index() const { return at_; }
    void advance() {
        if (++at_ < op.size()) return;
        at_ = 0;
        if (!reader_->next()) op.clear();
    }

    std::vector<std::string> op, opName, branch, task, taskDescription, activity, taskProcess,
        activityProcess, description;
    std::vector<long long> day, start, end, stampStart, stampEnd;
    std::vector<soci::indicator> endInd, stampEndInd;

private:
    void resize() {
        for (auto* v : {&op, &opName, &branch, &task, &taskDescription, &activity, &taskProcess,
                        &activityProcess, &description})
            v->resize(kBatchRows);
        for (auto* v : {&day, &start, &end, &stampStart, &stampEnd}) v->resize(kBatchRows);
        endInd.resize(kBatchRows);
        stampEndInd.resize(kBatchRows);
    }

    std::optional<BatchReader> reader_;
    std::size_t at_ = static_cast<std::size_t>(-1);
};

class PunchCursor {
public:
    PunchCursor(soci::session& sql, DatabaseKind kind, Filter& f) {
        std::string query =
            "SELECT p.operator, o.name, p.day, p.punched_at, p.direction, p.utc_offset FROM "
            "punches p"
            " JOIN operators o ON o.code = p.operator WHERE" +
            filterConditions("p", f);
        // The day's order is the one GetTotPontoReal reads it in (the clock's
        // own where daylight saving turned the wall clock back), so both pair
        // the same entries with the same exits.
        query += " ORDER BY " + byteOrder("p.operator", kind) +
                 ", p.day, COALESCE(p.ordinal, 0), p.punched_at, p.id";
        reader_.emplace(
            sql, kind, "export_punches", query, [&f](soci::statement& st) { bindFilter(st, f); },
            [this](soci::statement& st) {
                st.exchange(soci::into(op));
                st.exchange(soci::into(opName));
                st.exchange(soci::into(day));
                st.exchange(soci::into(punchedAt));
                st.exchange(soci::into(direction));
                st.exchange(soci::into(utcOffset, utcOffsetInd));
            },
            [this] {
                for (auto* v : {&op, &opName, &direction}) v->resize(kBatchRows);
                day.resize(kBatchRows);
                punchedAt.resize(kBatchRows);
                utcOffset.resize(kBatchRows);
                utcOffsetInd.resize(kBatchRows);
            });
        advance();
    }

    bool valid() const { return at_ < op.size(); }
    bool at(const DayKey& k) const { return valid() && day[at_] == k.day && op[at_] == k.op; }
    DayKey key() const { return {op[at_], day[at_]}; }
    std::size_t index() const { return at_; }
    void advance() {
        if (++at_ < op.size()) return;
        at_ = 0;
        if (!reader_->next()) op.clear();
    }

    std::vector<std::string> op, opName, direction;
    std::vector<long long> day, punchedAt;
    std::vector<int> utcOffset;
    std::vector<soci::indicator> utcOffsetInd;

private:
    std::optional<BatchReader> reader_;
    std::size_t at_ = static_cast<std::size_t>(-1);
};

/// Fills the cells of one row; the vector is reused from row to row so that
/// its strings keep their storage.
class RowCells {
public:
    RowCells() : cells_(kColumnCount) {}

    void clear() {
        for (ExportCell& c : cells_) c.kind = ExportCell::Kind::Empty;
    }
    void text(Column c, const std::string& v) {
        cells_[c].kind = ExportCell::Kind::Text;
        cells_[c].text = v;
    }
    void number(Column c, ExportCell::Kind kind, std::int64_t v) {
        cells_[c].kind = kind;
        cells_[c].value = v;
    }
    const std::vector<ExportCell>& cells() const { return cells_; }

private:
    std::vector<ExportCell> cells_;
};

/// A filter naming an operator, branch or team that does not exist is a mistake,
/// not an empty period. `message` names the thing with a {} for its code.
void requireKnown(soci::session& sql, const char* table, const std::string& code,
                  const char* message) {
    if (code.empty()) return;
    long long count = 0;
    std::string key = code;
    sql << fmt::format("SELECT COUNT(*) FROM {} WHERE code = :c", table), soci::use(key),
        soci::into(count);
    if (count == 0) throw std::invalid_argument(fmt::format(fmt::runtime(message), code));
}

const char* closedText(bool closed) {
    return closed ? kExportMonthClosed : kExportMonthOpen;
}

/// PostgreSQL's snapshot for both cursors (and the closings): a read
/// committed transaction would give each its own, and the totals could then
/// disagree with the rows.
void sameSnapshotForBothReads(const Database::Lease& lease) {
    if (lease.kind() == DatabaseKind::Postgres)
        lease.sql() << "SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY";
}

}  // namespace

const std::vector<std::string>& exportColumns() {
    static const std::vector<std::string> names = {
        "tipo",
        "operador",
        "nome do operador",
        "filial",
        "dia",
        "tarefa",
        "descrição da tarefa",
        "atividade",
        "processo da tarefa",
        "processo da atividade",
        "início",
        "fim",
        "duração",
        "carimbo de início",
        "carimbo de fim",
        "descrição",
        "total apropriado no dia",
        "apropriações abertas no dia",
        "total do ponto no dia",
        "diferença apropriado - ponto",
        "diferença em segundos",
        "mês fechado",
    };
    return names;
}

ExportCounts exportPeriod(Database& db, const ExportFilter& filter, ExportWriter& out) {
    if (filter.to < filter.from)
        throw std::invalid_argument(fmt::format("O período começa em {} e termina antes, em {}",
                                                filter.from.toIsoDate(), filter.to.toIsoDate()));
    Filter f{filter.from.dayNumber(), filter.to.dayNumber(), filter.branch, filter.operatorCode,
             filter.team};
    auto lease = db.acquire();
    requireKnown(lease.sql(), "operators", filter.operatorCode,
                 "O operador \"{}\" não está cadastrado");
    requireKnown(lease.sql(), "branches", filter.branch, "A filial \"{}\" não está cadastrada");
    requireKnown(lease.sql(), "teams", filter.team, "A equipe \"{}\" não está cadastrada");
    ReadTransaction tx(lease);
    sameSnapshotForBothReads(lease);
    ClosedMonthMarks closed(lease.sql(), filter.from, filter.to);
    RowCursor rows(lease.sql(), lease.kind(), f);
    PunchCursor punches(lease.sql(), lease.kind(), f);

    out.header(exportColumns());
    ExportCounts counts;
    RowCells cells;
    std::vector<PunchRecord> dayPunches;
    std::optional<DayKey> last;
    using Kind = ExportCell::Kind;
    while (rows.valid() || punches.valid()) {
        DayKey key = !punches.valid()             ? rows.key()
                     : !rows.valid()              ? punches.key()
                     : punches.key() < rows.key() ? punches.key()
                                                  : rows.key();
        // A day met twice would get two "dia" rows: the database broke the order asked of it.
        if (last && !(*last < key))
            throw std::runtime_error(
                fmt::format("A exportação recebeu o operador {} no dia {} fora de ordem", key.op,
                            DateTime::fromDayNumber(key.day).toIsoDate()));
        std::string name;
        dayPunches.clear();
        for (; punches.at(key); punches.advance()) {
            const std::size_t i = punches.index();
            PunchRecord p;
            p.at = DateTime::fromSeconds(punches.punchedAt[i]);
            p.direction = punches.direction[i];
            if (punches.utcOffsetInd[i] == soci::i_ok) p.utcOffsetMinutes = punches.utcOffset[i];
            dayPunches.push_back(std::move(p));
            name = punches.opName[i];
        }
        std::int64_t appropriated = 0;
        long long open = 0;
        for (; rows.at(key); rows.advance()) {
            const std::size_t i = rows.index();
            cells.clear();
            cells.text(kKind, kExportAppropriationKind);
            cells.text(kOperator, rows.op[i]);
            cells.text(kOperatorName, rows.opName[i]);
            cells.text(kBranch, rows.branch[i]);
            cells.number(kDay, Kind::Date, key.day);
            cells.text(kTask, rows.task[i]);
            cells.text(kTaskDescription, rows.taskDescription[i]);
            cells.text(kActivity, rows.activity[i]);
            cells.text(kTaskProcess, rows.taskProcess[i]);
            cells.text(kActivityProcess, rows.activityProcess[i]);
            cells.number(kStart, Kind::Time, rows.start[i] - key.day * 86400);
            if (rows.endInd[i] == soci::i_ok) {
                cells.number(kEnd, Kind::Time, rows.end[i] - key.day * 86400);
                cells.number(kDuration, Kind::Duration, rows.end[i] - rows.start[i]);
                appropriated += rows.end[i] - rows.start[i];
            } else {
                ++open;
            }
            cells.number(kStampStart, Kind::DateTime, rows.stampStart[i]);
            if (rows.stampEndInd[i] == soci::i_ok)
                cells.number(kStampEnd, Kind::DateTime, rows.stampEnd[i]);
            cells.text(kDescription, rows.description[i]);
            cells.text(kMonthClosed, closedText(closed.closedAt(key.op, rows.branch[i], key.day)));
            name = rows.opName[i];
            out.row(cells.cells());
            ++counts.appropriations;
        }
        const std::optional<std::int64_t> punched =
            Presence::fromPunches(dayPunches).totalSeconds();
        // No entry followed by an exit: nothing measured, the difference is the whole record.
        const std::int64_t difference = appropriated - punched.value_or(0);
        cells.clear();
        cells.text(kKind, kExportDayKind);
        cells.text(kOperator, key.op);
        cells.text(kOperatorName, name);
        if (!filter.branch.empty()) cells.text(kBranch, filter.branch);
        cells.number(kDay, Kind::Date, key.day);
        cells.number(kDayAppropriated, Kind::Duration, appropriated);
        cells.number(kDayOpenRows, Kind::Integer, open);
        if (punched) cells.number(kDayPunched, Kind::Duration, *punched);
        cells.number(kDayDifference, Kind::Duration, difference);
        cells.number(kDayDifferenceSeconds, Kind::Integer, difference);
        cells.text(kMonthClosed, closedText(filter.branch.empty()
                                                ? closed.closedEverywhere(key.op, key.day)
                                                : closed.closedAt(key.op, filter.branch, key.day)));
        out.row(cells.cells());
        ++counts.days;
        last = std::move(key);
    }
    out.finish();
    return counts;
}

}  // namespace appserver

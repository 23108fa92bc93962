#include "appserver/stores/appropriation_store.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "appserver/storage/sqlite_statement.h"

namespace appserver {

using platform::dataset::DateTime;

namespace {

// Columns of a read joined with the task and the activity, in the order Reader
// binds them and nativeRecord reads them.
const char* kSelect =
    "SELECT a.id, a.operator, a.branch, a.task, a.activity, a.start_at, a.end_at, a.stamp_start, "
    "a.stamp_end,"
    " a.description, t.description, v.process_name, v.situation FROM appropriations a"
    " JOIN tasks t ON t.branch = a.branch AND t.task = a.task"
    " JOIN activities v ON v.branch = a.branch AND v.task = a.task AND v.activity = a.activity";

/// Binds the columns of kSelect and turns each fetched row into a record.
struct Reader {
    long long id = 0, start = 0, end = 0, stampStart = 0, stampEnd = 0;
    soci::indicator endInd = soci::i_ok, stampEndInd = soci::i_ok;
    AppropriationRecord r;

    void bind(soci::statement& st) {
        st.exchange(soci::into(id));
        st.exchange(soci::into(r.operatorCode));
        st.exchange(soci::into(r.branch));
        st.exchange(soci::into(r.task));
        st.exchange(soci::into(r.activity));
        st.exchange(soci::into(start));
        st.exchange(soci::into(end, endInd));
        st.exchange(soci::into(stampStart));
        st.exchange(soci::into(stampEnd, stampEndInd));
        st.exchange(soci::into(r.description));
        st.exchange(soci::into(r.taskDescription));
        st.exchange(soci::into(r.processName));
        st.exchange(soci::into(r.situation));
    }

    AppropriationRecord record() const {
        AppropriationRecord out = r;
        out.id = id;
        out.start = DateTime::fromSeconds(start);
        out.end = endInd == soci::i_null ? std::nullopt : std::optional(DateTime::fromSeconds(end));
        out.stampStart = DateTime::fromSeconds(stampStart);
        out.stampEnd = stampEndInd == soci::i_null ? std::nullopt
                                                   : std::optional(DateTime::fromSeconds(stampEnd));
        return out;
    }
};

long long dayNumberOf(const DateTime& d) {
    return static_cast<long long>(d.dayNumber());
}

const char* kInsert =
    "INSERT INTO appropriations (operator, branch, task, activity, day, start_at, end_at, "
    "stamp_start,"
    " stamp_end, description) VALUES (:o, :b, :t, :a, :d, :s, :e, :ss, :se, :x) RETURNING id";

const char* kDayWhere = " WHERE a.operator = :o AND a.day = :d AND a.branch = :b";

std::string dayQuerySql() {
    return std::string(kSelect) + kDayWhere + " ORDER BY a.start_at, a.id";
}

struct DayQuery {
    Reader reader;
    std::string op, branch;
    long long day = 0;
    soci::statement st;

    explicit DayQuery(soci::session& sql) : st(sql) {
        reader.bind(st);
        st.exchange(soci::use(op));
        st.exchange(soci::use(day));
        st.exchange(soci::use(branch));
        st.alloc();
        st.prepare(dayQuerySql());
        st.define_and_bind();
    }
};

/// The day's read on SQLite, straight on its connection: a day call is the
/// server's most frequent request, and the library's exchange of each column
/// into a bound variable and the copy of the whole record after it cost as
/// much as SQLite's own stepping of a day's few rows.
///
/// Ordered by the start alone, which the operator's index gives as it is
/// walked; the ties (by id) are put in order by appropriationsOfDay. With
/// the id in the ORDER BY, SQLite sorts every day's rows in a temporary
/// b-tree, a third of the query's instructions.
struct NativeDayQuery {
    SqliteStatement st;
    explicit NativeDayQuery(soci::session& sql)
        : st(sql, std::string(kSelect) + kDayWhere + " ORDER BY a.start_at") {}
};

/// Fills `r` with the current row of a read of kSelect's columns.
void nativeRecord(const SqliteStatement& st, AppropriationRecord& r) {
    r.id = st.int64(0);
    r.operatorCode = st.text(1);
    r.branch = st.text(2);
    r.task = st.text(3);
    r.activity = st.text(4);
    r.start = DateTime::fromSeconds(st.int64(5));
    if (!st.isNull(6)) r.end = DateTime::fromSeconds(st.int64(6));
    r.stampStart = DateTime::fromSeconds(st.int64(7));
    if (!st.isNull(8)) r.stampEnd = DateTime::fromSeconds(st.int64(8));
    r.description = st.text(9);
    r.taskDescription = st.text(10);
    r.processName = st.text(11);
    r.situation = st.text(12);
}

// A day holds a handful of rows: room for them at once instead of growing four times.
constexpr std::size_t kDayRows = 8;

}  // namespace

std::string operatorSaveLock(const std::string& op) {
    return "apropriacao:" + op;
}

std::vector<AppropriationRecord> appropriationsOfDay(const Database::Lease& db,
                                                     const std::string& op,
                                                     const std::string& branch,
                                                     const DateTime& day) {
    if (db.kind() == DatabaseKind::Sqlite) {
        return db.withPrepared<NativeDayQuery>([&](NativeDayQuery& q) {
            std::vector<AppropriationRecord> out;
            out.reserve(kDayRows);
            q.st.reset();
            q.st.bind(":o", op);
            q.st.bind(":d", dayNumberOf(day));
            q.st.bind(":b", branch);
            while (q.st.step()) nativeRecord(q.st, out.emplace_back());
            q.st.reset();
            std::sort(out.begin(), out.end(),
                      [](const AppropriationRecord& a, const AppropriationRecord& b) {
                          return std::pair(a.start, a.id) < std::pair(b.start, b.id);
                      });
            return out;
        });
    }
    return db.withPrepared<DayQuery>([&](DayQuery& q) {
        std::vector<AppropriationRecord> out;
        q.op = op;
        q.branch = branch;
        q.day = dayNumberOf(day);
        q.st.execute();
        while (q.st.fetch()) out.push_back(q.reader.record());
        return out;
    });
}

std::optional<AppropriationRecord> findAppropriation(soci::session& sql, std::int64_t id) {
    Reader reader;
    long long key = id;
    soci::statement st(sql);
    reader.bind(st);
    st.exchange(soci::use(key));
    st.alloc();
    st.prepare(std::string(kSelect) + " WHERE a.id = :id");
    st.define_and_bind();
    if (!st.execute(true)) return std::nullopt;
    return reader.record();
}

namespace {

struct ClashQuery {
    Reader reader;
    std::string op, branch;
    long long day = 0, from = 0, to = 0, exclude = 0;
    soci::statement st;

    explicit ClashQuery(soci::session& sql) : st(sql) {
        reader.bind(st);
        st.exchange(soci::use(op));
        st.exchange(soci::use(day));
        st.exchange(soci::use(branch));
        st.exchange(soci::use(branch));
        st.exchange(soci::use(to));
        st.exchange(soci::use(from));
        st.exchange(soci::use(from));
        st.exchange(soci::use(exclude));
        st.alloc();
        // Bounded to the operator's day so that the index narrows the search to a handful of rows.
        st.prepare(
            std::string(kSelect) +
            " WHERE a.operator = :o AND a.day = :d AND (:b1 = '' OR a.branch = :b2) AND a.start_at "
            "< :e"
            " AND (a.end_at > :s1 OR (a.end_at IS NULL AND a.start_at >= :s2)) AND a.id <> :x"
            " ORDER BY a.start_at, a.id");
        st.define_and_bind();
    }
};

// Punches never numbered (ordinal NULL) keep the order of their times.
const char* kPunchesOfDay =
    "SELECT company, operator, punched_at, direction, event, origin, utc_offset FROM punches"
    " WHERE operator = :o AND day = :d ORDER BY COALESCE(ordinal, 0), punched_at, id";

struct PunchQuery {
    PunchRecord p;
    std::string op;
    long long day = 0, at = 0;
    int offset = 0;
    soci::indicator offsetInd = soci::i_ok;
    soci::statement st;

    explicit PunchQuery(soci::session& sql) : st(sql) {
        st.exchange(soci::into(p.company));
        st.exchange(soci::into(p.operatorCode));
        st.exchange(soci::into(at));
        st.exchange(soci::into(p.direction));
        st.exchange(soci::into(p.event));
        st.exchange(soci::into(p.origin));
        st.exchange(soci::into(offset, offsetInd));
        st.exchange(soci::use(op));
        st.exchange(soci::use(day));
        st.alloc();
        st.prepare(kPunchesOfDay);
        st.define_and_bind();
    }
};

/// The day's punches on SQLite, straight on its connection, with the
/// ordinal and the id to put them in order after (as NativeDayQuery, and for
/// the same reason: an ORDER BY the index does not give is a sort in a
/// temporary b-tree on every read).
struct NativePunchQuery {
    SqliteStatement st;
    explicit NativePunchQuery(soci::session& sql)
        : st(sql,
             "SELECT company, operator, punched_at, direction, event, origin, utc_offset,"
             " COALESCE(ordinal, 0), id FROM punches WHERE operator = :o AND day = :d") {}
};

/// A punch with what orders it in its day.
struct OrderedPunch {
    long long ordinal = 0, id = 0;
    PunchRecord punch;
};

}  // namespace

std::vector<AppropriationRecord> clashingAppropriations(const Database::Lease& db,
                                                        const std::string& op,
                                                        const std::string& branch,
                                                        const DateTime& start, const DateTime& end,
                                                        std::int64_t excludeId) {
    return db.withPrepared<ClashQuery>([&](ClashQuery& q) {
        std::vector<AppropriationRecord> out;
        q.op = op;
        q.branch = branch;
        q.day = dayNumberOf(start);
        q.from = start.toSeconds();
        q.to = end.toSeconds();
        q.exclude = excludeId;
        q.st.execute();
        while (q.st.fetch()) out.push_back(q.reader.record());
        return out;
    });
}

namespace {

struct DaysQuery {
    std::string op, branch;
    long long first = 0, last = 0, day = 0;
    soci::statement st;

    explicit DaysQuery(soci::session& sql) : st(sql) {
        st.exchange(soci::into(day));
        st.exchange(soci::use(op));
        st.exchange(soci::use(first));
        st.exchange(soci::use(last));
        st.exchange(soci::use(branch));
        st.alloc();
        st.prepare(
            "SELECT DISTINCT day FROM appropriations WHERE operator = :o"
            " AND day BETWEEN :f AND :l AND branch = :b ORDER BY day");
        st.define_and_bind();
    }
};

}  // namespace

std::vector<DateTime> daysWithAppropriations(const Database::Lease& db, const std::string& op,
                                             const std::string& branch, int year) {
    return db.withPrepared<DaysQuery>([&](DaysQuery& q) {
        std::vector<DateTime> out;
        q.op = op;
        q.branch = branch;
        q.first = DateTime::date(year, 1, 1).dayNumber();
        q.last = DateTime::date(year, 12, 31).dayNumber();
        q.st.execute();
        while (q.st.fetch()) out.push_back(DateTime::fromDayNumber(q.day));
        return out;
    });
}

namespace {

struct PreviousDayQuery {
    std::string op, branch;
    long long before = 0, day = 0;
    soci::indicator dayInd = soci::i_null;
    soci::statement st;

    explicit PreviousDayQuery(soci::session& sql) : st(sql) {
        st.exchange(soci::into(day, dayInd));
        st.exchange(soci::use(op));
        st.exchange(soci::use(branch));
        st.exchange(soci::use(before));
        st.alloc();
        // MAX over the operator's index on (operator, day): one step back, however long ago.
        st.prepare(
            "SELECT MAX(day) FROM appropriations WHERE operator = :o AND branch = :b"
            " AND day < :d AND end_at IS NOT NULL");
        st.define_and_bind();
    }
};

}  // namespace

std::optional<DateTime> previousDayWithClosedAppropriations(const Database::Lease& db,
                                                            const std::string& op,
                                                            const std::string& branch,
                                                            const DateTime& day) {
    return db.withPrepared<PreviousDayQuery>([&](PreviousDayQuery& q) -> std::optional<DateTime> {
        q.op = op;
        q.branch = branch;
        q.before = dayNumberOf(day);
        q.dayInd = soci::i_null;
        if (!q.st.execute(true) || q.dayInd == soci::i_null) return std::nullopt;
        return DateTime::fromDayNumber(q.day);
    });
}

std::int64_t insertAppropriation(soci::session& sql, const AppropriationRecord& r) {
    long long day = dayNumberOf(r.start);
    long long start = r.start.toSeconds();
    long long end = r.end ? r.end->toSeconds() : 0;
    soci::indicator endInd = r.end ? soci::i_ok : soci::i_null;
    long long stampStart = r.stampStart.toSeconds();
    long long stampEnd = r.stampEnd ? r.stampEnd->toSeconds() : 0;
    soci::indicator stampEndInd = r.stampEnd ? soci::i_ok : soci::i_null;
    long long id = 0;
    sql << kInsert, soci::use(r.operatorCode), soci::use(r.branch), soci::use(r.task),
        soci::use(r.activity), soci::use(day), soci::use(start), soci::use(end, endInd),
        soci::use(stampStart), soci::use(stampEnd, stampEndInd), soci::use(r.description),
        soci::into(id);
    return id;
}

namespace {

struct InsertQuery {
    std::string op, branch, task, activity, description;
    long long day = 0, start = 0, end = 0, stampStart = 0, stampEnd = 0, id = 0;
    soci::indicator endInd = soci::i_ok, stampEndInd = soci::i_ok;
    soci::statement st;

    explicit InsertQuery(soci::session& sql) : st(sql) {
        st.exchange(soci::into(id));
        st.exchange(soci::use(op));
        st.exchange(soci::use(branch));
        st.exchange(soci::use(task));
        st.exchange(soci::use(activity));
        st.exchange(soci::use(day));
        st.exchange(soci::use(start));
        st.exchange(soci::use(end, endInd));
        st.exchange(soci::use(stampStart));
        st.exchange(soci::use(stampEnd, stampEndInd));
        st.exchange(soci::use(description));
        st.alloc();
        st.prepare(kInsert);
        st.define_and_bind();
    }
};

}  // namespace

std::int64_t insertAppropriation(const Database::Lease& db, const AppropriationRecord& r) {
    return db.withPrepared<InsertQuery>([&](InsertQuery& q) {
        q.op = r.operatorCode;
        q.branch = r.branch;
        q.task = r.task;
        q.activity = r.activity;
        q.description = r.description;
        q.day = dayNumberOf(r.start);
        q.start = r.start.toSeconds();
        q.end = r.end ? r.end->toSeconds() : 0;
        q.endInd = r.end ? soci::i_ok : soci::i_null;
        q.stampStart = r.stampStart.toSeconds();
        q.stampEnd = r.stampEnd ? r.stampEnd->toSeconds() : 0;
        q.stampEndInd = r.stampEnd ? soci::i_ok : soci::i_null;
        q.id = 0;
        fetchSingleRow(q.st);
        return static_cast<std::int64_t>(q.id);
    });
}

void updateAppropriation(soci::session& sql, const AppropriationRecord& r) {
    long long day = dayNumberOf(r.start);
    long long start = r.start.toSeconds();
    long long end = r.end ? r.end->toSeconds() : 0;
    soci::indicator endInd = r.end ? soci::i_ok : soci::i_null;
    long long id = r.id;
    sql << "UPDATE appropriations SET task = :t, activity = :a, day = :d, start_at = :s, end_at = "
           ":e,"
           " description = :x WHERE id = :id",
        soci::use(r.task), soci::use(r.activity), soci::use(day), soci::use(start),
        soci::use(end, endInd), soci::use(r.description), soci::use(id);
}

void deleteAppropriation(soci::session& sql, std::int64_t id) {
    long long key = id;
    sql << "DELETE FROM appropriations WHERE id = :id", soci::use(key);
}

std::vector<PunchRecord> punchesOfDay(const Database::Lease& db, const std::string& op,
                                      const DateTime& day) {
    if (db.kind() == DatabaseKind::Sqlite) {
        return db.withPrepared<NativePunchQuery>([&](NativePunchQuery& q) {
            std::vector<OrderedPunch> read;
            read.reserve(kDayRows);
            q.st.reset();
            q.st.bind(":o", op);
            q.st.bind(":d", dayNumberOf(day));
            while (q.st.step()) {
                OrderedPunch& o = read.emplace_back();
                o.ordinal = q.st.int64(7);
                o.id = q.st.int64(8);
                PunchRecord& p = o.punch;
                p.company = q.st.text(0);
                p.operatorCode = q.st.text(1);
                p.at = DateTime::fromSeconds(q.st.int64(2));
                p.direction = q.st.text(3);
                p.event = q.st.text(4);
                p.day = day.datePart();
                p.origin = q.st.text(5);
                if (!q.st.isNull(6)) p.utcOffsetMinutes = static_cast<int>(q.st.int64(6));
            }
            q.st.reset();
            // As the query for other databases orders them.
            std::sort(read.begin(), read.end(), [](const OrderedPunch& a, const OrderedPunch& b) {
                return std::tuple(a.ordinal, a.punch.at, a.id) <
                       std::tuple(b.ordinal, b.punch.at, b.id);
            });
            std::vector<PunchRecord> out;
            out.reserve(read.size());
            for (OrderedPunch& o : read) out.push_back(std::move(o.punch));
            return out;
        });
    }
    return db.withPrepared<PunchQuery>([&](PunchQuery& q) {
        std::vector<PunchRecord> out;
        q.op = op;
        q.day = dayNumberOf(day);
        q.st.execute();
        while (q.st.fetch()) {
            q.p.at = DateTime::fromSeconds(q.at);
            q.p.day = day.datePart();
            q.p.utcOffsetMinutes =
                q.offsetInd == soci::i_ok ? std::optional<int>(q.offset) : std::nullopt;
            out.push_back(q.p);
        }
        return out;
    });
}

void insertPunch(soci::session& sql, const PunchRecord& p) {
    long long at = p.at.toSeconds();
    long long day = dayNumberOf(p.day);
    sql << "INSERT INTO punches (company, operator, punched_at, direction, event, day, origin)"
           " VALUES (:c, :o, :a, :d, :e, :y, :g)",
        soci::use(p.company), soci::use(p.operatorCode), soci::use(at), soci::use(p.direction),
        soci::use(p.event), soci::use(day), soci::use(p.origin);
}

}  // namespace appserver

#include "appserver/stores/appropriation_store.h"

namespace appserver {

using platform::dataset::DateTime;

namespace {

// Columns of a read joined with the task and the activity, in the order Reader binds them.
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
        st.prepare(
            std::string(kSelect) +
            " WHERE a.operator = :o AND a.day = :d AND a.branch = :b ORDER BY a.start_at, a.id");
        st.define_and_bind();
    }
};

}  // namespace

std::string operatorSaveLock(const std::string& op) {
    return "apropriacao:" + op;
}

std::vector<AppropriationRecord> appropriationsOfDay(const Database::Lease& db,
                                                     const std::string& op,
                                                     const std::string& branch,
                                                     const DateTime& day) {
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
        // Punches never numbered (ordinal NULL) keep the order of their times.
        st.prepare(
            "SELECT company, operator, punched_at, direction, event, origin, utc_offset FROM "
            "punches"
            " WHERE operator = :o AND day = :d ORDER BY COALESCE(ordinal, 0), punched_at, id");
        st.define_and_bind();
    }
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

#include "appserver/stores/period_summary.h"

#include <fmt/format.h>

#include <algorithm>

#include "appserver/storage/sqlite_statement.h"
#include "appserver/stores/period_cell_cache.h"

namespace appserver {

using platform::dataset::DateTime;

namespace {

/// The rows of the chosen operators in `table` (alias `alias`): the team's
/// members (the team bound as :w) or the one operator. The operators' branch
/// is not asked here: only the listed operators' rows are kept.
std::string chosenRows(bool byTeam, const char* table, char alias) {
    return byTeam ? fmt::format(
                        "team_members m CROSS JOIN {0} {1} WHERE m.team = :w"
                        " AND {1}.operator = m.operator",
                        table, alias)
                  : fmt::format("{0} {1} WHERE {1}.operator = :w", table, alias);
}

// A team's reads ask for its members in the key's order: SQLite then walks
// the team's stretch of team_members' key whatever its statistics say
// (statistics taken before a team was added make it read the whole table).

std::string membersSql(bool byTeam) {
    // The versions alone: what a summary shows of each member is kept
    // under his, and read only when it moved.
    return byTeam ? "SELECT m.operator, COALESCE(v.version, 0) FROM team_members m"
                    " LEFT JOIN operator_totals_versions v ON v.operator = m.operator"
                    " WHERE m.team = :w ORDER BY m.operator"
                  : "SELECT v.operator, v.version FROM operator_totals_versions v"
                    " WHERE v.operator = :w";
}

std::string operatorsSql(bool byTeam) {
    return byTeam ? "SELECT o.code, o.name FROM team_members m"
                    " CROSS JOIN operator_branches ob CROSS JOIN operators o"
                    " WHERE m.team = :w AND ob.operator = m.operator"
                    " AND ob.branch = :b AND o.code = m.operator ORDER BY m.operator"
                  : "SELECT o.code, o.name FROM operator_branches ob CROSS JOIN operators o"
                    " WHERE ob.operator = :w AND ob.branch = :b AND o.code = ob.operator";
}

std::string closingsSql(bool byTeam) {
    return fmt::format(
        "SELECT c.operator, c.first_day, c.last_day FROM {} AND c.branch = :b"
        " AND c.last_day >= :f AND c.first_day <= :l{}",
        chosenRows(byTeam, "month_closings", 'c'), byTeam ? " ORDER BY m.operator" : "");
}

std::string appropriationsSql(bool byTeam) {
    // The day totals the database keeps as rows are written, in their key's
    // order (operator, branch, day): no sort, no row read.
    const std::string op = byTeam ? "m.operator" : "t.operator";
    return fmt::format(
        "SELECT {0}, t.day, t.seconds FROM {1} AND t.branch = :b"
        " AND t.day BETWEEN :f AND :l ORDER BY {0}, t.day",
        op, chosenRows(byTeam, "appropriation_day_totals", 't'));
}

std::string punchesSql(bool byTeam) {
    // The punches' day totals, paired as the rows were written.
    const std::string op = byTeam ? "m.operator" : "t.operator";
    return fmt::format(
        "SELECT {0}, t.day, t.paired_seconds FROM {1} AND t.day BETWEEN :f AND :l"
        " ORDER BY {0}, t.day",
        op, chosenRows(byTeam, "punch_day_totals", 't'));
}

/// What every read binds: the team or the operator, and the branch and
/// period where the read asks them.
struct Bound {
    std::string who, branch;
    long long from = 0, to = 0;

    /// Binds the values `sql` names to `st`, whose rows' targets are bound
    /// already, and prepares it.
    void prepare(soci::statement& st, const std::string& sql) {
        st.exchange(soci::use(who, "w"));
        if (sql.find(":b") != std::string::npos) st.exchange(soci::use(branch, "b"));
        if (sql.find(":f") != std::string::npos) {
            st.exchange(soci::use(from, "f"));
            st.exchange(soci::use(to, "l"));
        }
        st.alloc();
        st.prepare(sql);
        st.define_and_bind();
    }
};

template <bool ByTeam>
struct MembersRead : Bound {
    std::string code;
    long long version = 0;
    soci::statement st;
    explicit MembersRead(soci::session& sql) : st(sql) {
        st.exchange(soci::into(code));
        st.exchange(soci::into(version));
        prepare(st, periodSummarySql(ByTeam, SummaryRead::Members));
    }
};

template <bool ByTeam>
struct OperatorsRead : Bound {
    std::string code, name;
    soci::statement st;
    explicit OperatorsRead(soci::session& sql) : st(sql) {
        st.exchange(soci::into(code));
        st.exchange(soci::into(name));
        prepare(st, periodSummarySql(ByTeam, SummaryRead::Operators));
    }
};

template <bool ByTeam>
struct ClosingsRead : Bound {
    std::string code;
    long long first = 0, last = 0;
    soci::statement st;
    explicit ClosingsRead(soci::session& sql) : st(sql) {
        st.exchange(soci::into(code));
        st.exchange(soci::into(first));
        st.exchange(soci::into(last));
        prepare(st, periodSummarySql(ByTeam, SummaryRead::Closings));
    }
};

/// A read of day totals (operator, day, seconds): Read is the appropriations'
/// or the punches'.
template <bool ByTeam, SummaryRead Read>
struct DayTotalsRead : Bound {
    std::string code;
    long long day = 0, seconds = 0;
    soci::statement st;
    explicit DayTotalsRead(soci::session& sql) : st(sql) {
        st.exchange(soci::into(code));
        st.exchange(soci::into(day));
        st.exchange(soci::into(seconds));
        prepare(st, periodSummarySql(ByTeam, Read));
    }
};

/// The reads on SQLite: straight on its connection.
template <bool ByTeam, SummaryRead Read>
struct NativeRead {
    SqliteStatement st;
    explicit NativeRead(soci::session& sql) : st(sql, periodSummarySql(ByTeam, Read)) {}
};

/// One row of a read of totals: the operator, the day, the seconds.
struct DayTotalRow {
    std::string_view code;
    long long day = 0, seconds = 0;
};

/// Runs the prepared read Q with the query's values and hands each row to `row`.
template <typename Q, typename F>
void readEach(const Database::Lease& db, const PeriodSummaryQuery& query, F&& row) {
    db.withPrepared<Q>([&](Q& q) {
        q.who = query.team.empty() ? query.operatorCode : query.team;
        q.branch = query.branch;
        q.from = query.from.dayNumber();
        q.to = query.to.dayNumber();
        q.st.execute();
        while (q.st.fetch()) row(q);
        return 0;
    });
}

/// Runs the native read of `Read` with the values it names (the branch but
/// for the members and the punches, the period but for the members and the
/// operators) and hands each row to `row`.
template <bool ByTeam, SummaryRead Read, typename F>
void readNative(const Database::Lease& db, const PeriodSummaryQuery& query, F&& row) {
    using Q = NativeRead<ByTeam, Read>;
    db.withPrepared<Q>([&](Q& q) {
        SqliteStatement& st = q.st;
        st.reset();
        st.bind(":w", query.team.empty() ? query.operatorCode : query.team);
        if (Read != SummaryRead::Members && Read != SummaryRead::Punches)
            st.bind(":b", query.branch);
        if (Read != SummaryRead::Members && Read != SummaryRead::Operators) {
            st.bind(":f", static_cast<long long>(query.from.dayNumber()));
            st.bind(":l", static_cast<long long>(query.to.dayNumber()));
        }
        while (st.step()) row(st);
        st.reset();
        return 0;
    });
}

template <bool ByTeam, SummaryRead Read, typename F>
void readDayTotals(const Database::Lease& db, const PeriodSummaryQuery& query, F&& row) {
    if (db.kind() == DatabaseKind::Sqlite) {
        readNative<ByTeam, Read>(db, query, [&](const SqliteStatement& st) {
            row(DayTotalRow{st.text(0), st.int64(1), st.int64(2)});
        });
        return;
    }
    using Q = DayTotalsRead<ByTeam, Read>;
    readEach<Q>(db, query, [&](const Q& q) { row(DayTotalRow{q.code, q.day, q.seconds}); });
}

/// The listed operators, by code (byte order, whatever the database's collation).
template <bool ByTeam>
std::vector<ListedOperator> listedOperators(const Database::Lease& db,
                                            const PeriodSummaryQuery& query) {
    std::vector<ListedOperator> out;
    if (db.kind() == DatabaseKind::Sqlite)
        readNative<ByTeam, SummaryRead::Operators>(db, query, [&](const SqliteStatement& st) {
            out.push_back({std::string(st.text(0)), std::string(st.text(1)), false});
        });
    else
        readEach<OperatorsRead<ByTeam>>(db, query, [&](const OperatorsRead<ByTeam>& q) {
            out.push_back({q.code, q.name, false});
        });
    // Already so on SQLite, whose text order is the bytes'.
    const auto byCode = [](const ListedOperator& a, const ListedOperator& b) {
        return a.code < b.code;
    };
    if (!std::is_sorted(out.begin(), out.end(), byCode)) std::sort(out.begin(), out.end(), byCode);
    return out;
}

/// Finds an operator's place in the list; the reads come grouped by
/// operator, so the last one found is tried first.
class OperatorIndex {
public:
    explicit OperatorIndex(const std::vector<ListedOperator>& listed) : listed_(listed) {}

    /// -1 for an operator not listed (not at the branch).
    int find(std::string_view code) {
        if (last_ >= 0 && listed_[static_cast<std::size_t>(last_)].code == code) return last_;
        const auto at = std::lower_bound(
            listed_.begin(), listed_.end(), code,
            [](const ListedOperator& o, std::string_view c) { return o.code < c; });
        last_ =
            at != listed_.end() && at->code == code ? static_cast<int>(at - listed_.begin()) : -1;
        return last_;
    }

private:
    const std::vector<ListedOperator>& listed_;
    int last_ = -1;
};

/// One operator's closed months within the period: [first, last] day numbers.
using ClosedSpans = std::vector<std::pair<long long, long long>>;

template <bool ByTeam>
std::vector<ClosedSpans> closedSpans(const Database::Lease& db, const PeriodSummaryQuery& query,
                                     const std::vector<ListedOperator>& listed) {
    std::vector<ClosedSpans> spans(listed.size());
    OperatorIndex index(listed);
    const auto add = [&](std::string_view code, long long first, long long last) {
        if (const int i = index.find(code); i >= 0)
            spans[static_cast<std::size_t>(i)].emplace_back(first, last);
    };
    if (db.kind() == DatabaseKind::Sqlite)
        readNative<ByTeam, SummaryRead::Closings>(db, query, [&](const SqliteStatement& st) {
            add(st.text(0), st.int64(1), st.int64(2));
        });
    else
        readEach<ClosingsRead<ByTeam>>(
            db, query, [&](const ClosingsRead<ByTeam>& q) { add(q.code, q.first, q.last); });
    return spans;
}

bool within(const ClosedSpans& spans, long long day) {
    return std::any_of(spans.begin(), spans.end(),
                       [&](const auto& s) { return s.first <= day && day <= s.second; });
}

/// The days of every listed operator that hold a total, each operator's in
/// order, from two reads of the day totals: the team's, or the one operator's.
template <bool ByTeam>
std::vector<DayCells> readCells(const Database::Lease& db, const PeriodSummaryQuery& query,
                                const std::vector<ListedOperator>& listed) {
    const long long from = query.from.dayNumber();
    const auto days = static_cast<std::size_t>(query.to.dayNumber() - from + 1);
    std::vector<std::optional<std::int64_t>> appropriated(listed.size() * days);
    std::vector<std::optional<std::int64_t>> punched(listed.size() * days);
    OperatorIndex index(listed);
    const auto into = [&](std::vector<std::optional<std::int64_t>>* cells) {
        return [&index, cells, from, days](const DayTotalRow& r) {
            if (const int op = index.find(r.code); op >= 0)
                (*cells)[static_cast<std::size_t>(op) * days +
                         static_cast<std::size_t>(r.day - from)] = r.seconds;
        };
    };
    readDayTotals<ByTeam, SummaryRead::Appropriations>(db, query, into(&appropriated));
    readDayTotals<ByTeam, SummaryRead::Punches>(db, query, into(&punched));

    std::vector<DayCells> out(listed.size());
    for (std::size_t op = 0; op < listed.size(); ++op) {
        for (std::size_t d = 0; d < days; ++d) {
            const std::size_t cell = op * days + d;
            if (appropriated[cell] || punched[cell])
                out[op].push_back(
                    DayCell{from + static_cast<long long>(d), appropriated[cell], punched[cell]});
        }
    }
    return out;
}

/// The listed operators' parts of the period, read afresh: the operators,
/// their closings, and their days from the two reads of the day totals.
template <bool ByTeam>
std::vector<OperatorPeriod> readPeriods(const Database::Lease& db,
                                        const PeriodSummaryQuery& query) {
    std::vector<ListedOperator> listed = listedOperators<ByTeam>(db, query);
    if (listed.empty()) return {};
    std::vector<ClosedSpans> closed = closedSpans<ByTeam>(db, query, listed);
    std::vector<DayCells> cells = readCells<ByTeam>(db, query, listed);
    std::vector<OperatorPeriod> out(listed.size());
    for (std::size_t i = 0; i < listed.size(); ++i)
        out[i] = OperatorPeriod{std::move(listed[i].code), std::move(listed[i].name),
                                std::make_shared<const DayCells>(std::move(cells[i])),
                                std::move(closed[i])};
    return out;
}

/// A member of the query's team (or its one operator) with his version,
/// read before anything of him.
struct Member {
    std::string code;
    long long version = 0;
};

/// The members by code (byte order), whatever the database's collation.
template <bool ByTeam>
std::vector<Member> membersOf(const Database::Lease& db, const PeriodSummaryQuery& query) {
    std::vector<Member> out;
    if (db.kind() == DatabaseKind::Sqlite)
        readNative<ByTeam, SummaryRead::Members>(db, query, [&](const SqliteStatement& st) {
            out.push_back({std::string(st.text(0)), st.int64(1)});
        });
    else
        readEach<MembersRead<ByTeam>>(db, query, [&](const MembersRead<ByTeam>& q) {
            out.push_back({q.code, q.version});
        });
    // The one operator without a version row has had no change since they came.
    if (!ByTeam && out.empty()) out.push_back({query.operatorCode, 0});
    const auto byCode = [](const Member& a, const Member& b) { return a.code < b.code; };
    if (!std::is_sorted(out.begin(), out.end(), byCode)) std::sort(out.begin(), out.end(), byCode);
    return out;
}

/// The part of `code` in `read` (ordered by code), or null when he is not there.
OperatorPeriod* partOf(std::vector<OperatorPeriod>& read, const std::string& code) {
    const auto at =
        std::lower_bound(read.begin(), read.end(), code,
                         [](const OperatorPeriod& o, const std::string& c) { return o.code < c; });
    return at != read.end() && at->code == code ? &*at : nullptr;
}

/// The members' parts, each taken from the cache when it holds it at his
/// version and read otherwise (and kept there, under the version read before it).
template <bool ByTeam>
std::vector<OperatorPeriod> cachedPeriods(const Database::Lease& db,
                                          const PeriodSummaryQuery& query, PeriodCellCache& cache) {
    const long long from = query.from.dayNumber(), to = query.to.dayNumber();
    const std::vector<Member> members = membersOf<ByTeam>(db, query);
    std::vector<PeriodCellCache::Found> kept(members.size());
    std::vector<std::size_t> missing;
    for (std::size_t i = 0; i < members.size(); ++i) {
        kept[i] = cache.find(members[i].code, query.branch, from, to, members[i].version);
        if (!kept[i]) missing.push_back(i);
    }
    const auto keep = [&](std::size_t i, OperatorPeriod* read) {
        kept[i] = {true, read ? std::make_shared<const OperatorPeriod>(std::move(*read)) : nullptr};
        cache.keep(members[i].code, query.branch, from, to, members[i].version, kept[i].period);
    };
    std::vector<std::size_t> alone = missing;
    if (ByTeam && missing.size() * 2 > members.size()) {
        // Most of the team: one read of the team costs less than one per
        // operator. Who is not in it may have left the team since its
        // members were read, which says nothing of his branch: he is read alone.
        std::vector<OperatorPeriod> read = readPeriods<ByTeam>(db, query);
        alone.clear();
        for (const std::size_t i : missing) {
            if (OperatorPeriod* part = partOf(read, members[i].code))
                keep(i, part);
            else
                alone.push_back(i);
        }
    }
    for (const std::size_t i : alone) {
        PeriodSummaryQuery one = query;
        one.team.clear();
        one.operatorCode = members[i].code;
        std::vector<OperatorPeriod> read = readPeriods<false>(db, one);
        keep(i, read.empty() ? nullptr : &read.front());
    }
    std::vector<OperatorPeriod> out;
    out.reserve(members.size());
    for (const PeriodCellCache::Found& k : kept)
        if (k.period) out.push_back(*k.period);
    return out;
}

template <bool ByTeam>
std::vector<OperatorPeriod> byOperator(const Database::Lease& db, const PeriodSummaryQuery& query,
                                       PeriodCellCache* cache) {
    if (query.to < query.from) return {};
    return cache ? cachedPeriods<ByTeam>(db, query, *cache) : readPeriods<ByTeam>(db, query);
}

template <bool ByTeam>
std::vector<ListedOperator> operatorsOfMonth(const Database::Lease& db,
                                             const PeriodSummaryQuery& query) {
    std::vector<ListedOperator> listed = listedOperators<ByTeam>(db, query);
    const std::vector<ClosedSpans> closed = closedSpans<ByTeam>(db, query, listed);
    for (std::size_t i = 0; i < listed.size(); ++i) listed[i].monthClosed = !closed[i].empty();
    return listed;
}

}  // namespace

std::string periodSummarySql(bool byTeam, SummaryRead read) {
    switch (read) {
        case SummaryRead::Members:
            return membersSql(byTeam);
        case SummaryRead::Operators:
            return operatorsSql(byTeam);
        case SummaryRead::Closings:
            return closingsSql(byTeam);
        case SummaryRead::Appropriations:
            return appropriationsSql(byTeam);
        case SummaryRead::Punches:
            return punchesSql(byTeam);
    }
    return {};
}

std::vector<ListedOperator> summaryOperators(const Database::Lease& db,
                                             const PeriodSummaryQuery& query,
                                             const DateTime& firstDay) {
    PeriodSummaryQuery month = query;
    month.from = firstDay;
    month.to = firstDay.addMonths(1).addDays(-1);
    return query.team.empty() ? operatorsOfMonth<false>(db, month)
                              : operatorsOfMonth<true>(db, month);
}

bool OperatorPeriod::closedOn(long long day) const {
    return within(closed, day);
}

std::vector<OperatorPeriod> periodByOperator(const Database::Lease& db,
                                             const PeriodSummaryQuery& query,
                                             PeriodCellCache* cache) {
    return query.team.empty() ? byOperator<false>(db, query, cache)
                              : byOperator<true>(db, query, cache);
}

std::vector<DaySummary> periodSummary(const Database::Lease& db, const PeriodSummaryQuery& query) {
    std::vector<DaySummary> out;
    for (const OperatorPeriod& op : periodByOperator(db, query))
        for (const DayCell& c : *op.days)
            out.push_back(DaySummary{op.code, op.name, DateTime::fromDayNumber(c.day),
                                     c.appropriatedSeconds, c.punchedSeconds, op.closedOn(c.day)});
    return out;
}

}  // namespace appserver

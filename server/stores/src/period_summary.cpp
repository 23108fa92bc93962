#include "appserver/stores/period_summary.h"

#include <fmt/format.h>

#include <algorithm>

#include "appserver/storage/sqlite_statement.h"

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

std::string operatorsSql(bool byTeam) {
    return byTeam ? "SELECT o.code, o.name FROM team_members m CROSS JOIN operator_branches ob"
                    " CROSS JOIN operators o WHERE m.team = :w AND ob.operator = m.operator"
                    " AND ob.branch = :b AND o.code = m.operator"
                  : "SELECT o.code, o.name FROM operator_branches ob CROSS JOIN operators o"
                    " WHERE ob.operator = :w AND ob.branch = :b AND o.code = ob.operator";
}

std::string closingsSql(bool byTeam) {
    return fmt::format(
        "SELECT c.operator, c.first_day, c.last_day FROM {} AND c.branch = :b"
        " AND c.last_day >= :f AND c.first_day <= :l",
        chosenRows(byTeam, "month_closings", 'c'));
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

/// The two reads of totals, on SQLite: straight on its connection.
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

/// Binds the query's values to a native read (the branch when it names it).
void bindNative(SqliteStatement& st, const PeriodSummaryQuery& query, bool branch) {
    st.reset();
    st.bind(":w", query.team.empty() ? query.operatorCode : query.team);
    if (branch) st.bind(":b", query.branch);
    st.bind(":f", static_cast<long long>(query.from.dayNumber()));
    st.bind(":l", static_cast<long long>(query.to.dayNumber()));
}

template <bool ByTeam, SummaryRead Read, typename F>
void readDayTotals(const Database::Lease& db, const PeriodSummaryQuery& query, F&& row) {
    if (db.kind() == DatabaseKind::Sqlite) {
        using Q = NativeRead<ByTeam, Read>;
        db.withPrepared<Q>([&](Q& q) {
            bindNative(q.st, query, Read == SummaryRead::Appropriations);
            while (q.st.step()) row(DayTotalRow{q.st.text(0), q.st.int64(1), q.st.int64(2)});
            q.st.reset();
            return 0;
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
    readEach<OperatorsRead<ByTeam>>(db, query, [&](const OperatorsRead<ByTeam>& q) {
        out.push_back({q.code, q.name, false});
    });
    std::sort(out.begin(), out.end(),
              [](const ListedOperator& a, const ListedOperator& b) { return a.code < b.code; });
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
    readEach<ClosingsRead<ByTeam>>(db, query, [&](const ClosingsRead<ByTeam>& q) {
        if (const int i = index.find(q.code); i >= 0)
            spans[static_cast<std::size_t>(i)].emplace_back(q.first, q.last);
    });
    return spans;
}

bool within(const ClosedSpans& spans, long long day) {
    return std::any_of(spans.begin(), spans.end(),
                       [&](const auto& s) { return s.first <= day && day <= s.second; });
}

template <bool ByTeam>
std::vector<DaySummary> summarise(const Database::Lease& db, const PeriodSummaryQuery& query) {
    const std::vector<ListedOperator> listed = listedOperators<ByTeam>(db, query);
    if (listed.empty() || query.to < query.from) return {};
    const long long from = query.from.dayNumber();
    const auto days = static_cast<std::size_t>(query.to.dayNumber() - from + 1);
    const auto cellOf = [&](int op, long long day) {
        return static_cast<std::size_t>(op) * days + static_cast<std::size_t>(day - from);
    };
    const std::vector<ClosedSpans> closed = closedSpans<ByTeam>(db, query, listed);

    std::vector<std::optional<std::int64_t>> appropriated(listed.size() * days);
    std::vector<std::optional<std::int64_t>> punched(listed.size() * days);
    OperatorIndex index(listed);
    const auto into = [&](std::vector<std::optional<std::int64_t>>* cells) {
        return [&index, &cellOf, cells](const DayTotalRow& r) {
            if (const int op = index.find(r.code); op >= 0) (*cells)[cellOf(op, r.day)] = r.seconds;
        };
    };
    readDayTotals<ByTeam, SummaryRead::Appropriations>(db, query, into(&appropriated));
    readDayTotals<ByTeam, SummaryRead::Punches>(db, query, into(&punched));

    std::vector<DaySummary> out;
    for (std::size_t op = 0; op < listed.size(); ++op) {
        for (std::size_t d = 0; d < days; ++d) {
            const std::size_t cell = op * days + d;
            if (!appropriated[cell] && !punched[cell]) continue;
            const long long day = from + static_cast<long long>(d);
            out.push_back(DaySummary{listed[op].code, listed[op].name, DateTime::fromDayNumber(day),
                                     appropriated[cell], punched[cell], within(closed[op], day)});
        }
    }
    return out;
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

std::vector<DaySummary> periodSummary(const Database::Lease& db, const PeriodSummaryQuery& query) {
    return query.team.empty() ? summarise<false>(db, query) : summarise<true>(db, query);
}

}  // namespace appserver

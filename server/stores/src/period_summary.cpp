#include "appserver/stores/period_summary.h"

#include <fmt/format.h>

#include "appserver/stores/presence.h"

namespace appserver {

using platform::dataset::DateTime;

namespace {

/// What each row of the statement is: a closed month (amount = its last
/// day), a day's appropriations summed (amount = seconds, ordinal = rows),
/// or one punch (amount = its instant). They come in this order within an
/// operator's day, and a closing comes before the days of its month.
enum RowKind : int { kClosing = 0, kAppropriations = 1, kPunch = 2 };

/// The operators an arm reads, their names, and that they work at the branch.
std::string operatorsOf(bool byTeam) {
    return byTeam ? "team_members m CROSS JOIN operators o CROSS JOIN operator_branches ob"
                  : "operators o CROSS JOIN operator_branches ob";
}

std::string operatorsWhere(bool byTeam, int arm) {
    const std::string chosen = byTeam ? fmt::format("m.team = :t{0} AND o.code = m.operator", arm)
                                      : fmt::format("o.code = :o{0}", arm);
    return chosen + fmt::format(" AND ob.operator = o.code AND ob.branch = :b{0}", arm);
}

struct SummaryQuery {
    std::string who, branch;
    long long from = 0, to = 0;
    // One row of the statement.
    std::string code, name, direction;
    long long day = 0, amount = 0, ordinal = 0, id = 0;
    int kind = 0, utcOffset = 0;
    soci::indicator utcOffsetInd = soci::i_ok;
    soci::statement st;

    SummaryQuery(soci::session& sql, bool byTeam) : st(sql) {
        st.exchange(soci::into(code));
        st.exchange(soci::into(name));
        st.exchange(soci::into(day));
        st.exchange(soci::into(kind));
        st.exchange(soci::into(amount));
        st.exchange(soci::into(ordinal));
        st.exchange(soci::into(direction));
        st.exchange(soci::into(utcOffset, utcOffsetInd));
        st.exchange(soci::into(id));
        for (int arm = 0; arm < 3; ++arm) {
            st.exchange(soci::use(who));
            st.exchange(soci::use(branch));
            if (arm == 0) st.exchange(soci::use(branch));  // the closings' branch
            if (arm == 1) st.exchange(soci::use(branch));  // the appropriations' branch
            st.exchange(soci::use(from));
            st.exchange(soci::use(to));
        }
        st.alloc();
        st.prepare(periodSummarySql(
            sql.get_backend_name() == "postgresql" ? DatabaseKind::Postgres : DatabaseKind::Sqlite,
            byTeam));
        st.define_and_bind();
    }
};

struct TeamSummaryQuery : SummaryQuery {
    explicit TeamSummaryQuery(soci::session& sql) : SummaryQuery(sql, true) {}
};
struct OperatorSummaryQuery : SummaryQuery {
    explicit OperatorSummaryQuery(soci::session& sql) : SummaryQuery(sql, false) {}
};

/// Gathers the statement's rows into days, in the order they come.
class DayGatherer {
public:
    explicit DayGatherer(std::vector<DaySummary>& out) : out_(out) {}

    void add(const SummaryQuery& q) {
        if (q.code != op_) {
            finishDay();
            op_ = q.code;
            closedFrom_ = closedTo_ = 0;
            closedAny_ = false;
        }
        if (q.kind == kClosing) {
            // Months do not overlap: the latest closing seen is the only one
            // that can hold the days that follow.
            closedFrom_ = q.day;
            closedTo_ = q.amount;
            closedAny_ = true;
            return;
        }
        if (!day_ || day_->day.dayNumber() != q.day) {
            finishDay();
            day_ = DaySummary{q.code,
                              q.name,
                              DateTime::fromDayNumber(q.day),
                              std::nullopt,
                              std::nullopt,
                              closedAny_ && closedFrom_ <= q.day && q.day <= closedTo_};
        }
        if (q.kind == kAppropriations) {
            day_->appropriatedSeconds = q.amount;
        } else {
            PunchRecord p;
            p.at = DateTime::fromSeconds(q.amount);
            p.direction = q.direction;
            if (q.utcOffsetInd == soci::i_ok) p.utcOffsetMinutes = q.utcOffset;
            punches_.push_back(std::move(p));
        }
    }

    void finishDay() {
        if (!day_) return;
        if (!punches_.empty())
            day_->punchedSeconds = Presence::fromPunches(punches_).totalSeconds().value_or(0);
        out_.push_back(std::move(*day_));
        day_.reset();
        punches_.clear();
    }

private:
    std::vector<DaySummary>& out_;
    std::string op_;
    long long closedFrom_ = 0, closedTo_ = 0;
    bool closedAny_ = false;
    std::optional<DaySummary> day_;
    std::vector<PunchRecord> punches_;
};

template <typename Q>
std::vector<DaySummary> run(const Database::Lease& db, const PeriodSummaryQuery& query,
                            const std::string& who) {
    return db.withPrepared<Q>([&](Q& q) {
        std::vector<DaySummary> out;
        q.who = who;
        q.branch = query.branch;
        q.from = query.from.dayNumber();
        q.to = query.to.dayNumber();
        DayGatherer days(out);
        q.st.execute();
        while (q.st.fetch()) days.add(q);
        days.finishDay();
        return out;
    });
}

}  // namespace

std::string periodSummarySql(DatabaseKind kind, bool byTeam) {
    const std::string ops = operatorsOf(byTeam);
    // Each arm walks the chosen operators and, for each, the index of the
    // day's reads (operator, day, …) over the period's days.
    const std::string closings = fmt::format(
        "SELECT o.code AS code, o.name AS name, c.first_day AS day, {kind} AS kind,"
        " CAST(c.last_day AS BIGINT) AS amount, CAST(0 AS BIGINT) AS ordinal, '' AS direction,"
        " CAST(NULL AS INTEGER) AS utc_offset, CAST(0 AS BIGINT) AS id"
        " FROM {ops} CROSS JOIN month_closings c WHERE {where} AND c.operator = o.code"
        " AND c.branch = :cb AND c.last_day >= :f0 AND c.first_day <= :l0",
        fmt::arg("kind", int(kClosing)), fmt::arg("ops", ops),
        fmt::arg("where", operatorsWhere(byTeam, 0)));
    const std::string appropriations = fmt::format(
        "SELECT o.code, o.name, a.day, {kind}, CAST(COALESCE(SUM(a.end_at - a.start_at), 0) AS "
        "BIGINT),"
        " CAST(COUNT(*) AS BIGINT), '', CAST(NULL AS INTEGER), CAST(0 AS BIGINT)"
        " FROM {ops} CROSS JOIN appropriations a WHERE {where} AND a.operator = o.code"
        " AND a.branch = :ab AND a.day BETWEEN :f1 AND :l1 GROUP BY o.code, o.name, a.day",
        fmt::arg("kind", int(kAppropriations)), fmt::arg("ops", ops),
        fmt::arg("where", operatorsWhere(byTeam, 1)));
    // The punches in the order GetTotPontoReal reads them, so that both pair alike.
    const std::string punches = fmt::format(
        "SELECT o.code, o.name, p.day, {kind}, p.punched_at, CAST(COALESCE(p.ordinal, 0) AS "
        "BIGINT),"
        " p.direction, p.utc_offset, p.id"
        " FROM {ops} CROSS JOIN punches p WHERE {where} AND p.operator = o.code"
        " AND p.day BETWEEN :f2 AND :l2",
        fmt::arg("kind", int(kPunch)), fmt::arg("ops", ops),
        fmt::arg("where", operatorsWhere(byTeam, 2)));
    const std::string code = kind == DatabaseKind::Postgres ? "s.code COLLATE \"C\"" : "s.code";
    return "SELECT s.code, s.name, s.day, s.kind, s.amount, s.ordinal, s.direction, s.utc_offset,"
           " s.id FROM (" +
           closings + " UNION ALL " + appropriations + " UNION ALL " + punches + ") s ORDER BY " +
           code + ", s.day, s.kind, s.ordinal, s.amount, s.id";
}

std::vector<DaySummary> periodSummary(const Database::Lease& db, const PeriodSummaryQuery& query) {
    if (!query.team.empty()) return run<TeamSummaryQuery>(db, query, query.team);
    return run<OperatorSummaryQuery>(db, query, query.operatorCode);
}

}  // namespace appserver

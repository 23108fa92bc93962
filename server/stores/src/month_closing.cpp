#include "appserver/stores/month_closing.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "appserver/stores/appropriation_store.h"
#include "appserver/stores/audit_trail.h"

namespace appserver {

using platform::dataset::DateTime;

std::optional<CalendarMonth> CalendarMonth::parse(std::string_view text) {
    if (text.size() != 7 || text[4] != '-') return std::nullopt;
    int value[2] = {0, 0};
    for (std::size_t i = 0; i < 7; ++i) {
        if (i == 4) continue;
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        int& v = value[i < 4 ? 0 : 1];
        v = v * 10 + (text[i] - '0');
    }
    if (value[0] < 1 || value[1] < 1 || value[1] > 12) return std::nullopt;
    return CalendarMonth{value[0], value[1]};
}

CalendarMonth CalendarMonth::of(const DateTime& day) {
    return {day.year, day.month};
}

DateTime CalendarMonth::firstDay() const {
    return DateTime::date(year, month, 1);
}

DateTime CalendarMonth::lastDay() const {
    return firstDay().addMonths(1).addDays(-1);
}

std::string CalendarMonth::text() const {
    return fmt::format("{:04}-{:02}", year, month);
}

namespace {

struct ClosedQuery {
    std::string op, branch;
    long long day = 0;
    int n = 0;
    soci::statement st;

    explicit ClosedQuery(soci::session& sql) : st(sql) {
        st.exchange(soci::into(n));
        st.exchange(soci::use(op));
        st.exchange(soci::use(branch));
        st.exchange(soci::use(day));
        st.exchange(soci::use(day));
        st.alloc();
        // The primary key (operator, branch, first_day) bounds the search to
        // the operator's closings at the branch.
        st.prepare(
            "SELECT COUNT(*) FROM month_closings WHERE operator = :o AND branch = :b"
            " AND first_day <= :d1 AND last_day >= :d2");
        st.define_and_bind();
    }
};

/// What the trail keeps of a month's state.
std::string closingValues(const CalendarMonth& month, const std::optional<MonthClosing>& closed) {
    nlohmann::ordered_json v;
    v["month"] = month.text();
    v["closed"] = closed.has_value();
    if (closed) {
        v["closedBy"] = closed->closedBy;
        v["closedAt"] = closed->closedAt.toIso();
    }
    return v.dump();
}

std::optional<MonthClosing> findClosing(soci::session& sql, const std::string& op,
                                        const std::string& branch, const CalendarMonth& month) {
    MonthClosing c;
    long long first = month.firstDay().dayNumber(), at = 0;
    sql << "SELECT closed_by, closed_at FROM month_closings WHERE operator = :o AND branch = :b"
           " AND first_day = :f",
        soci::use(op), soci::use(branch), soci::use(first), soci::into(c.closedBy), soci::into(at);
    if (!sql.got_data()) return std::nullopt;
    c.operatorCode = op;
    c.branch = branch;
    c.month = month;
    c.closedAt = DateTime::fromSeconds(at);
    return c;
}

}  // namespace

bool changeMonthClosing(const Database::Lease& db, WriteTransaction& tx,
                        const MonthClosingChange& change) {
    tx.lockName(operatorSaveLock(change.operatorCode));
    soci::session& sql = db.sql();
    const std::optional<MonthClosing> before =
        findClosing(sql, change.operatorCode, change.branch, change.month);
    if (before.has_value() == change.close) return false;
    long long first = change.month.firstDay().dayNumber();
    std::optional<MonthClosing> after;
    if (change.close) {
        long long last = change.month.lastDay().dayNumber(), at = change.at.toSeconds();
        sql << "INSERT INTO month_closings (operator, branch, first_day, last_day, closed_by,"
               " closed_at) VALUES (:o, :b, :f, :l, :u, :a)",
            soci::use(change.operatorCode), soci::use(change.branch), soci::use(first),
            soci::use(last), soci::use(change.by), soci::use(at);
        after =
            MonthClosing{change.operatorCode, change.branch, change.month, change.by, change.at};
    } else {
        sql << "DELETE FROM month_closings WHERE operator = :o AND branch = :b AND first_day = :f",
            soci::use(change.operatorCode), soci::use(change.branch), soci::use(first);
    }
    AuditEntry e;
    e.at = change.at;
    e.user = change.by;
    e.address = change.address;
    e.action = change.close ? "close" : "reopen";
    e.operatorCode = change.operatorCode;
    e.branch = change.branch;
    e.day = change.month.firstDay();
    e.key = change.month.text();
    e.before = closingValues(change.month, before);
    e.after = closingValues(change.month, after);
    recordAudit(db, e);
    return true;
}

bool isMonthClosed(const Database::Lease& db, const std::string& op, const std::string& branch,
                   const DateTime& day) {
    return db.withPrepared<ClosedQuery>([&](ClosedQuery& q) {
        q.op = op;
        q.branch = branch;
        q.day = day.dayNumber();
        q.n = 0;
        fetchSingleRow(q.st);
        return q.n > 0;
    });
}

std::vector<MonthClosing> monthClosings(soci::session& sql, const DateTime& from,
                                        const DateTime& to) {
    std::vector<MonthClosing> out;
    MonthClosing c;
    long long first = 0, at = 0, fromDay = from.dayNumber(), toDay = to.dayNumber();
    soci::statement st =
        (sql.prepare << "SELECT operator, branch, first_day, closed_by, closed_at FROM "
                        "month_closings WHERE last_day >= :f AND first_day <= :t",
         soci::into(c.operatorCode), soci::into(c.branch), soci::into(first),
         soci::into(c.closedBy), soci::into(at), soci::use(fromDay), soci::use(toDay));
    st.execute();
    while (st.fetch()) {
        c.month = CalendarMonth::of(DateTime::fromDayNumber(first));
        c.closedAt = DateTime::fromSeconds(at);
        out.push_back(c);
    }
    return out;
}

}  // namespace appserver

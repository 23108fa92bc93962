#include "closed_month_marks.h"

#include <algorithm>

#include "appserver/stores/month_closing.h"

namespace appserver {

using platform::dataset::DateTime;

ClosedMonthMarks::ClosedMonthMarks(soci::session& sql, const DateTime& from, const DateTime& to)
    : sql_(sql) {
    for (const MonthClosing& c : monthClosings(sql, from, to))
        closed_.emplace(c.operatorCode, c.branch, c.month.firstDay().dayNumber());
}

long long ClosedMonthMarks::monthStart(long long day) {
    return CalendarMonth::of(DateTime::fromDayNumber(day)).firstDay().dayNumber();
}

bool ClosedMonthMarks::closedAt(const std::string& op, const std::string& branch,
                                long long day) const {
    // Most exports meet no closing at all: no date arithmetic for them.
    return !closed_.empty() && closed_.count({op, branch, monthStart(day)}) > 0;
}

bool ClosedMonthMarks::closedEverywhere(const std::string& op, long long day) {
    if (closed_.empty()) return false;
    const long long start = monthStart(day);
    const std::vector<std::string>& branches = branchesOf(op);
    return !branches.empty() &&
           std::all_of(branches.begin(), branches.end(), [&](const std::string& b) {
               return closed_.count({op, b, start}) > 0;
           });
}

const std::vector<std::string>& ClosedMonthMarks::branchesOf(const std::string& op) {
    if (op == branchesOp_) return branches_;
    branches_.clear();
    std::string branch;
    soci::statement st =
        (sql_.prepare << "SELECT branch FROM operator_branches WHERE operator = :o",
         soci::into(branch), soci::use(op));
    st.execute();
    while (st.fetch()) branches_.push_back(branch);
    branchesOp_ = op;
    return branches_;
}

}  // namespace appserver

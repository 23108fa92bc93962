#include "appserver/storage/punch_totals_deferral.h"

#include <algorithm>

#include "paired_punches_sql.h"

namespace appserver {

PunchTotalsDeferral::PunchTotalsDeferral(const Database::Lease& lease) : lease_(lease) {
    if (lease.kind() != DatabaseKind::Sqlite) return;
    lease.sql() << "INSERT INTO punch_totals_deferred (since) VALUES (unixepoch())";
    on_ = true;
}

void PunchTotalsDeferral::touch(const std::string& op, long long firstDay, long long lastDay) {
    if (!on_) return;
    auto [it, added] = days_.try_emplace(op, firstDay, lastDay);
    if (added) return;
    it->second.first = std::min(it->second.first, firstDay);
    it->second.second = std::max(it->second.second, lastDay);
}

void PunchTotalsDeferral::finish() {
    if (!on_) return;
    soci::session& sql = lease_.sql();
    std::string op;
    long long from = 0, to = 0;
    soci::statement drop = (sql.prepare << "DELETE FROM punch_day_totals WHERE operator = :o"
                                           " AND day BETWEEN :a AND :b",
                            soci::use(op), soci::use(from), soci::use(to));
    soci::statement count =
        (sql.prepare << "INSERT INTO punch_day_totals (operator, day, punches, paired_seconds) " +
                            pairedPunches("operator = :o AND day BETWEEN :a AND :b",
                                          "operator, day"),
         soci::use(op), soci::use(from), soci::use(to));
    for (const auto& [name, range] : days_) {
        op = name;
        from = range.first;
        to = range.second;
        drop.execute(true);
        count.execute(true);
    }
    sql << "DELETE FROM punch_totals_deferred";
    days_.clear();
    on_ = false;
}

}  // namespace appserver

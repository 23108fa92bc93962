#include "appropriation_fill.h"

#include <fmt/format.h>

#include <algorithm>

#include "appserver/storage/soci_includes.h"
#include "appserver/stores/password_hasher.h"

namespace bench {

std::string fillOperatorCode(int i, int codeWidth) {
    return fmt::format("{:0{}}", 100000 + i, codeWidth);
}

long long fillDayCount(long long rows) {
    return std::max(1LL, rows / (kFillOperators * kFillRowsPerDay));
}

platform::dataset::DateTime fillFirstDay(long long rows, const platform::dataset::DateTime& today) {
    return today.datePart().addDays(-fillDayCount(rows) - 31);
}

std::optional<platform::dataset::DateTime> storedFillFirstDay(appserver::Database& db) {
    auto lease = db.acquire();
    long long first = 0;
    soci::indicator ind = soci::i_null;
    lease.sql() << "SELECT MIN(day) FROM appropriations", soci::into(first, ind);
    if (ind == soci::i_null) return std::nullopt;
    return platform::dataset::DateTime::fromDayNumber(first);
}

std::optional<appserver::CalendarMonth> fillFirstWholeMonth(
    const platform::dataset::DateTime& first, long long rows) {
    const platform::dataset::DateTime last = first.addDays(fillDayCount(rows) - 1);
    appserver::CalendarMonth month = appserver::CalendarMonth::of(first);
    if (month.firstDay() < first) month = appserver::CalendarMonth::of(month.lastDay().addDays(1));
    if (last < month.lastDay()) return std::nullopt;
    return month;
}

void fillAppropriations(appserver::Database& db, const FillPlan& plan) {
    auto lease = db.acquire();
    soci::session& sql = lease.sql();
    const std::string hash =
        appserver::PasswordHasher(appserver::HashCost::minimum()).hash(plan.password);
    const std::string responsible = fillOperatorCode(0, plan.codeWidth);
    long long operators = kFillOperators, rows = plan.rows;
    // Codes run from 100000: zero-padding them to the width is a prefix, which
    // both databases write the same way.
    const std::string pad(static_cast<std::size_t>(std::max(0, plan.codeWidth - 6)), '0');
    const long long first = plan.firstDay.dayNumber();
    appserver::WriteTransaction tx(lease);
    sql << "INSERT INTO branches (code, name) VALUES ('0001', 'Matriz')";
    sql << "INSERT INTO teams (code, name) VALUES ('EQ01', 'Desenvolvimento')";
    sql << "INSERT INTO operators (code, name, password_hash) WITH RECURSIVE n(i) AS (SELECT 0 "
           "UNION ALL"
           " SELECT i + 1 FROM n WHERE i < :ops - 1) SELECT CAST(:p AS TEXT) || CAST(100000 + i AS "
           "TEXT),"
           " 'Operador ' || CAST(i AS TEXT), :h FROM n",
        soci::use(operators), soci::use(pad), soci::use(hash);
    sql << "INSERT INTO operator_branches (operator, branch) SELECT code, '0001' FROM operators";
    sql << "INSERT INTO operator_screens (operator, screen) SELECT code, 'Zep00700' FROM operators";
    sql << "INSERT INTO team_members (team, operator) SELECT 'EQ01', code FROM operators";
    for (int t = 1; t <= 9; ++t) {
        const std::string task = fmt::format("{:010}", t);
        sql << "INSERT INTO tasks (branch, task, description, project, baseline, process_code, "
               "process_name)"
               " VALUES ('0001', :t, 'Tarefa de carga', 'PRJ', '001', 'PR', 'Processo de carga')",
            soci::use(task);
        for (int a = 1; a <= 4; ++a) {
            const std::string activity = fmt::format("{:05}", a);
            sql << "INSERT INTO activities (branch, task, activity, process_code, process_name, "
                   "situation,"
                   " work_item_code, work_item_name, responsible) VALUES ('0001', :t, :a, 'COD', "
                   "'Codificação',"
                   " 'A', 'IT', 'Item', :r)",
                soci::use(task), soci::use(activity), soci::use(responsible);
        }
    }
    sql << "INSERT INTO appropriations (operator, branch, task, activity, day, start_at, end_at, "
           "stamp_start,"
           " stamp_end, description) WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM "
           "n WHERE i < :rows - 1)"
           " SELECT CAST(:p AS TEXT) || CAST(100000 + i % 1000 AS TEXT), '0001',"
           " '000000000' || CAST(1 + i % 9 AS TEXT), '0000' || CAST(1 + i % 4 AS TEXT), :f1 + (i / "
           "1000) / 5,"
           " (:f2 + (i / 1000) / 5) * 86400 + 28800 + ((i / 1000) % 5) * 3600,"
           " (:f3 + (i / 1000) / 5) * 86400 + 28800 + ((i / 1000) % 5) * 3600 + 3000,"
           " (:f4 + (i / 1000) / 5) * 86400 + 28800 + ((i / 1000) % 5) * 3600 + 3060,"
           " (:f5 + (i / 1000) / 5) * 86400 + 28800 + ((i / 1000) % 5) * 3600 + 3060,"
           " 'Desenvolvimento do módulo de faturamento conforme o combinado com a área' FROM n",
        soci::use(rows), soci::use(pad), soci::use(first), soci::use(first), soci::use(first),
        soci::use(first), soci::use(first);
    sql << "INSERT INTO punches (company, operator, punched_at, direction, event, day, origin)"
           " SELECT '01', operator, MIN(start_at) - 120, '1', 'E1', day, 'CAT' FROM appropriations"
           " GROUP BY operator, day";
    sql << "INSERT INTO punches (company, operator, punched_at, direction, event, day, origin)"
           " SELECT '01', operator, MAX(end_at) + 120, '2', 'S1', day, 'CAT' FROM appropriations"
           " GROUP BY operator, day";
    tx.commit();
    sql << "ANALYZE";
}

}  // namespace bench

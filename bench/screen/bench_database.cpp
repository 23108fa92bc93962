#include "bench_database.h"

#include <fmt/format.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>

#include <unistd.h>

#include "database.h"
#include "migrations.h"
#include "password_hasher.h"
#include "soci_includes.h"

namespace screen_bench {

using appserver::Database;
using appserver::DatabaseOptions;
using appserver::DatabaseUrl;
using dataset::DateTime;

namespace {

DateTime serverToday() {
    return DateTime::parseIso(kServerNow)->datePart();
}

/// One transaction of set-based inserts: a million rows in seconds, where
/// row-by-row inserts would take minutes.
void fill(Database& db, long long rows) {
    auto lease = db.acquire();
    soci::session& sql = lease.sql();
    const std::string hash = appserver::PasswordHasher(appserver::HashCost::minimum()).hash(kPassword);
    const long long first = firstFilledDay(rows).dayNumber();
    long long operators = kOperators;
    appserver::WriteTransaction tx(lease);
    sql << "INSERT INTO branches (code, name) VALUES ('0001', 'Matriz')";
    sql << "INSERT INTO teams (code, name) VALUES ('EQ01', 'Desenvolvimento')";
    sql << "INSERT INTO operators (code, name, password_hash) WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL"
           " SELECT i + 1 FROM n WHERE i < :ops - 1) SELECT substr('000000000000' || CAST(100000 + i AS TEXT), -12),"
           " 'Operador ' || CAST(i AS TEXT), :h FROM n",
        soci::use(operators), soci::use(hash);
    sql << "INSERT INTO operator_branches (operator, branch) SELECT code, '0001' FROM operators";
    sql << "INSERT INTO operator_screens (operator, screen) SELECT code, 'Zep00700' FROM operators";
    sql << "INSERT INTO team_members (team, operator) SELECT 'EQ01', code FROM operators";
    for (int t = 1; t <= 9; ++t) {
        const std::string task = fmt::format("{:010}", t);
        sql << "INSERT INTO tasks (branch, task, description, project, baseline, process_code, process_name)"
               " VALUES ('0001', :t, 'Tarefa de carga', 'PRJ', '001', 'PR', 'Processo de carga')",
            soci::use(task);
        for (int a = 1; a <= 4; ++a) {
            const std::string activity = fmt::format("{:05}", a);
            sql << "INSERT INTO activities (branch, task, activity, process_code, process_name, situation,"
                   " work_item_code, work_item_name, responsible) VALUES ('0001', :t, :a, 'COD', 'Codificação',"
                   " 'A', 'IT', 'Item', '000000100000')",
                soci::use(task), soci::use(activity);
        }
    }
    // Row i: operator i % kOperators, day (i / kOperators) / kRowsPerDay,
    // the ((i / kOperators) % kRowsPerDay)-th hour from 08:00, 50 minutes long.
    sql << "INSERT INTO appropriations (operator, branch, task, activity, day, start_at, end_at, stamp_start,"
           " stamp_end, description) WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < :rows - 1)"
           " SELECT substr('000000000000' || CAST(100000 + i % 1000 AS TEXT), -12), '0001',"
           " '000000000' || CAST(1 + i % 9 AS TEXT), '0000' || CAST(1 + i % 4 AS TEXT), :f1 + (i / 1000) / 5,"
           " (:f2 + (i / 1000) / 5) * 86400 + 28800 + ((i / 1000) % 5) * 3600,"
           " (:f3 + (i / 1000) / 5) * 86400 + 28800 + ((i / 1000) % 5) * 3600 + 3000,"
           " (:f4 + (i / 1000) / 5) * 86400 + 28800 + ((i / 1000) % 5) * 3600 + 3060,"
           " (:f5 + (i / 1000) / 5) * 86400 + 28800 + ((i / 1000) % 5) * 3600 + 3060,"
           " 'Desenvolvimento do módulo de faturamento conforme o combinado com a área' FROM n",
        soci::use(rows), soci::use(first), soci::use(first), soci::use(first), soci::use(first),
        soci::use(first);
    sql << "INSERT INTO punches (company, operator, punched_at, direction, event, day, origin)"
           " SELECT '01', operator, MIN(start_at) - 120, '1', 'E1', day, 'CAT' FROM appropriations"
           " GROUP BY operator, day";
    sql << "INSERT INTO punches (company, operator, punched_at, direction, event, day, origin)"
           " SELECT '01', operator, MAX(end_at) + 120, '2', 'S1', day, 'CAT' FROM appropriations"
           " GROUP BY operator, day";
    tx.commit();
    sql << "ANALYZE";
}

}  // namespace

DateTime firstFilledDay(long long rows) {
    // The last filled day is a few days before the server's today, so the
    // year load of today's year finds marked days.
    return serverToday().addDays(-filledDayCount(rows) - 3);
}

long long filledDayCount(long long rows) {
    return std::max(1LL, rows / (kOperators * kRowsPerDay));
}

std::filesystem::path preparedDatabase(const std::filesystem::path& folder, long long rows) {
    if (rows < kOperators * kRowsPerDay)
        throw std::invalid_argument(
            fmt::format("--rows must be at least {} (a day for every operator)", kOperators * kRowsPerDay));
    std::filesystem::create_directories(folder);
    // The layout's version is part of the name: a changed fill never reuses an old file.
    const auto path = folder / fmt::format("screen-bench-v1-{}.db", rows);
    if (std::filesystem::exists(path)) {
        std::printf("database %s (cached)\n", path.c_str());
        return path;
    }
    // Filled under another name and renamed when complete, so that an
    // interrupted fill is never taken for a finished one.
    const auto partial = folder / fmt::format("screen-bench-v1-{}.db.{}.partial", rows, ::getpid());
    std::filesystem::remove(partial);
    const auto t0 = std::chrono::steady_clock::now();
    {
        Database db(DatabaseUrl::parse("sqlite:" + partial.string()), DatabaseOptions{});
        appserver::migrate(db);
        fill(db, rows);
    }
    for (const char* suffix : {"-wal", "-shm"}) {
        // Usually gone once the last connection has closed; kept with the file if not.
        std::filesystem::path side = partial, target = path;
        side += suffix;
        target += suffix;
        if (std::filesystem::exists(side)) std::filesystem::rename(side, target);
    }
    std::filesystem::rename(partial, path);
    std::printf("database %s filled with %lld appropriations in %.1f s\n", path.c_str(), rows,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    return path;
}

}  // namespace screen_bench

#include "bench_database.h"

#include <fmt/format.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>

#include <unistd.h>

#include "appserver/storage/database.h"
#include "appserver/storage/migrations.h"
#include "appserver/storage/soci_includes.h"

namespace screen_bench {

using appserver::Database;
using appserver::DatabaseOptions;
using appserver::DatabaseUrl;
using platform::dataset::DateTime;

namespace {

DateTime serverToday() {
    return DateTime::parseIso(kServerNow)->datePart();
}

/// The summary's team of the first kSummaryTeamSize operators, and the
/// summary's permission for kUser.
void addSummaryTeam(Database& db) {
    auto lease = db.acquire();
    soci::session& sql = lease.sql();
    appserver::WriteTransaction tx(lease);
    const std::string team = kSummaryTeam;
    const std::string user = kUser;
    const int size = kSummaryTeamSize;
    sql << "INSERT INTO teams (code, name) VALUES (:t, 'Equipe de cinquenta')", soci::use(team);
    sql << "INSERT INTO team_members (team, operator) SELECT :t, code FROM operators"
           " ORDER BY code LIMIT :n",
        soci::use(team), soci::use(size);
    sql << "INSERT INTO operator_screens (operator, screen) VALUES (:u, 'Zep00710')",
        soci::use(user);
    tx.commit();
}

}  // namespace

DateTime firstFilledDay(long long rows) {
    // The last filled day is a few days before the server's today, so the
    // year load of today's year finds marked days.
    return serverToday().addDays(-filledDayCount(rows) - 3);
}

long long filledDayCount(long long rows) {
    return bench::fillDayCount(rows);
}

std::filesystem::path preparedDatabase(const std::filesystem::path& folder, long long rows) {
    if (rows < kOperators * kRowsPerDay)
        throw std::invalid_argument(fmt::format(
            "--rows must be at least {} (a day for every operator)", kOperators * kRowsPerDay));
    std::filesystem::create_directories(folder);
    // The layout's version is part of the name: a changed fill never reuses an old file.
    auto path = folder / fmt::format("screen-bench-v2-{}.db", rows);
    if (std::filesystem::exists(path)) {
        std::printf("database %s (cached)\n", path.c_str());
        return path;
    }
    // Filled under another name and renamed when complete, so that an
    // interrupted fill is never taken for a finished one.
    const auto partial = folder / fmt::format("screen-bench-v2-{}.db.{}.partial", rows, ::getpid());
    std::filesystem::remove(partial);
    const auto t0 = std::chrono::steady_clock::now();
    {
        Database db(DatabaseUrl::parse("sqlite:" + partial.string()), DatabaseOptions{});
        appserver::migrate(db);
        bench::fillAppropriations(db, {rows, 12, firstFilledDay(rows), kPassword});
        addSummaryTeam(db);
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

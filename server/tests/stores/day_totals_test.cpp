// The day totals the database keeps: after every kind of write (rows and
// punches written by SQL, by the day's saves, by a clock import, by an
// older database's migration) they equal what the rows and punches
// themselves make, summed here and paired by Presence; and the period
// summary answers from them what the rows and punches make.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <random>
#include <thread>
#include <tuple>

#include "appserver/clockfile/afd_import.h"
#include "appserver/clockfile/afd_writer.h"
#include "appserver/storage/migrations.h"
#include "appserver/storage/punch_totals_deferral.h"
#include "appserver/stores/period_summary.h"
#include "appserver/stores/presence.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;
using platform::dataset::DateTime;

constexpr const char* kAna = "000000000101";
constexpr const char* kCarla = "000000000103";

/// (operator, branch, day) → (rows or punches, seconds); punches have no branch.
using Totals =
    std::map<std::tuple<std::string, std::string, long long>, std::pair<long long, long long>>;

Totals storedAppropriationTotals(Database& db) {
    auto lease = db.acquire();
    Totals out;
    std::string op, branch;
    long long day = 0, rows = 0, seconds = 0;
    soci::statement st =
        (lease.sql().prepare << "SELECT operator, branch, CAST(day AS BIGINT),"
                                " CAST(row_count AS BIGINT), seconds FROM appropriation_day_totals",
         soci::into(op), soci::into(branch), soci::into(day), soci::into(rows),
         soci::into(seconds));
    st.execute();
    while (st.fetch()) out[{op, branch, day}] = {rows, seconds};
    return out;
}

/// The rows themselves: a row without end counts, and adds no seconds.
Totals rawAppropriationTotals(Database& db) {
    auto lease = db.acquire();
    Totals out;
    std::string op, branch;
    long long day = 0, start = 0, end = 0;
    soci::indicator endInd = soci::i_ok;
    soci::statement st = (lease.sql().prepare << "SELECT operator, branch, CAST(day AS BIGINT),"
                                                 " start_at, end_at FROM appropriations",
                          soci::into(op), soci::into(branch), soci::into(day), soci::into(start),
                          soci::into(end, endInd));
    st.execute();
    while (st.fetch()) {
        auto& [rows, seconds] = out[{op, branch, day}];
        ++rows;
        if (endInd == soci::i_ok) seconds += end - start;
    }
    return out;
}

Totals storedPunchTotals(Database& db) {
    auto lease = db.acquire();
    Totals out;
    std::string op;
    long long day = 0, punches = 0, seconds = 0;
    soci::statement st =
        (lease.sql().prepare << "SELECT operator, CAST(day AS BIGINT), CAST(punches AS BIGINT),"
                                " paired_seconds FROM punch_day_totals",
         soci::into(op), soci::into(day), soci::into(punches), soci::into(seconds));
    st.execute();
    while (st.fetch()) out[{op, "", day}] = {punches, seconds};
    return out;
}

/// The punches themselves, each day's in the clock's order and paired by Presence.
Totals rawPunchTotals(Database& db) {
    struct Raw {
        std::string op;
        long long day, ordinal, at, id;
        PunchRecord punch;
    };
    std::vector<Raw> all;
    {
        auto lease = db.acquire();
        std::string op, direction;
        long long day = 0, ordinal = 0, at = 0, id = 0;
        int offset = 0;
        soci::indicator offsetInd = soci::i_ok;
        soci::statement st =
            (lease.sql().prepare
                 << "SELECT operator, CAST(day AS BIGINT), CAST(COALESCE(ordinal, 0) AS BIGINT),"
                    " punched_at, id, direction, utc_offset FROM punches",
             soci::into(op), soci::into(day), soci::into(ordinal), soci::into(at), soci::into(id),
             soci::into(direction), soci::into(offset, offsetInd));
        st.execute();
        while (st.fetch()) {
            PunchRecord p;
            p.at = DateTime::fromSeconds(at);
            p.direction = direction;
            if (offsetInd == soci::i_ok) p.utcOffsetMinutes = offset;
            all.push_back({op, day, ordinal, at, id, p});
        }
    }
    std::sort(all.begin(), all.end(), [](const Raw& a, const Raw& b) {
        return std::tie(a.op, a.day, a.ordinal, a.at, a.id) <
               std::tie(b.op, b.day, b.ordinal, b.at, b.id);
    });
    Totals out;
    for (auto first = all.begin(); first != all.end();) {
        auto last = std::find_if(first, all.end(), [&](const Raw& r) {
            return r.op != first->op || r.day != first->day;
        });
        std::vector<PunchRecord> day;
        for (auto r = first; r != last; ++r) day.push_back(r->punch);
        out[{first->op, "", first->day}] = {static_cast<long long>(day.size()),
                                            Presence::fromPunches(day).totalSeconds().value_or(0)};
        first = last;
    }
    return out;
}

/// Fails the test, saying after what, unless both kinds of totals equal the raw ones.
void expectExact(Database& db, const std::string& after) {
    SCOPED_TRACE("after " + after);
    EXPECT_EQ(storedAppropriationTotals(db), rawAppropriationTotals(db));
    EXPECT_EQ(storedPunchTotals(db), rawPunchTotals(db));
}

long long dayOf(const char* iso) {
    return DateTime::parseIso(iso)->dayNumber();
}

long long secondsOf(const char* iso) {
    return DateTime::parseIso(iso)->toSeconds();
}

void insertRow(soci::session& sql, const std::string& op, const std::string& branch,
               const char* start, const char* end) {
    const std::string task = branch == "0001" ? "0000000001" : "0000000009";
    const long long day = DateTime::parseIso(start)->datePart().dayNumber();
    const long long s = secondsOf(start);
    const long long e = end ? secondsOf(end) : 0;
    soci::indicator endInd = end ? soci::i_ok : soci::i_null;
    sql << "INSERT INTO appropriations (operator, branch, task, activity, day, start_at, end_at,"
           " stamp_start, stamp_end, description) VALUES (:o, :b, :t, '00001', :d, :s, :e, :s2,"
           " :e2, 'x')",
        soci::use(op), soci::use(branch), soci::use(task), soci::use(day), soci::use(s),
        soci::use(e, endInd), soci::use(s), soci::use(e, endInd);
}

void insertPunch(soci::session& sql, const std::string& op, const char* at, const char* direction,
                 std::optional<int> ordinal = std::nullopt,
                 std::optional<int> offset = std::nullopt, const char* day = nullptr) {
    const long long d = day ? dayOf(day) : DateTime::parseIso(at)->datePart().dayNumber();
    const long long t = secondsOf(at);
    const std::string dir = direction;
    int ord = ordinal.value_or(0), off = offset.value_or(0);
    soci::indicator ordInd = ordinal ? soci::i_ok : soci::i_null;
    soci::indicator offInd = offset ? soci::i_ok : soci::i_null;
    sql << "INSERT INTO punches (company, operator, punched_at, direction, event, day, origin,"
           " ordinal, utc_offset) VALUES ('01', :o, :t, :dir, 'E', :d, 'CAT', :n, :u)",
        soci::use(op), soci::use(t), soci::use(dir), soci::use(d), soci::use(ord, ordInd),
        soci::use(off, offInd);
}

std::pair<long long, long long> punchTotal(Database& db, const std::string& op, const char* day) {
    const Totals t = storedPunchTotals(db);
    const auto at = t.find({op, "", dayOf(day)});
    return at == t.end() ? std::pair<long long, long long>{0, -1} : at->second;
}

TEST(DayTotals, follow_rows_written_by_sql_inserted_changed_moved_and_deleted) {
    TestDatabase t;
    Database& db = t.db();
    expectExact(db, "the base data's import");
    ASSERT_FALSE(storedAppropriationTotals(db).empty());
    auto lease = db.acquire();
    soci::session& sql = lease.sql();
    insertRow(sql, kAna, "0001", "2026-03-02T08:00:00", "2026-03-02T12:00:00");
    insertRow(sql, kAna, "0001", "2026-03-02T13:00:00", "2026-03-02T13:30:00");
    insertRow(sql, kAna, "0001", "2026-03-02T14:00:00", nullptr);
    insertRow(sql, kAna, "0002", "2026-03-02T15:00:00", "2026-03-02T16:00:00");
    insertRow(sql, kCarla, "0001", "2026-03-02T08:00:00", "2026-03-02T09:00:00");
    expectExact(db, "inserts");
    const auto ana2 = storedAppropriationTotals(db).at({kAna, "0001", dayOf("2026-03-02")});
    EXPECT_EQ(ana2, (std::pair<long long, long long>{3, 4 * 3600 + 1800}));

    sql << "UPDATE appropriations SET end_at = start_at + 7200 WHERE end_at IS NULL";
    expectExact(db, "an open row closed");
    sql << "UPDATE appropriations SET end_at = NULL WHERE operator = '" << kCarla << "'";
    expectExact(db, "a row opened again");
    sql << "UPDATE appropriations SET day = day + 1, start_at = start_at + 86400,"
           " end_at = end_at + 86400 WHERE operator = '"
        << kAna << "' AND branch = '0001' AND start_at = " << secondsOf("2026-03-02T08:00:00");
    expectExact(db, "a row moved to the next day");
    sql << "UPDATE appropriations SET operator = '" << kCarla
        << "' WHERE start_at = " << secondsOf("2026-03-02T13:00:00");
    expectExact(db, "a row given to another operator");
    sql << "UPDATE appropriations SET description = 'y'";
    expectExact(db, "a change of what the totals do not hold");
    sql << "DELETE FROM appropriations WHERE operator = '" << kAna << "' AND branch = '0002'";
    expectExact(db, "a delete");
    EXPECT_EQ(storedAppropriationTotals(db).count({kAna, "0002", dayOf("2026-03-02")}), 0u)
        << "a day left without rows keeps no total";
    sql << "DELETE FROM appropriations";
    expectExact(db, "deleting every row");
    EXPECT_TRUE(storedAppropriationTotals(db).empty());
}

TEST(DayTotals, pair_punches_in_the_clocks_order_as_the_summary_pairs_them) {
    TestDatabase t;
    Database& db = t.db();
    auto lease = db.acquire();
    soci::session& sql = lease.sql();
    // Numbered out of the instants' order: the ordinal decides (a wall clock
    // turned back an hour at 23:59 of the 21st).
    insertPunch(sql, kAna, "2026-02-21T22:00:00", "1", 1, -120);
    insertPunch(sql, kAna, "2026-02-21T23:10:00", "2", 4, -180);
    insertPunch(sql, kAna, "2026-02-21T23:30:00", "2", 2, -120);
    insertPunch(sql, kAna, "2026-02-21T23:50:00", "1", 3, -120);
    expectExact(db, "a day across the end of daylight saving");
    // 22:00–23:30 and 23:50 (-0200) to 23:10 (-0300): 1:30 and 0:20.
    EXPECT_EQ(punchTotal(db, kAna, "2026-02-21"), (std::pair<long long, long long>{4, 6600}));

    // Two entries in a row, an exit first, a last entry without exit.
    insertPunch(sql, kCarla, "2026-02-21T07:00:00", "2");
    insertPunch(sql, kCarla, "2026-02-21T08:00:00", "1");
    insertPunch(sql, kCarla, "2026-02-21T08:05:00", "1");
    insertPunch(sql, kCarla, "2026-02-21T12:00:00", "2");
    insertPunch(sql, kCarla, "2026-02-21T13:00:00", "1");
    expectExact(db, "entries and exits out of step");
    EXPECT_EQ(punchTotal(db, kCarla, "2026-02-21"),
              (std::pair<long long, long long>{5, 3 * 3600 + 55 * 60}));
    // A lone entry: punches, no pair.
    insertPunch(sql, kCarla, "2026-02-22T08:00:00", "1");
    EXPECT_EQ(punchTotal(db, kCarla, "2026-02-22"), (std::pair<long long, long long>{1, 0}));
    // A night shift's exit kept on the day it began.
    insertPunch(sql, kCarla, "2026-02-23T01:00:00", "2", std::nullopt, std::nullopt, "2026-02-22");
    EXPECT_EQ(punchTotal(db, kCarla, "2026-02-22"),
              (std::pair<long long, long long>{2, 17 * 3600}));
    expectExact(db, "a night shift");

    sql << "UPDATE punches SET direction = '2' WHERE operator = '" << kCarla
        << "' AND punched_at = " << secondsOf("2026-02-21T08:00:00");
    expectExact(db, "a direction changed");
    sql << "UPDATE punches SET ordinal = 9 WHERE ordinal = 2";
    expectExact(db, "a punch renumbered");
    sql << "UPDATE punches SET utc_offset = NULL WHERE ordinal = 4";
    expectExact(db, "an offset lost");
    sql << "UPDATE punches SET day = day + 1 WHERE operator = '" << kCarla
        << "' AND punched_at = " << secondsOf("2026-02-21T13:00:00");
    expectExact(db, "a punch moved to the next day");
    sql << "UPDATE punches SET operator = '" << kAna << "' WHERE operator = '" << kCarla
        << "' AND punched_at = " << secondsOf("2026-02-21T12:00:00");
    expectExact(db, "a punch given to another operator");
    sql << "DELETE FROM punches WHERE operator = '" << kCarla
        << "' AND day = " << dayOf("2026-02-22");
    expectExact(db, "a day's punches deleted");
    EXPECT_EQ(punchTotal(db, kCarla, "2026-02-22").second, -1) << "no punches, no total";
    sql << "DELETE FROM punches";
    expectExact(db, "every punch deleted");
    EXPECT_TRUE(storedPunchTotals(db).empty());
}

TEST(DayTotals, follow_the_days_saves_and_a_clock_import) {
    TestServer server;
    const std::string token = server.login(kAna);
    const auto day = [&](const char* d) {
        return server.result(token, "getAtividades", {kAna, "0001", date(d)});
    };
    const auto save = [&](const DeltaBuilder& delta) {
        const Reply r = server.call(token, "SetAtividades", json::array({delta.arg()}));
        ASSERT_EQ(r.status, 200) << r.body.dump();
    };
    {
        DeltaBuilder d(day("2026-12-07"));
        d.insert(newRow("2026-12-07", "10:30:00", "11:00:00"));
        d.insert(newRow("2026-12-07", "11:30:00", "12:15:00"));
        save(d);
    }
    expectExact(server.db(), "SetAtividades inserts");
    {
        const json packet = day("2026-12-07");
        const auto rows = rowsByName(packet);
        json changed = rows[0];
        changed["HORAFIN"] = "08:45:00";
        changed["DTFAPATIVTAR"] = "2026-12-07T08:45:00";
        DeltaBuilder d(packet);
        d.update(rows[0], changed);
        d.remove(rows[1]);
        save(d);
    }
    expectExact(server.db(), "a change and a delete in one packet");

    {
        auto lease = server.db().acquire();
        lease.sql() << "UPDATE operators SET cpf = '11122233396' WHERE code = '" << kAna << "'";
    }
    afd::Writer w(afd::Layout::Current, "00004000310000123", "Indústria");
    std::int64_t nsr = 0;
    // Before the day's stored punches, so the import numbers the day again.
    for (const char* at : {"2026-12-07T07:00:00", "2026-12-07T07:30:00", "2026-12-08T08:00:00",
                           "2026-12-08T12:00:00", "2026-12-08T13:00:00"})
        w.punch(++nsr, *DateTime::parseIso(at), -180, "11122233396");
    importClockFile(server.db(), afd::readClockFile(w.text()), {false, "01"});
    expectExact(server.db(), "a clock import");
    EXPECT_EQ(punchTotal(server.db(), kAna, "2026-12-08"),
              (std::pair<long long, long long>{3, 4 * 3600}));
}

TEST(DayTotals, an_older_database_gets_the_totals_of_the_rows_it_held) {
    TestOptions older;
    older.schemaVersion = 6;
    TestDatabase t(older);
    {
        auto lease = t.db().acquire();
        insertRow(lease.sql(), kCarla, "0001", "2026-03-02T08:00:00", "2026-03-02T09:00:00");
        insertPunch(lease.sql(), kCarla, "2026-03-02T08:00:00", "1", 2, -180);
        insertPunch(lease.sql(), kCarla, "2026-03-02T07:00:00", "1", 1, -180);
        insertPunch(lease.sql(), kCarla, "2026-03-02T10:00:00", "2", 3, -120);
    }
    EXPECT_EQ(migrate(t.db()), latestSchemaVersion());
    expectExact(t.db(), "the migration");
    EXPECT_EQ(storedAppropriationTotals(t.db()).size(), 6u);  // the base data's 5 and Carla's
    EXPECT_EQ(punchTotal(t.db(), kCarla, "2026-03-02"), (std::pair<long long, long long>{3, 3600}));
}

TEST(DayTotals, stay_exact_when_writers_of_one_day_run_at_once) {
    TestDatabase t;
    Database& db = t.db();
    constexpr int kWriters = 4, kTransactions = 20;
    std::vector<std::thread> writers;
    writers.reserve(kWriters);
    std::atomic<int> failures{0};
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            std::mt19937 rng(static_cast<unsigned>(w));
            try {
                for (int i = 0; i < kTransactions; ++i) {
                    auto lease = db.acquire();
                    WriteTransaction tx(lease);
                    // Distinct instants of one day, in no order across writers.
                    const std::string at = DateTime::parseIso("2026-03-02T06:00:00")
                                               ->addSeconds(60 * (w * kTransactions + i))
                                               .toIso();
                    insertPunch(lease.sql(), kAna, at.c_str(), rng() % 2 == 0 ? "1" : "2");
                    insertRow(lease.sql(), kAna, "0001", at.c_str(),
                              DateTime::parseIso(at)->addSeconds(30).toIso().c_str());
                    if (i % 3 == 2)
                        lease.sql() << "DELETE FROM appropriations WHERE operator = '" << kAna
                                    << "' AND start_at = " << secondsOf(at.c_str());
                    tx.commit();
                }
            } catch (const std::exception& e) {
                ++failures;
                ADD_FAILURE() << "writer " << w << ": " << e.what();
            }
        });
    }
    for (std::thread& w : writers) w.join();
    ASSERT_EQ(failures, 0);
    expectExact(db, "writers of one day at once");
    EXPECT_EQ(punchTotal(db, kAna, "2026-03-02").first, kWriters * kTransactions);
}

TEST(DayTotals, one_transaction_may_write_punches_on_thousands_of_days) {
    // A clock's file of years is imported in one transaction: whatever keeps
    // the days' totals apart must not hold one lock per day until its end.
    TestDatabase t;
    Database& db = t.db();
    constexpr int kDays = 40000;
    {
        auto lease = db.acquire();
        WriteTransaction tx(lease);
        lease.sql()
            << "INSERT INTO punches (company, operator, punched_at, direction, event, day,"
               " origin) WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n"
               " WHERE i < "
            << kDays - 1 << ") SELECT '01', '" << kAna
            << "', CAST(40000 + i AS BIGINT) * 86400 + 28800, '1', 'E', 40000 + i, 'CAT' FROM n";
        tx.commit();
    }
    EXPECT_EQ(storedPunchTotals(db).size(), static_cast<std::size_t>(kDays + 1));  // and 12-07's
    expectExact(db, "a transaction over thousands of days");
}

long long deferralMarks(Database& db) {
    auto lease = db.acquire();
    long long n = -1;
    if (lease.kind() == DatabaseKind::Sqlite)
        lease.sql() << "SELECT COUNT(*) FROM punch_totals_deferred", soci::into(n);
    return n;
}

TEST(DayTotals, a_writer_that_counts_its_days_at_the_end_leaves_them_exact) {
    TestDatabase t;
    Database& db = t.db();
    const bool sqlite = !t.isPostgres();
    const auto countedDays = [&](soci::session& sql) {
        long long n = 0;
        sql << "SELECT COUNT(*) FROM punch_day_totals WHERE operator = '" << kAna
            << "' AND day BETWEEN " << dayOf("2026-03-03") << " AND " << dayOf("2026-03-05"),
            soci::into(n);
        return n;
    };
    {
        auto lease = db.acquire();
        WriteTransaction tx(lease);
        const long long countedBefore = countedDays(lease.sql());
        PunchTotalsDeferral totals(lease);
        insertPunch(lease.sql(), kAna, "2026-03-03T08:00:00", "1", 1, -180);
        insertPunch(lease.sql(), kAna, "2026-03-03T12:00:00", "2", 2, -180);
        insertPunch(lease.sql(), kAna, "2026-03-05T09:00:00", "1", 1);
        insertPunch(lease.sql(), kAna, "2026-03-05T07:00:00", "2", 2);
        lease.sql() << "UPDATE punches SET ordinal = 3 WHERE operator = '" << kAna
                    << "' AND punched_at = " << secondsOf("2026-03-05T09:00:00");
        // On SQLite the triggers stood aside: nothing is counted until the end.
        if (sqlite) {
            EXPECT_EQ(countedDays(lease.sql()), countedBefore);
        }
        totals.touch(kAna, dayOf("2026-03-05"), dayOf("2026-03-05"));
        totals.touch(kAna, dayOf("2026-03-03"), dayOf("2026-03-03"));
        totals.finish();
        tx.commit();
    }
    expectExact(db, "punches counted at the end of their transaction");
    EXPECT_EQ(punchTotal(db, kAna, "2026-03-03"), (std::pair<long long, long long>{2, 4 * 3600}));
    EXPECT_EQ(deferralMarks(db), sqlite ? 0 : -1);

    // A transaction that ends without committing takes its mark with it:
    // the next writer's punches are counted by the triggers again.
    {
        auto lease = db.acquire();
        WriteTransaction tx(lease);
        PunchTotalsDeferral totals(lease);
        insertPunch(lease.sql(), kAna, "2026-03-04T08:00:00", "1", 1);
    }
    EXPECT_EQ(deferralMarks(db), sqlite ? 0 : -1);
    {
        auto lease = db.acquire();
        insertPunch(lease.sql(), kAna, "2026-03-04T08:00:00", "1", 1);
        insertPunch(lease.sql(), kAna, "2026-03-04T09:30:00", "2", 2);
    }
    expectExact(db, "a deferring transaction rolled back and punches written after it");
    EXPECT_EQ(punchTotal(db, kAna, "2026-03-04"), (std::pair<long long, long long>{2, 5400}));
}

/// What the summary must answer, made from the rows and punches themselves.
std::vector<DaySummary> rawSummary(Database& db, const std::vector<std::string>& ops,
                                   const std::string& branch, long long from, long long to) {
    const Totals rows = rawAppropriationTotals(db), punches = rawPunchTotals(db);
    std::vector<DaySummary> out;
    for (const std::string& op : ops) {
        for (long long d = from; d <= to; ++d) {
            DaySummary s;
            s.operatorCode = op;
            s.day = DateTime::fromDayNumber(d);
            if (auto r = rows.find({op, branch, d}); r != rows.end())
                s.appropriatedSeconds = r->second.second;
            if (auto p = punches.find({op, "", d}); p != punches.end())
                s.punchedSeconds = p->second.second;
            if (s.appropriatedSeconds || s.punchedSeconds) out.push_back(s);
        }
    }
    return out;
}

TEST(DayTotals, the_summary_answers_what_the_rows_and_punches_make_after_random_writes) {
    TestDatabase t;
    Database& db = t.db();
    std::mt19937 rng(7);
    const std::vector<std::string> team = {kAna, "000000000102", kCarla};  // EQ01
    const long long first = dayOf("2026-03-01");
    const auto someDay = [&] { return first + static_cast<long long>(rng() % 31); };
    {
        auto lease = db.acquire();
        soci::session& sql = lease.sql();
        for (int i = 0; i < 400; ++i) {
            const std::string& op = team[rng() % team.size()];
            const std::string at =
                DateTime::fromDayNumber(someDay()).addSeconds(6 * 3600 + (rng() % 57600)).toIso();
            if (rng() % 2 == 0) {
                const std::string end =
                    DateTime::parseIso(at)->addSeconds(60 + rng() % 7200).toIso();
                insertRow(sql, op, rng() % 5 == 0 ? "0002" : "0001", at.c_str(),
                          rng() % 10 == 0 ? nullptr : end.c_str());
            } else {
                insertPunch(
                    sql, op, at.c_str(), rng() % 2 == 0 ? "1" : "2",
                    rng() % 3 == 0 ? std::optional<int>(rng() % 6) : std::nullopt,
                    rng() % 3 == 0 ? std::optional<int>(-180 + 60 * (rng() % 2)) : std::nullopt);
            }
        }
        for (int i = 0; i < 40; ++i) {
            const long long d = someDay();
            switch (rng() % 4) {
                case 0:
                    sql << "DELETE FROM appropriations WHERE day = " << d;
                    break;
                case 1:
                    sql << "DELETE FROM punches WHERE day = " << d;
                    break;
                case 2:
                    sql << "UPDATE punches SET day = " << someDay() << " WHERE day = " << d;
                    break;
                default:
                    sql << "UPDATE appropriations SET end_at = end_at + 60 WHERE day = " << d;
            }
        }
    }
    expectExact(db, "random writes");
    PeriodSummaryQuery q;
    q.branch = "0001";
    q.team = "EQ01";
    q.from = DateTime::fromDayNumber(first);
    q.to = DateTime::fromDayNumber(first + 30);
    const std::vector<DaySummary> got = periodSummary(db.acquire(), q);
    const std::vector<DaySummary> want = rawSummary(db, team, "0001", first, first + 30);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(got[i].operatorCode + " " + got[i].day.toIsoDate());
        EXPECT_EQ(got[i].operatorCode, want[i].operatorCode);
        EXPECT_EQ(got[i].day, want[i].day);
        EXPECT_EQ(got[i].appropriatedSeconds, want[i].appropriatedSeconds);
        EXPECT_EQ(got[i].punchedSeconds, want[i].punchedSeconds);
    }
}

}  // namespace
}  // namespace appserver::testing

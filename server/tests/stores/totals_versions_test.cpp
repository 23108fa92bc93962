// Each operator's version of his day totals: every writer of his rows or
// punches (or of the totals themselves) moves it, in its own transaction,
// and moves no one else's; and the period summary's cache of day cells,
// checked against those versions, never answers a day as it was before a
// change.
#include <gtest/gtest.h>

#include <algorithm>

#include "appserver/clockfile/afd_import.h"
#include "appserver/clockfile/afd_writer.h"
#include "appserver/storage/migrations.h"
#include "appserver/storage/punch_totals_deferral.h"
#include "appserver/stores/period_cell_cache.h"
#include "appserver/stores/period_summary.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using platform::dataset::DateTime;

constexpr const char* kAna = "000000000101";    // EQ01
constexpr const char* kBruno = "000000000102";  // EQ01
constexpr const char* kCarla = "000000000103";  // EQ01

long long versionOf(Database& db, const std::string& op) {
    auto lease = db.acquire();
    long long v = 0;
    soci::indicator ind = soci::i_null;
    lease.sql() << "SELECT MAX(version) FROM operator_totals_versions WHERE operator = :o",
        soci::use(op), soci::into(v, ind);
    return ind == soci::i_ok ? v : 0;
}

long long secondsOf(const char* iso) {
    return DateTime::parseIso(iso)->toSeconds();
}

long long dayOf(const char* iso) {
    return DateTime::parseIso(iso)->datePart().dayNumber();
}

void insertRow(soci::session& sql, const std::string& op, const char* start, const char* end) {
    const long long day = dayOf(start), s = secondsOf(start), e = secondsOf(end);
    sql << "INSERT INTO appropriations (operator, branch, task, activity, day, start_at, end_at,"
           " stamp_start, stamp_end, description) VALUES (:o, '0001', '0000000001', '00001',"
           " :d, :s, :e, :s2, :e2, 'x')",
        soci::use(op), soci::use(day), soci::use(s), soci::use(e), soci::use(s), soci::use(e);
}

void insertPunch(soci::session& sql, const std::string& op, const char* at, const char* dir) {
    const long long day = dayOf(at), t = secondsOf(at);
    const std::string direction = dir;
    sql << "INSERT INTO punches (company, operator, punched_at, direction, event, day, origin)"
           " VALUES ('01', :o, :t, :dir, 'E', :d, 'CAT')",
        soci::use(op), soci::use(t), soci::use(direction), soci::use(day);
}

/// Runs `write` on a session of its own and says which of Ana's, Bruno's and
/// Carla's versions moved.
class Versions {
public:
    explicit Versions(Database& db) : db_(db) {}

    template <typename F>
    std::vector<std::string> movedBy(F&& write) {
        const auto before = read();
        {
            auto lease = db_.acquire();
            write(lease);
        }
        const auto after = read();
        std::vector<std::string> moved;
        for (std::size_t i = 0; i < before.size(); ++i) {
            EXPECT_GE(after[i].second, before[i].second) << "a version never goes back";
            if (after[i].second != before[i].second) moved.push_back(after[i].first);
        }
        return moved;
    }

private:
    std::vector<std::pair<std::string, long long>> read() {
        std::vector<std::pair<std::string, long long>> out;
        for (const char* op : {kAna, kBruno, kCarla}) out.emplace_back(op, versionOf(db_, op));
        return out;
    }
    Database& db_;
};

using Moved = std::vector<std::string>;

TEST(TotalsVersions, move_for_every_write_of_an_operators_rows_and_only_his) {
    TestDatabase t;
    Versions v(t.db());
    EXPECT_GT(versionOf(t.db(), kAna), 0) << "the base data's import counted Ana's days";

    EXPECT_EQ(v.movedBy([](auto& l) {
        insertRow(l.sql(), kAna, "2026-03-02T08:00:00", "2026-03-02T09:00:00");
    }),
              Moved{kAna});
    EXPECT_EQ(v.movedBy([](auto& l) {
        l.sql() << "UPDATE appropriations SET end_at = end_at + 60 WHERE day = "
                << dayOf("2026-03-02");
    }),
              Moved{kAna});
    EXPECT_EQ(v.movedBy([](auto& l) {
        l.sql() << "UPDATE appropriations SET description = 'y' WHERE day = "
                << dayOf("2026-03-02");
    }),
              Moved{})
        << "what the totals do not hold";
    EXPECT_EQ(v.movedBy([](auto& l) {
        l.sql() << "UPDATE appropriations SET operator = '" << kCarla
                << "' WHERE day = " << dayOf("2026-03-02");
    }),
              (Moved{kAna, kCarla}))
        << "a row given to another operator";
    EXPECT_EQ(v.movedBy([](auto& l) {
        l.sql() << "DELETE FROM appropriations WHERE day = " << dayOf("2026-03-02");
    }),
              Moved{kCarla});

    EXPECT_EQ(v.movedBy([](auto& l) { insertPunch(l.sql(), kBruno, "2026-03-03T08:00:00", "1"); }),
              Moved{kBruno});
    EXPECT_EQ(v.movedBy([](auto& l) {
        l.sql() << "UPDATE punches SET punched_at = punched_at - 60 WHERE day = "
                << dayOf("2026-03-03");
    }),
              Moved{kBruno});
    EXPECT_EQ(v.movedBy([](auto& l) {
        l.sql() << "DELETE FROM punches WHERE day = " << dayOf("2026-03-03");
    }),
              Moved{kBruno});
    // A script that writes the totals themselves.
    EXPECT_EQ(v.movedBy([](auto& l) {
        l.sql() << "UPDATE appropriation_day_totals SET seconds = seconds WHERE operator = '"
                << kAna << "'";
    }),
              Moved{kAna});

    // A transaction rolled back leaves the versions as they were.
    EXPECT_EQ(v.movedBy([](auto& l) {
        WriteTransaction tx(l);
        insertRow(l.sql(), kAna, "2026-03-04T08:00:00", "2026-03-04T09:00:00");
        insertPunch(l.sql(), kCarla, "2026-03-04T08:00:00", "1");
    }),
              Moved{});
}

TEST(TotalsVersions, move_for_a_writer_that_counts_its_punches_at_the_end_and_a_clock_import) {
    TestDatabase t;
    Versions v(t.db());
    // On SQLite the triggers stand aside until the end: the recount moves it.
    EXPECT_EQ(v.movedBy([](auto& l) {
        WriteTransaction tx(l);
        PunchTotalsDeferral totals(l);
        insertPunch(l.sql(), kCarla, "2026-03-05T08:00:00", "1");
        insertPunch(l.sql(), kCarla, "2026-03-05T12:00:00", "2");
        totals.touch(kCarla, dayOf("2026-03-05"), dayOf("2026-03-05"));
        totals.finish();
        tx.commit();
    }),
              Moved{kCarla});

    Database& db = t.db();
    EXPECT_EQ(v.movedBy([&db](auto& l) {
        l.sql() << "UPDATE operators SET cpf = '11122233396' WHERE code = '" << kAna << "'";
        afd::Writer w(afd::Layout::Current, "00004000310000123", "Indústria");
        w.punch(1, *DateTime::parseIso("2026-12-08T08:00:00"), -180, "11122233396");
        w.punch(2, *DateTime::parseIso("2026-12-08T12:00:00"), -180, "11122233396");
        importClockFile(db, afd::readClockFile(w.text()), {false, "01"});
    }),
              Moved{kAna});
}

TEST(TotalsVersions, an_older_database_gets_a_version_for_every_operator) {
    TestOptions older;
    older.schemaVersion = 7;
    TestDatabase t(older);
    EXPECT_EQ(migrate(t.db()), latestSchemaVersion());
    EXPECT_EQ(rowCount(t.db(), "operator_totals_versions"), rowCount(t.db(), "operators"));
    EXPECT_EQ(versionOf(t.db(), kBruno), 1);
    Versions v(t.db());
    EXPECT_EQ(v.movedBy([](auto& l) { insertPunch(l.sql(), kBruno, "2026-03-03T08:00:00", "1"); }),
              Moved{kBruno});
    EXPECT_EQ(versionOf(t.db(), kBruno), 2);
}

/// The team's December at 0001, through `cache`, flattened to (operator, day, seconds) text.
std::vector<std::string> december(Database& db, PeriodCellCache& cache,
                                  std::vector<std::shared_ptr<const DayCells>>* cells = nullptr) {
    PeriodSummaryQuery q;
    q.branch = "0001";
    q.team = "EQ01";
    q.from = DateTime::date(2026, 12, 1);
    q.to = DateTime::date(2026, 12, 31);
    std::vector<std::string> out;
    if (cells) cells->clear();
    for (const OperatorPeriod& op : periodByOperator(db.acquire(), q, &cache)) {
        if (cells) cells->push_back(op.days);
        for (const DayCell& d : *op.days)
            out.push_back(op.code + " " + DateTime::fromDayNumber(d.day).toIsoDate() + " " +
                          std::to_string(d.appropriatedSeconds.value_or(-1)) + " " +
                          std::to_string(d.punchedSeconds.value_or(-1)));
    }
    return out;
}

/// The same, read afresh.
std::vector<std::string> decemberRead(Database& db) {
    PeriodCellCache none(0);
    return december(db, none);
}

TEST(TotalsVersions, the_summarys_cache_answers_only_what_the_totals_still_hold) {
    TestDatabase t;
    Database& db = t.db();
    PeriodCellCache cache;
    std::vector<std::shared_ptr<const DayCells>> first, second;
    const std::vector<std::string> before = december(db, cache, &first);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(cache.size(), 3u);
    EXPECT_EQ(december(db, cache, &second), before);
    EXPECT_EQ(first, second) << "asked again, every operator's days come from the cache";

    // A write to Carla: her days are read again, the others' kept.
    {
        auto lease = db.acquire();
        insertPunch(lease.sql(), kCarla, "2026-12-09T08:00:00", "1");
        insertPunch(lease.sql(), kCarla, "2026-12-09T09:30:00", "2");
    }
    const std::vector<std::string> after = december(db, cache, &second);
    EXPECT_EQ(after, decemberRead(db));
    EXPECT_NE(after, before);
    EXPECT_EQ(std::count(after.begin(), after.end(), std::string(kCarla) + " 2026-12-09 -1 5400"),
              1);
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(second[0], first[0]);
    EXPECT_EQ(second[1], first[1]);
    EXPECT_NE(second[2], first[2]);

    // Days kept for a version that is not the operator's are never answered;
    // days kept for his version are (the cache is what answers).
    const long long v = versionOf(db, kAna);
    const auto from = DateTime::date(2026, 12, 1).dayNumber(), to = from + 30;
    const auto planted = std::make_shared<const DayCells>(DayCells{{from + 20, 60, 60}});
    cache.keep(kAna, "0001", from, to, v - 1, planted);
    EXPECT_EQ(december(db, cache), after);
    cache.keep(kAna, "0001", from, to, v, planted);
    EXPECT_EQ(december(db, cache).front(), std::string(kAna) + " 2026-12-21 60 60");
}

TEST(PeriodCellCache, keeps_at_most_its_capacity_letting_the_longest_unused_go) {
    PeriodCellCache cache(2);
    const auto cells = std::make_shared<const DayCells>(DayCells{{1, 2, std::nullopt}});
    cache.keep("a", "0001", 1, 31, 1, cells);
    cache.keep("b", "0001", 1, 31, 1, cells);
    EXPECT_EQ(cache.find("a", "0001", 1, 31, 1), cells);  // a used after b
    cache.keep("c", "0001", 1, 31, 1, cells);
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_EQ(cache.find("b", "0001", 1, 31, 1), nullptr);
    EXPECT_EQ(cache.find("a", "0001", 1, 31, 1), cells);
    EXPECT_EQ(cache.find("c", "0001", 1, 31, 1), cells);
    // Another branch, period or version is another thing.
    EXPECT_EQ(cache.find("a", "0002", 1, 31, 1), nullptr);
    EXPECT_EQ(cache.find("a", "0001", 1, 30, 1), nullptr);
    EXPECT_EQ(cache.find("a", "0001", 1, 31, 2), nullptr);
    cache.keep("a", "0001", 1, 31, 2, cells);
    EXPECT_EQ(cache.find("a", "0001", 1, 31, 2), cells);
    EXPECT_EQ(cache.find("a", "0001", 1, 31, 1), nullptr);
    EXPECT_EQ(cache.size(), 2u);
}

}  // namespace
}  // namespace appserver::testing

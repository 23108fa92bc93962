// Each operator's version: every writer of his rows or punches (or of the
// totals themselves), of his name, branches or closed months moves it, in
// its own transaction, and moves no one else's; and the period summary's
// cache, checked against those versions, never answers a day, a name, a
// branch or a closing as it was before a change.
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

TEST(TotalsVersions, move_for_every_change_of_what_a_summary_shows_of_an_operator) {
    TestDatabase t;
    Versions v(t.db());
    const auto run = [](const std::string& sql) { return [sql](auto& l) { l.sql() << sql; }; };
    const std::string ana = std::string("'") + kAna + "'", carla = std::string("'") + kCarla + "'";
    EXPECT_EQ(v.movedBy(run("UPDATE operators SET name = 'Ana Lima' WHERE code = " + ana)),
              Moved{kAna});
    EXPECT_EQ(v.movedBy(run("UPDATE operators SET name = 'Ana Lima', cpf = '11122233396',"
                            " password_hash = 'x' WHERE code = " +
                            ana)),
              Moved{})
        << "neither the name nor the code changed";
    EXPECT_EQ(v.movedBy(run("DELETE FROM operator_branches WHERE operator = " + carla)),
              Moved{kCarla});
    EXPECT_EQ(v.movedBy(run("INSERT INTO operator_branches (operator, branch) VALUES (" + carla +
                            ", '0002')")),
              Moved{kCarla});
    EXPECT_EQ(v.movedBy(run("UPDATE operator_branches SET operator = '" + std::string(kBruno) +
                            "' WHERE operator = " + carla)),
              (Moved{kBruno, kCarla}))
        << "a branch given to another operator";
    const std::string december =
        std::to_string(dayOf("2026-12-01")) + ", " + std::to_string(dayOf("2026-12-31"));
    EXPECT_EQ(v.movedBy(run("INSERT INTO month_closings (operator, branch, first_day, last_day,"
                            " closed_by, closed_at) VALUES (" +
                            ana + ", '0001', " + december + ", 'x', 0)")),
              Moved{kAna});
    EXPECT_EQ(v.movedBy(run("UPDATE month_closings SET operator = " + carla)),
              (Moved{kAna, kCarla}))
        << "a closing given to another operator";
    EXPECT_EQ(v.movedBy(run("DELETE FROM month_closings")), Moved{kCarla});
}

TEST(TotalsVersions, a_new_operator_has_a_version_from_his_first_row) {
    TestDatabase t;
    EXPECT_EQ(versionOf(t.db(), "000000000100"), 0);
    {
        auto lease = t.db().acquire();
        lease.sql() << "INSERT INTO operators (code, name, password_hash)"
                       " VALUES ('000000000100', 'Zélia Prado', 'x')";
    }
    const long long first = versionOf(t.db(), "000000000100");
    EXPECT_GT(first, 0);
    {
        auto lease = t.db().acquire();
        lease.sql() << "DELETE FROM operators WHERE code = '000000000100'";
    }
    EXPECT_GT(versionOf(t.db(), "000000000100"), first)
        << "gone, and the version kept: one of the same code never meets what was kept of him";
}

/// The team's December at 0001 through `cache`, as text: each listed
/// operator's code, name and closed spans, then his days (day, seconds).
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
        std::string who = op.code + " " + op.name;
        for (const auto& [first, last] : op.closed)
            who += " closed " + DateTime::fromDayNumber(first).toIsoDate() + ".." +
                   DateTime::fromDayNumber(last).toIsoDate();
        out.push_back(who);
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

bool has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(TotalsVersions, the_summarys_cache_answers_only_what_the_totals_still_hold) {
    TestDatabase t;
    Database& db = t.db();
    PeriodCellCache cache;
    std::vector<std::shared_ptr<const DayCells>> first, second;
    const std::vector<std::string> before = december(db, cache, &first);
    ASSERT_TRUE(has(before, std::string(kAna) + " 2026-12-07 9000 13620"));
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

    // What is kept for a version that is not the operator's is never
    // answered; what is kept for his version is (the cache is what answers).
    const long long v = versionOf(db, kAna);
    const auto from = DateTime::date(2026, 12, 1).dayNumber(), to = from + 30;
    const auto planted = std::make_shared<const OperatorPeriod>(OperatorPeriod{
        kAna, "Planted", std::make_shared<const DayCells>(DayCells{{from + 20, 60, 60}}), {}});
    cache.keep(kAna, "0001", from, to, v - 1, planted);
    EXPECT_EQ(december(db, cache), after);
    cache.keep(kAna, "0001", from, to, v, planted);
    const std::vector<std::string> plantedRead = december(db, cache);
    ASSERT_GE(plantedRead.size(), 2u);
    EXPECT_EQ(plantedRead[0], std::string(kAna) + " Planted");
    EXPECT_EQ(plantedRead[1], std::string(kAna) + " 2026-12-21 60 60");
    // Kept as not listed at his version, he is left out.
    cache.keep(kAna, "0001", from, to, v, nullptr);
    EXPECT_FALSE(has(december(db, cache), std::string(kAna) + " Ana Souza"));
}

TEST(TotalsVersions, the_summarys_cache_shows_every_change_written_straight_to_the_database) {
    // As another server or the command line would write them: in SQL, past
    // this server. After each, the next summary through the cache is the
    // one read afresh, and it shows the change.
    TestDatabase t;
    Database& db = t.db();
    PeriodCellCache cache;
    const auto sql = [&](const std::string& statement) {
        auto lease = db.acquire();
        lease.sql() << statement;
    };
    const std::string ana = std::string("'") + kAna + "'", bruno = std::string("'") + kBruno + "'",
                      carla = std::string("'") + kCarla + "'", diego = "'000000000104'";
    std::vector<std::shared_ptr<const DayCells>> now;
    ASSERT_EQ(december(db, cache), decemberRead(db));
    ASSERT_TRUE(has(decemberRead(db), std::string(kBruno) + " Bruno Lima"));

    struct Step {
        const char* what;
        std::vector<std::string> sql;
        std::string line;  ///< shown after it, or (`gone`) no longer shown
        bool gone = false;
    };
    const std::string closing =
        "INSERT INTO month_closings (operator, branch, first_day,"
        " last_day, closed_by, closed_at) VALUES (" +
        carla + ", '0001', " + std::to_string(dayOf("2026-12-01")) + ", " +
        std::to_string(dayOf("2026-12-31")) + ", 'x', 0)";
    const std::vector<Step> steps = {
        {"a rename",
         {"UPDATE operators SET name = 'Ana Souza Lima' WHERE code = " + ana},
         std::string(kAna) + " Ana Souza Lima"},
        {"a branch left",
         {"DELETE FROM operator_branches WHERE operator = " + bruno},
         std::string(kBruno) + " Bruno Lima",
         true},
        {"a branch joined",
         {"INSERT INTO operator_branches VALUES (" + bruno + ", '0001')"},
         std::string(kBruno) + " Bruno Lima"},
        {"a move to another branch",
         {"UPDATE operator_branches SET branch = '0002' WHERE operator = " + bruno},
         std::string(kBruno) + " Bruno Lima",
         true},
        {"a month closed",
         {closing},
         std::string(kCarla) + " Carla Dias closed 2026-12-01..2026-12-31"},
        {"a month reopened",
         {"DELETE FROM month_closings WHERE operator = " + carla},
         std::string(kCarla) + " Carla Dias"},
        {"a member added",
         {"INSERT INTO team_members VALUES ('EQ01', " + diego + ")"},
         "000000000104 2026-12-07 14400 -1"},
        {"a member removed",
         {"DELETE FROM team_members WHERE operator = " + diego},
         "000000000104 Diego Rocha",
         true},
        {"a new operator",
         {"INSERT INTO operators (code, name, password_hash)"
          " VALUES ('000000000100', 'Zélia Prado', 'x')",
          "INSERT INTO operator_branches VALUES ('000000000100', '0001')",
          "INSERT INTO team_members VALUES ('EQ01', '000000000100')"},
         "000000000100 Zélia Prado"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const std::vector<std::string> before = december(db, cache);
        ASSERT_EQ(has(before, step.line), step.gone) << "the step changes what is shown";
        for (const std::string& statement : step.sql) sql(statement);
        const std::vector<std::string> after = december(db, cache, &now);
        EXPECT_EQ(after, decemberRead(db));
        EXPECT_EQ(has(after, step.line), !step.gone);
    }
    // Zélia, Ana and Carla; asked again with no change, all from the cache.
    ASSERT_EQ(now.size(), 3u);
    std::vector<std::shared_ptr<const DayCells>> again;
    december(db, cache, &again);
    EXPECT_EQ(again, now);
}

/// What `cache` answers for operator `op` at 0001 over [1, to] at `version`:
/// the kept name, "not listed", or "none" when nothing is found.
std::string answer(PeriodCellCache& cache, const char* op, long long to, long long version,
                   const char* branch = "0001") {
    const PeriodCellCache::Found f = cache.find(op, branch, 1, to, version);
    return !f ? "none" : f.period ? f.period->name : "not listed";
}

std::shared_ptr<const OperatorPeriod> named(const char* name) {
    return std::make_shared<const OperatorPeriod>(OperatorPeriod{
        "a", name, std::make_shared<const DayCells>(DayCells{{1, 2, std::nullopt}}), {}});
}

TEST(PeriodCellCache, keeps_at_most_its_capacity_letting_the_longest_unused_go) {
    PeriodCellCache cache(2);
    cache.keep("a", "0001", 1, 31, 1, named("A"));
    cache.keep("b", "0001", 1, 31, 1, nullptr);
    EXPECT_EQ(answer(cache, "a", 31, 1), "A");  // a used after b
    EXPECT_EQ(answer(cache, "b", 31, 1), "not listed");
    EXPECT_EQ(answer(cache, "a", 31, 1), "A");
    cache.keep("c", "0001", 1, 31, 1, named("C"));
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_EQ(answer(cache, "b", 31, 1), "none");
    EXPECT_EQ(answer(cache, "a", 31, 1), "A");
    EXPECT_EQ(answer(cache, "c", 31, 1), "C");
    // Another branch, period or version is another thing.
    EXPECT_EQ(answer(cache, "a", 31, 1, "0002"), "none");
    EXPECT_EQ(answer(cache, "a", 30, 1), "none");
    EXPECT_EQ(answer(cache, "a", 31, 2), "none");
    cache.keep("a", "0001", 1, 31, 2, nullptr);
    EXPECT_EQ(answer(cache, "a", 31, 2), "not listed");
    EXPECT_EQ(answer(cache, "a", 31, 1), "none");
    EXPECT_EQ(cache.size(), 2u);
}

}  // namespace
}  // namespace appserver::testing

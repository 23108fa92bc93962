// The day's two reads (an operator's appropriations of a branch and day, and
// his punches of the day): which rows, in which order and with every column,
// on each database, and the same statement run again with other values.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "appserver/stores/appropriation_store.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using platform::dataset::DateTime;

constexpr const char* kAna = "000000000101";

DateTime at(const std::string& iso) {
    return *DateTime::parseIso(iso);
}

std::vector<std::string> startsAndEnds(const std::vector<AppropriationRecord>& rows) {
    std::vector<std::string> out;
    out.reserve(rows.size());
    for (const AppropriationRecord& r : rows)
        out.push_back(r.start.toIso() + "/" + (r.end ? r.end->toIso() : "-"));
    return out;
}

class DayReads : public ::testing::Test {
protected:
    TestDatabase test;
    Database::Lease lease = test.db().acquire();

    std::int64_t appropriation(const std::string& start, const std::string& end,
                               const std::string& description) {
        AppropriationRecord r;
        r.operatorCode = kAna;
        r.branch = "0001";
        r.task = "0000000001";
        r.activity = "00003";
        r.start = at(start);
        r.end = at(end);
        r.stampStart = r.start;
        r.stampEnd = r.end;
        r.description = description;
        return insertAppropriation(lease, r);
    }

    // Written whole, as an import of a time clock's file writes a punch: with
    // its place in the day and the offset of its wall clock, or without.
    void punch(const std::string& when, const char* direction, std::optional<int> ordinal,
               std::optional<int> offset) {
        const DateTime instant = at(when);
        const std::string op = kAna, event = direction[0] == '1' ? "E1" : "S1";
        const std::string dir = direction;
        const long long seconds = instant.toSeconds(), day = instant.dayNumber();
        const int ord = ordinal.value_or(0), off = offset.value_or(0);
        soci::indicator ordInd = ordinal ? soci::i_ok : soci::i_null;
        soci::indicator offInd = offset ? soci::i_ok : soci::i_null;
        lease.sql() << "INSERT INTO punches (company, operator, punched_at, direction, event, day,"
                       " origin, ordinal, utc_offset) VALUES ('02', :o, :a, :d, :e, :y, 'REP', :n,"
                       " :u)",
            soci::use(op), soci::use(seconds), soci::use(dir), soci::use(event), soci::use(day),
            soci::use(ord, ordInd), soci::use(off, offInd);
    }
};

TEST_F(DayReads, appropriations_of_the_branch_and_day_come_by_start_then_by_id_with_every_column) {
    // Two rows with one start: the first saved ends later, so an order by
    // the index's (start, end) would put it second.
    const std::int64_t later = appropriation("2026-12-07T15:00:00", "2026-12-07T16:00:00", "Longa");
    const std::int64_t sooner =
        appropriation("2026-12-07T15:00:00", "2026-12-07T15:30:00", "Curta");
    ASSERT_LT(later, sooner);

    const auto rows = appropriationsOfDay(lease, kAna, "0001", at("2026-12-07"));
    // The branch 0002 row of the same day and the rows of other days are not the day's.
    EXPECT_EQ(
        startsAndEnds(rows),
        (std::vector<std::string>{
            "2026-12-07T08:00:00/2026-12-07T09:00:00", "2026-12-07T09:00:00/2026-12-07T10:30:00",
            "2026-12-07T13:00:00/-", "2026-12-07T15:00:00/2026-12-07T16:00:00",
            "2026-12-07T15:00:00/2026-12-07T15:30:00"}));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[3].id, later);
    EXPECT_EQ(rows[4].id, sooner);
    EXPECT_EQ(rows[4].description, "Curta");

    const AppropriationRecord& second = rows[1];
    EXPECT_GT(second.id, 0);
    EXPECT_EQ(second.operatorCode, kAna);
    EXPECT_EQ(second.branch, "0001");
    EXPECT_EQ(second.task, "0000000001");
    EXPECT_EQ(second.activity, "00003");
    EXPECT_EQ(second.stampStart, at("2026-12-07T09:00:00"));
    ASSERT_TRUE(second.stampEnd);
    EXPECT_EQ(*second.stampEnd, at("2026-12-07T10:31:00"));
    EXPECT_EQ(second.description, "Trabalho registrado");
    EXPECT_EQ(second.taskDescription, "Faturamento");
    EXPECT_EQ(second.processName, "Testes");
    EXPECT_EQ(second.situation, "C");

    // The open row: no end and no stamped end, and its own task's texts.
    const AppropriationRecord& open = rows[2];
    EXPECT_FALSE(open.end);
    EXPECT_FALSE(open.stampEnd);
    EXPECT_EQ(open.task, "0000000002");
    EXPECT_EQ(open.taskDescription, "Portal do cliente");
    EXPECT_EQ(open.processName, "Suporte");
    EXPECT_EQ(open.situation, "A");
}

TEST_F(DayReads, a_read_run_again_answers_for_its_new_values_only) {
    const auto day = at("2026-12-07");
    EXPECT_EQ(appropriationsOfDay(lease, kAna, "0001", day).size(), 3u);
    const auto other = appropriationsOfDay(lease, kAna, "0001", at("2026-11-30"));
    ASSERT_EQ(other.size(), 1u);
    EXPECT_EQ(other[0].start, at("2026-11-30T14:00:00"));
    const auto south = appropriationsOfDay(lease, kAna, "0002", day);
    ASSERT_EQ(south.size(), 1u);
    EXPECT_EQ(south[0].taskDescription, "Implantação Sul");
    EXPECT_EQ(south[0].processName, "Implantação");
    EXPECT_TRUE(appropriationsOfDay(lease, kAna, "0001", at("2026-12-01")).empty());
    EXPECT_TRUE(appropriationsOfDay(lease, "000000000999", "0001", day).empty());
    EXPECT_EQ(appropriationsOfDay(lease, kAna, "0001", day).size(), 3u);

    EXPECT_EQ(punchesOfDay(lease, kAna, day).size(), 5u);
    EXPECT_TRUE(punchesOfDay(lease, kAna, at("2026-12-08")).empty());
    EXPECT_EQ(punchesOfDay(lease, kAna, day).size(), 5u);
}

TEST_F(DayReads, punches_come_numbered_in_their_order_the_unnumbered_first_by_time_then_id) {
    // The wall clock turned back an hour: the second punch reads earlier than the first.
    punch("2026-12-09T10:00:00", "1", 1, -120);
    punch("2026-12-09T09:30:00", "2", 2, -180);
    // Punches never numbered, two at one instant: by time, then in the order saved.
    punch("2026-12-09T11:00:00", "1", std::nullopt, std::nullopt);
    punch("2026-12-09T08:00:00", "2", std::nullopt, std::nullopt);
    punch("2026-12-09T08:00:00", "1", std::nullopt, std::nullopt);

    const auto punches = punchesOfDay(lease, kAna, at("2026-12-09"));
    std::vector<std::string> order;
    order.reserve(punches.size());
    for (const PunchRecord& p : punches) order.push_back(p.at.toIso() + " " + p.direction);
    EXPECT_EQ(order, (std::vector<std::string>{"2026-12-09T08:00:00 2", "2026-12-09T08:00:00 1",
                                               "2026-12-09T11:00:00 1", "2026-12-09T10:00:00 1",
                                               "2026-12-09T09:30:00 2"}));
    ASSERT_EQ(punches.size(), 5u);
    EXPECT_FALSE(punches[0].utcOffsetMinutes);
    EXPECT_EQ(punches[3].utcOffsetMinutes, -120);
    EXPECT_EQ(punches[4].utcOffsetMinutes, -180);
    const PunchRecord& p = punches[4];
    EXPECT_EQ(p.company, "02");
    EXPECT_EQ(p.operatorCode, kAna);
    EXPECT_EQ(p.event, "S1");
    EXPECT_EQ(p.origin, "REP");
    EXPECT_EQ(p.day, at("2026-12-09"));
}

}  // namespace
}  // namespace appserver::testing

// Closing and reopening an operator's month: the month's text, the closing
// permission, who and when, the audit trail, and SetAtividades refusing
// every change of a closed month's rows while reading goes on.
#include <gtest/gtest.h>

#include "appserver/stores/audit_trail.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

constexpr const char* kAna = "000000000101";
constexpr const char* kCarla = "000000000103";
constexpr const char* kDiego = "000000000104";  // the summary, not the closing
constexpr const char* kDay = "2026-12-07";
constexpr const char* kClosed = "Mês fechado para apropriação.";

class MonthClosing : public ::testing::Test {
protected:
    TestServer server;
    std::string ana = server.login(kAna);

    Reply closing(const std::string& op, const std::string& month, const std::string& close = "S",
                  const std::string& token = {}) {
        return server.call(token.empty() ? ana : token, "SetFechamento", {"0001", op, month, close},
                           kResumoServer);
    }
    json day(const std::string& d = kDay, const std::string& op = kAna) {
        return server.result(ana, "getAtividades", {op, "0001", date(d)});
    }
    Reply save(const DeltaBuilder& d) {
        return server.call(ana, "SetAtividades", json::array({d.arg()}));
    }
    void expectClosedRefusal(const Reply& r, const std::string& what) {
        EXPECT_EQ(r.status, 422) << what << ": " << r.body.dump();
        EXPECT_EQ(r.body["error"].value("message", ""), kClosed) << what;
    }
};

TEST_F(MonthClosing, a_month_that_does_not_exist_or_an_unknown_choice_is_a_bad_request) {
    for (const char* month : {"2026-13", "2026-00", "abc", "2026-1", "2026/12", "0000-12",
                              "2026-12-01", "", "２０２６-12"}) {
        const Reply r = closing(kAna, month);
        EXPECT_EQ(r.status, 400) << month << ": " << r.body.dump();
    }
    for (const char* choice : {"", "s", "X", "SIM"})
        EXPECT_EQ(closing(kAna, "2026-12", choice).status, 400) << choice;
    EXPECT_EQ(rowCount(server.db(), "month_closings"), 0);
    EXPECT_EQ(rowCount(server.db(), "audit_trail"), 0);
}

TEST_F(MonthClosing, needs_the_closing_permission_and_an_operator_of_the_work_team) {
    const std::string diego = server.login(kDiego);
    const Reply withoutPermission = closing(kCarla, "2026-12", "S", diego);
    EXPECT_EQ(withoutPermission.status, 403);
    EXPECT_EQ(withoutPermission.body["error"]["message"],
              "Operador não possui permissão para fechar o mês.");
    EXPECT_EQ(closing(kDiego, "2026-12").status, 403);  // not of Ana's work team
    EXPECT_EQ(rowCount(server.db(), "month_closings"), 0);
    // The permission is read inside the closing's transaction.
    ASSERT_EQ(closing(kCarla, "2026-12").status, 200);
    server.db().acquire().sql()
        << "DELETE FROM operator_screens WHERE operator = '000000000101' AND screen = 'Zep00720'";
    EXPECT_EQ(closing(kCarla, "2026-12", "N").status, 403);
    EXPECT_EQ(rowCount(server.db(), "month_closings"), 1);
}

TEST_F(MonthClosing, keeps_who_closed_and_when_and_the_trail_lists_closing_and_reopening) {
    ASSERT_EQ(closing(kCarla, "2026-12").status, 200);
    ASSERT_EQ(closing(kCarla, "2026-12").status, 200);  // already closed: nothing more
    {
        auto lease = server.db().acquire();
        std::string by;
        long long at = 0, first = 0, last = 0;
        lease.sql() << "SELECT closed_by, closed_at, first_day, last_day FROM month_closings"
                       " WHERE operator = '000000000103' AND branch = '0001'",
            soci::into(by), soci::into(at), soci::into(first), soci::into(last);
        EXPECT_EQ(by, kAna);
        const auto now = *platform::dataset::DateTime::parseIso(kNow);
        EXPECT_GE(at, now.toSeconds());
        EXPECT_LT(at, now.toSeconds() + 300);
        EXPECT_EQ(first, platform::dataset::DateTime::date(2026, 12, 1).dayNumber());
        EXPECT_EQ(last, platform::dataset::DateTime::date(2026, 12, 31).dayNumber());
    }
    ASSERT_EQ(closing(kCarla, "2026-12", "N").status, 200);
    ASSERT_EQ(closing(kCarla, "2026-12", "N").status, 200);  // already open
    EXPECT_EQ(rowCount(server.db(), "month_closings"), 0);

    AuditFilter filter;
    filter.operatorCode = kCarla;
    const auto trail = auditEntries(server.db().acquire().sql(), filter);
    ASSERT_EQ(trail.size(), 2u);
    EXPECT_EQ(trail[0].action, "reopen");  // newest first
    EXPECT_EQ(trail[1].action, "close");
    for (const AuditEntry& e : trail) {
        EXPECT_EQ(e.user, kAna);
        EXPECT_EQ(e.branch, "0001");
        EXPECT_EQ(e.key, "2026-12");
        EXPECT_EQ(e.day.toIsoDate(), "2026-12-01");
        EXPECT_EQ(e.address, "127.0.0.1");
        EXPECT_FALSE(e.appropriation.has_value());
    }
    EXPECT_EQ(json::parse(*trail[1].before), (json{{"month", "2026-12"}, {"closed", false}}));
    const json closed = json::parse(*trail[1].after);
    EXPECT_EQ(closed["closed"], true);
    EXPECT_EQ(closed["closedBy"], kAna);
    EXPECT_EQ(json::parse(*trail[0].before), closed);
    EXPECT_EQ(json::parse(*trail[0].after)["closed"], false);
    // The day screen's history of the month's first day shows it too.
    const json history = server.result(ana, "GetHistorico", {kCarla, "0001", date("2026-12-01")});
    EXPECT_EQ(history["rows"].size(), 2u);
}

TEST_F(MonthClosing, a_closed_month_refuses_an_insert_a_change_and_a_delete_and_reads_as_before) {
    const json before = day();
    const auto rows = rowsByName(before);
    ASSERT_EQ(closing(kAna, "2026-12").status, 200);
    const int stored = rowCount(server.db(), "appropriations");
    const int trail = rowCount(server.db(), "audit_trail");

    DeltaBuilder insert(before);
    insert.insert(newRow("2026-12-01", "08:00:00", "09:00:00"));  // the month's first day
    expectClosedRefusal(save(insert), "insert");
    DeltaBuilder lastDay(before);
    lastDay.insert(newRow("2026-12-08", "08:00:00", "09:00:00"));
    expectClosedRefusal(save(lastDay), "insert today");

    json changed = rows[0];
    changed["TXAPRATIVTAR"] = "Outra descrição";
    DeltaBuilder update(before);
    update.update(rows[0], changed);
    expectClosedRefusal(save(update), "update");

    DeltaBuilder remove(before);
    remove.remove(rows[0]);
    expectClosedRefusal(save(remove), "delete");

    EXPECT_EQ(day(), before);
    EXPECT_EQ(rowCount(server.db(), "appropriations"), stored);
    EXPECT_EQ(rowCount(server.db(), "audit_trail"), trail);
    EXPECT_EQ(server.result(ana, "getTotApro", {kAna, "0001", date(kDay)})["rows"][0][0],
              "02:30:00");
}

TEST_F(MonthClosing, a_packet_touching_a_closed_day_is_refused_whole) {
    ASSERT_EQ(closing(kAna, "2026-12").status, 200);
    const json november = day("2026-11-30");
    const auto novemberRows = rowsByName(november);
    ASSERT_EQ(novemberRows.size(), 1u);

    // An insert on an open day with one on a closed day, in either order.
    for (const bool closedFirst : {false, true}) {
        DeltaBuilder mixed(november);
        const json open = newRow("2026-11-30", "08:00:00", "09:00:00");
        const json closed = newRow("2026-12-02", "08:00:00", "09:00:00");
        mixed.insert(closedFirst ? closed : open).insert(closedFirst ? open : closed);
        expectClosedRefusal(save(mixed), closedFirst ? "closed first" : "open first");
    }
    // A row moved from an open month into the closed one: no row moves to
    // another day at all, so that refusal comes first; and a copy of it there.
    json moved = novemberRows[0];
    moved["DTIAPATIVTAR"] = "2026-12-02T14:00:00";
    moved["DTFAPATIVTAR"] = "2026-12-02T15:00:00";
    DeltaBuilder move(november);
    move.update(novemberRows[0], moved);
    const Reply refusedMove = save(move);
    EXPECT_EQ(refusedMove.status, 422) << refusedMove.body.dump();
    EXPECT_NE(refusedMove.body["error"].value("message", "").find("outro dia"), std::string::npos)
        << refusedMove.body.dump();
    DeltaBuilder copy(november);
    copy.insert(newRow("2026-11-29", "14:00:00", "15:00:00"))
        .insert(newRow("2026-12-03", "14:00:00", "15:00:00"));
    expectClosedRefusal(save(copy), "copy");

    EXPECT_EQ(day("2026-11-30"), november);
    EXPECT_TRUE(day("2026-11-29")["rows"].empty());
    EXPECT_TRUE(day("2026-12-02")["rows"].empty());

    // November stays open, and a team-mate's December too.
    DeltaBuilder alone(november);
    alone.insert(newRow("2026-11-30", "08:00:00", "09:00:00"));
    EXPECT_EQ(save(alone).status, 200);
    DeltaBuilder carlas(november);
    carlas.insert(newRow("2026-12-02", "08:00:00", "09:00:00", "0000000001", "00001", kCarla));
    EXPECT_EQ(save(carlas).status, 200);
}

TEST_F(MonthClosing, a_closed_month_is_the_operators_at_one_branch_and_reopening_frees_it) {
    ASSERT_EQ(closing(kAna, "2026-12").status, 200);
    // At 0002 Ana's December is open.
    const std::string south = server.login(kAna, "0002");
    const json southDay = server.result(south, "getAtividades", {kAna, "0002", date(kDay)});
    DeltaBuilder atSouth(southDay);
    json row = newRow(kDay, "14:00:00", "15:00:00", "0000000009", "00001");
    row["CDFILIAL"] = "0002";
    atSouth.insert(row);
    EXPECT_EQ(server.call(south, "SetAtividades", json::array({atSouth.arg()})).status, 200);

    DeltaBuilder insert(day());
    insert.insert(newRow(kDay, "10:30:00", "11:00:00"));
    expectClosedRefusal(save(insert), "closed");
    ASSERT_EQ(closing(kAna, "2026-12", "N").status, 200);
    EXPECT_EQ(save(insert).status, 200);
    EXPECT_EQ(rowsByName(day()).size(), 4u);
}

}  // namespace
}  // namespace appserver::testing

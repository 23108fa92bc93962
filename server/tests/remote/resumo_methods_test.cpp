// The summary module: a team's or an operator's days over a period, each
// day's appropriated time as getTotApro sums it and punched time as
// GetTotPontoReal pairs it, the closed months, the period's limits and who
// may ask.
#include <gtest/gtest.h>

#include "appserver/clockfile/afd_import.h"
#include "appserver/clockfile/afd_writer.h"
#include "appserver/stores/appropriation_store.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;
using platform::dataset::DateTime;

constexpr const char* kAna = "000000000101";    // EQ01
constexpr const char* kBruno = "000000000102";  // EQ01, no permission for any screen
constexpr const char* kCarla = "000000000103";  // EQ01 and EQ02
constexpr const char* kDiego = "000000000104";  // EQ02, no closing permission

class Resumo : public ::testing::Test {
protected:
    TestServer server;
    std::string ana = server.login(kAna);

    Reply period(const std::string& token, const std::string& team, const std::string& op,
                 const std::string& from, const std::string& to,
                 const std::string& branch = "0001") {
        return server.call(token, "GetResumoPeriodo", {branch, team, op, date(from), date(to)},
                           kResumoServer);
    }
    std::vector<json> rows(const std::string& team, const std::string& op,
                           const std::string& from = "2026-11-01",
                           const std::string& to = "2026-12-31") {
        const Reply r = period(ana, team, op, from, to);
        EXPECT_EQ(r.status, 200) << r.body.dump();
        return r.status == 200 ? rowsByName(r.body["result"]) : std::vector<json>();
    }
    Reply closing(const std::string& token, const std::string& op, const std::string& month,
                  const std::string& close = "S") {
        return server.call(token, "SetFechamento", {"0001", op, month, close}, kResumoServer);
    }

    void punch(const std::string& op, const std::string& at, const char* direction,
               std::optional<int> ordinal = std::nullopt,
               std::optional<int> offset = std::nullopt) {
        auto lease = server.db().acquire();
        PunchRecord p;
        p.company = "01";
        p.operatorCode = op;
        p.at = *DateTime::parseIso(at);
        p.day = p.at.datePart();
        p.direction = direction;
        p.event = direction[0] == '1' ? "E1" : "S1";
        p.origin = "CAT";
        insertPunch(lease.sql(), p);
        if (ordinal || offset) {
            long long seconds = p.at.toSeconds();
            int ord = ordinal.value_or(0), off = offset.value_or(0);
            soci::indicator ordInd = ordinal ? soci::i_ok : soci::i_null;
            soci::indicator offInd = offset ? soci::i_ok : soci::i_null;
            lease.sql() << "UPDATE punches SET ordinal = :n, utc_offset = :u"
                           " WHERE operator = :o AND punched_at = :a",
                soci::use(ord, ordInd), soci::use(off, offInd), soci::use(op), soci::use(seconds);
        }
    }
    void appropriation(const std::string& op, const std::string& start,
                       std::optional<std::string> end, const std::string& branch = "0001") {
        auto lease = server.db().acquire();
        AppropriationRecord r;
        r.operatorCode = op;
        r.branch = branch;
        r.task = branch == "0001" ? "0000000001" : "0000000009";
        r.activity = "00001";
        r.start = *DateTime::parseIso(start);
        if (end) r.end = *DateTime::parseIso(*end);
        r.stampStart = r.start;
        r.stampEnd = r.end;
        insertAppropriation(lease.sql(), r);
    }

    /// What the day screen answers for the operator's day: its total and its punched time.
    std::pair<std::string, std::string> dayScreenTotals(const std::string& op,
                                                        const std::string& day) {
        const json apro = server.result(ana, "getTotApro", {op, "0001", date(day)});
        const json ponto = server.result(ana, "GetTotPontoReal", {op, date(day)});
        return {apro["rows"].empty() ? "" : apro["rows"][0][0].get<std::string>(),
                ponto["rows"].empty() ? "" : ponto["rows"][0][0].get<std::string>()};
    }
};

std::vector<std::string> keys(const std::vector<json>& rows) {
    std::vector<std::string> out;
    out.reserve(rows.size());
    for (const json& r : rows)
        out.push_back(r["CDOPERADOR"].get<std::string>() + " " +
                      r["DTDIA"].get<std::string>().substr(0, 10));
    return out;
}

TEST_F(Resumo, a_team_has_one_row_per_operator_and_day_with_rows_or_punches_ordered_by_code) {
    punch(kCarla, "2026-12-02T08:00:00", "1");  // punches, no row
    punch(kCarla, "2026-12-02T12:00:00", "2");
    appropriation(kCarla, "2026-12-04T09:00:00", "2026-12-04T09:45:00");          // a row, no punch
    punch(kBruno, "2026-12-03T08:00:00", "1");                                    // an entry alone
    appropriation(kCarla, "2026-12-05T09:00:00", "2026-12-05T10:00:00", "0002");  // other branch
    appropriation(kDiego, "2026-12-02T09:00:00", "2026-12-02T10:00:00");          // other team

    const auto team = rows("EQ01", "");
    EXPECT_EQ(keys(team),
              (std::vector<std::string>{"000000000101 2026-11-30", "000000000101 2026-12-07",
                                        "000000000102 2026-12-03", "000000000103 2026-12-02",
                                        "000000000103 2026-12-04"}));
    ASSERT_EQ(team.size(), 5u);
    // Ana's 7th: the two closed rows at 0001 (the open one and the one at 0002 left out);
    // 07:58-10:00 and 10:15-12:00 paired, the last entry alone.
    EXPECT_EQ(team[1]["QTHRAPRO"], "02:30:00");
    EXPECT_EQ(team[1]["QTHRPONTO"], "03:47:00");
    EXPECT_EQ(team[1]["NMOPERADOR"], "Ana Souza");
    EXPECT_EQ(team[1]["DTDIA"], "2026-12-07T00:00:00");
    EXPECT_EQ(team[0]["QTHRPONTO"], "");          // no punch on the 30th
    EXPECT_EQ(team[2]["QTHRAPRO"], "");           // Bruno: no row
    EXPECT_EQ(team[2]["QTHRPONTO"], "00:00:00");  // punched, but no complete pair
    EXPECT_EQ(team[3]["QTHRAPRO"], "");
    EXPECT_EQ(team[3]["QTHRPONTO"], "04:00:00");
    EXPECT_EQ(team[4]["QTHRAPRO"], "00:45:00");
    EXPECT_EQ(team[4]["QTHRPONTO"], "");
    for (const json& r : team) EXPECT_EQ(r["IDFECHADO"], "N");

    // Every figure is the day screen's own for that day.
    for (const json& r : team) {
        const std::string day = r["DTDIA"].get<std::string>().substr(0, 10);
        const auto [apro, ponto] = dayScreenTotals(r["CDOPERADOR"], day);
        EXPECT_EQ(r["QTHRAPRO"], apro) << r.dump();
        // GetTotPontoReal answers no row without a complete pair; the summary 00:00:00.
        if (ponto.empty()) {
            EXPECT_TRUE(r["QTHRPONTO"] == "" || r["QTHRPONTO"] == "00:00:00") << r.dump();
        } else {
            EXPECT_EQ(r["QTHRPONTO"], ponto) << r.dump();
        }
    }
}

TEST_F(Resumo, punches_are_paired_in_the_clocks_order_and_by_their_true_instants) {
    // Daylight saving turned the clock back at 02:00: the exit, punched later,
    // shows an earlier wall clock; the import numbered the day's punches in
    // their true order.
    punch(kCarla, "2026-12-09T01:30:00", "1", 1, -120);
    punch(kCarla, "2026-12-09T01:10:00", "2", 2, -180);
    punch(kCarla, "2026-12-09T02:00:00", "1", 3, -180);
    punch(kCarla, "2026-12-09T05:00:00", "2", 4, -180);
    const auto r = rows("", kCarla, "2026-12-09", "2026-12-09");
    ASSERT_EQ(r.size(), 1u);
    // 01:30 (-2 h) to 01:10 (-3 h) lasted 40 minutes; 02:00 to 05:00 three hours.
    EXPECT_EQ(r[0]["QTHRPONTO"], "03:40:00");
    EXPECT_EQ(r[0]["QTHRPONTO"], dayScreenTotals(kCarla, "2026-12-09").second);
}

TEST_F(Resumo, an_operator_alone_has_the_rows_the_team_gives_him_within_the_period) {
    punch(kCarla, "2026-12-02T08:00:00", "1");
    punch(kCarla, "2026-12-02T12:00:00", "2");
    std::vector<json> ofTeam;
    for (const json& r : rows("EQ01", "", "2026-12-01", "2026-12-31"))
        if (r["CDOPERADOR"] == kAna) ofTeam.push_back(r);
    EXPECT_EQ(rows("", kAna, "2026-12-01", "2026-12-31"), ofTeam);
    ASSERT_EQ(ofTeam.size(), 1u);  // the 30th of November is outside the period
    // Both ends of the period are within it.
    EXPECT_EQ(keys(rows("", kAna, "2026-11-30", "2026-12-07")),
              (std::vector<std::string>{"000000000101 2026-11-30", "000000000101 2026-12-07"}));
    EXPECT_TRUE(rows("", kAna, "2026-12-01", "2026-12-06").empty());
    // Carla's team EQ02 through her own session: Diego has only his row at 0001.
    const std::string carla = server.login(kCarla);
    const Reply r = period(carla, "EQ02", "", "2026-12-01", "2026-12-31");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(keys(rowsByName(r.body["result"])),
              (std::vector<std::string>{"000000000103 2026-12-02", "000000000104 2026-12-07"}));
}

TEST_F(Resumo, a_closed_month_is_marked_on_its_days_and_only_at_its_branch) {
    ASSERT_EQ(closing(ana, kAna, "2026-12").status, 200);
    const auto r = rows("", kAna, "2026-11-01", "2026-12-31");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0]["IDFECHADO"], "N");  // November
    EXPECT_EQ(r[1]["IDFECHADO"], "S");
    // A period that starts inside the closed month still sees it closed.
    EXPECT_EQ(rows("", kAna, "2026-12-07", "2026-12-07")[0]["IDFECHADO"], "S");
    // At 0002 Ana's December is open.
    const std::string south = server.login(kAna, "0002");
    const Reply other = period(south, "", kAna, "2026-12-01", "2026-12-31", "0002");
    ASSERT_EQ(other.status, 200);
    const auto southRows = rowsByName(other.body["result"]);
    ASSERT_EQ(southRows.size(), 1u);
    EXPECT_EQ(southRows[0]["QTHRAPRO"], "00:30:00");
    EXPECT_EQ(southRows[0]["IDFECHADO"], "N");
    // Reopened, it is no longer marked.
    ASSERT_EQ(closing(ana, kAna, "2026-12", "N").status, 200);
    EXPECT_EQ(rows("", kAna, "2026-12-07", "2026-12-07")[0]["IDFECHADO"], "N");
}

TEST_F(Resumo, a_period_holds_at_most_62_days_and_names_a_team_or_an_operator) {
    EXPECT_EQ(period(ana, "EQ01", "", "2026-12-01", "2027-01-31").status, 200);  // 62 days
    const Reply longer = period(ana, "EQ01", "", "2026-12-01", "2027-02-01");
    EXPECT_EQ(longer.status, 422);
    EXPECT_EQ(longer.body["error"]["message"], "O período deve ter no máximo 62 dias.");
    EXPECT_EQ(period(ana, "", kAna, "2026-01-01", "2026-12-31").status, 422);
    EXPECT_EQ(period(ana, "EQ01", "", "2026-12-02", "2026-12-01").status, 400);  // reversed
    EXPECT_EQ(period(ana, "", "", "2026-12-01", "2026-12-31").status, 400);
    EXPECT_EQ(period(ana, "EQ01", kAna, "2026-12-01", "2026-12-31").status, 400);
    EXPECT_EQ(period(ana, "EQ01", "", "2026-12-07", "2026-12-07").status, 200);  // one day
}

TEST_F(Resumo, only_the_callers_teams_and_work_team_at_the_sessions_branch_with_the_permission) {
    const Reply otherTeam = period(ana, "EQ02", "", "2026-12-01", "2026-12-31");
    EXPECT_EQ(otherTeam.status, 403);
    EXPECT_EQ(otherTeam.body["error"]["message"], "Equipe não cadastrada para o usuário.");
    EXPECT_EQ(period(ana, "EQ99", "", "2026-12-01", "2026-12-31").status, 403);
    EXPECT_EQ(period(ana, "", kDiego, "2026-12-01", "2026-12-31").status, 403);
    EXPECT_EQ(period(ana, "EQ01", "", "2026-12-01", "2026-12-31", "0002").status, 403);
    // Bruno belongs to EQ01 but may not use the summary.
    const std::string bruno = server.login(kBruno);
    EXPECT_EQ(period(bruno, "EQ01", "", "2026-12-01", "2026-12-31").status, 403);
    // The day screen's permission alone does not open the summary.
    server.db().acquire().sql()
        << "DELETE FROM operator_screens WHERE operator = '000000000104' AND screen = 'Zep00710'";
    const std::string diego = server.login(kDiego);
    EXPECT_EQ(period(diego, "EQ02", "", "2026-12-01", "2026-12-31").status, 403);
    EXPECT_TRUE(
        server.result(diego, "GetCtrlAcesso", {"0001", kDiego}, kResumoServer)["rows"].empty());
    EXPECT_EQ(server.result(diego, "GetCtrlAcesso", {"0001", kDiego})["rows"].size(), 1u);
}

TEST_F(Resumo, the_filter_lists_the_users_teams_and_says_whether_he_may_close_months) {
    const std::string carla = server.login(kCarla);
    const auto teams =
        rowsByName(server.result(carla, "GetEquipes", {"0001", kCarla}, kResumoServer));
    ASSERT_EQ(teams.size(), 2u);
    EXPECT_EQ(teams[0], (json{{"CDEQUIPE", "EQ01"}, {"NMEQUIPE", "Desenvolvimento"}}));
    EXPECT_EQ(teams[1], (json{{"CDEQUIPE", "EQ02"}, {"NMEQUIPE", "Suporte"}}));
    EXPECT_EQ(server.result(ana, "GetEquipes", {"0001", kAna}, kResumoServer)["rows"].size(), 1u);

    EXPECT_EQ(server.result(carla, "GetCtrlFechamento", {"0001", kCarla}, kResumoServer)["rows"],
              json::array({json::array({kCarla})}));
    const std::string diego = server.login(kDiego);
    EXPECT_TRUE(
        server.result(diego, "GetCtrlFechamento", {"0001", kDiego}, kResumoServer)["rows"].empty());
    // The operator search answers as the day screen's.
    EXPECT_EQ(server.result(ana, "GetOperEquip", {kAna, "", "T"}, kResumoServer),
              server.result(ana, "GetOperEquip", {kAna, "", "T"}));
}

TEST_F(Resumo, a_months_operators_are_the_teams_members_at_the_branch_by_code_days_or_not) {
    {
        // Named last, coded first: the list goes by code.
        auto lease = server.db().acquire();
        lease.sql() << "INSERT INTO operators (code, name, password_hash)"
                       " VALUES ('000000000100', 'Zélia Prado', 'x')";
        lease.sql() << "INSERT INTO operator_branches (operator, branch)"
                       " VALUES ('000000000100', '0001')";
        lease.sql() << "INSERT INTO team_members (team, operator) VALUES ('EQ01', '000000000100')";
    }
    const auto listed = [&](const std::string& token, const std::string& team,
                            const std::string& op, const std::string& month,
                            const std::string& branch = "0001") {
        return server.call(token, "GetOperadoresResumo", {branch, team, op, month}, kResumoServer);
    };
    // Bruno has no day in December 2026 and is listed all the same; Ana's December is closed.
    ASSERT_EQ(closing(ana, kAna, "2026-12").status, 200);
    const Reply eq01 = listed(ana, "EQ01", "", "2026-12");
    ASSERT_EQ(eq01.status, 200) << eq01.body.dump();
    EXPECT_EQ(eq01.body["result"]["rows"],
              json::array({json::array({"000000000100", "Zélia Prado", "N"}),
                           json::array({kAna, "Ana Souza", "S"}),
                           json::array({kBruno, "Bruno Lima", "N"}),
                           json::array({kCarla, "Carla Dias", "N"})}));
    // Only that month: November is open.
    EXPECT_EQ(listed(ana, "", kAna, "2026-11").body["result"]["rows"],
              json::array({json::array({kAna, "Ana Souza", "N"})}));
    EXPECT_EQ(listed(ana, "", kBruno, "2026-12").body["result"]["rows"],
              json::array({json::array({kBruno, "Bruno Lima", "N"})}));
    // At 0002 only Ana of EQ01 works, and her December there is open.
    const std::string south = server.login(kAna, "0002");
    EXPECT_EQ(listed(south, "EQ01", "", "2026-12", "0002").body["result"]["rows"],
              json::array({json::array({kAna, "Ana Souza", "N"})}));
    EXPECT_TRUE(listed(south, "", kBruno, "2026-12", "0002").body["result"]["rows"].empty());

    // Who may ask, and what: as the period.
    const Reply other = listed(ana, "EQ02", "", "2026-12");
    EXPECT_EQ(other.status, 403);
    EXPECT_EQ(other.body["error"]["message"], "Equipe não cadastrada para o usuário.");
    EXPECT_EQ(listed(ana, "", kDiego, "2026-12").status, 403);
    EXPECT_EQ(listed(ana, "EQ01", "", "2026-12", "0002").status, 403);
    EXPECT_EQ(listed(ana, "", "", "2026-12").status, 400);
    EXPECT_EQ(listed(ana, "EQ01", kAna, "2026-12").status, 400);
    EXPECT_EQ(listed(ana, "EQ01", "", "2026-13").status, 400);
    const std::string carla = server.login(kCarla);
    EXPECT_EQ(listed(carla, "EQ02", "", "2026-12").body["result"]["rows"].size(), 2u);
}

/// The row of `op`'s `day` in a summary; null when it has none.
json rowOf(const std::vector<json>& rows, const std::string& op, const std::string& day) {
    for (const json& r : rows)
        if (r["CDOPERADOR"] == op && r["DTDIA"] == day + "T00:00:00") return r;
    return json();
}

TEST_F(Resumo, asked_again_after_any_write_the_summary_shows_the_days_as_written) {
    // The server keeps the team's days between calls: each write below
    // comes after a summary, and the next one must show it.
    const auto summary = [&] { return rows("EQ01", "", "2026-12-01", "2026-12-31"); };
    const std::vector<json> before = summary();
    EXPECT_EQ(summary(), before);
    ASSERT_EQ(rowOf(before, kAna, "2026-12-07")["QTHRAPRO"], "02:30:00");
    const auto dayPacket = [&] {
        return server.result(ana, "getAtividades", {kAna, "0001", date("2026-12-07")});
    };
    const auto save = [&](const DeltaBuilder& delta) {
        const Reply r = server.call(ana, "SetAtividades", json::array({delta.arg()}));
        ASSERT_EQ(r.status, 200) << r.body.dump();
    };

    save(DeltaBuilder(dayPacket()).insert(newRow("2026-12-07", "11:30:00", "12:15:00")));
    EXPECT_EQ(rowOf(summary(), kAna, "2026-12-07")["QTHRAPRO"], "03:15:00") << "a save";
    {
        const json packet = dayPacket();
        for (const json& r : rowsByName(packet))
            if (r["HORAINI"] == "11:30:00") save(DeltaBuilder(packet).remove(r));
    }
    EXPECT_EQ(summary(), before) << "the saved row deleted";

    {
        auto lease = server.db().acquire();
        lease.sql() << "UPDATE operators SET cpf = '11122233396' WHERE code = '" << kCarla << "'";
    }
    afd::Writer w(afd::Layout::Current, "00004000310000123", "Indústria");
    w.punch(1, *DateTime::parseIso("2026-12-08T08:00:00"), -180, "11122233396");
    w.punch(2, *DateTime::parseIso("2026-12-08T12:30:00"), -180, "11122233396");
    importClockFile(server.db(), afd::readClockFile(w.text()), {false, "01"});
    EXPECT_EQ(rowOf(summary(), kCarla, "2026-12-08")["QTHRPONTO"], "04:30:00") << "a clock import";

    {
        auto lease = server.db().acquire();
        lease.sql() << "UPDATE punches SET punched_at = punched_at + 1800 WHERE operator = '"
                    << kCarla << "' AND direction = '2'";
    }
    const std::vector<json> after = summary();
    EXPECT_EQ(rowOf(after, kCarla, "2026-12-08")["QTHRPONTO"], "05:00:00") << "plain SQL";
    // Everyone else's days as they were, and every figure the day screen's own.
    for (const json& r : before) {
        if (r["CDOPERADOR"] != kCarla) {
            EXPECT_EQ(rowOf(after, r["CDOPERADOR"], r["DTDIA"].get<std::string>().substr(0, 10)),
                      r);
        }
    }
    for (const json& r : after) {
        const auto [apro, ponto] =
            dayScreenTotals(r["CDOPERADOR"], r["DTDIA"].get<std::string>().substr(0, 10));
        EXPECT_EQ(r["QTHRAPRO"], apro) << r.dump();
        if (!ponto.empty()) {
            EXPECT_EQ(r["QTHRPONTO"], ponto) << r.dump();
        }
    }
    // Names and closings, through the server or in plain SQL.
    ASSERT_EQ(closing(ana, kAna, "2026-12").status, 200);
    EXPECT_EQ(rowOf(summary(), kAna, "2026-12-07")["IDFECHADO"], "S");
    {
        auto lease = server.db().acquire();
        lease.sql() << "UPDATE operators SET name = 'Ana Souza Lima' WHERE code = '" << kAna << "'";
    }
    EXPECT_EQ(rowOf(summary(), kAna, "2026-12-07")["NMOPERADOR"], "Ana Souza Lima");
    ASSERT_EQ(closing(ana, kAna, "2026-12", "N").status, 200);
    const std::vector<json> reopened = summary();
    EXPECT_EQ(rowOf(reopened, kAna, "2026-12-07")["IDFECHADO"], "N") << "the month reopened";
    EXPECT_EQ(rowOf(reopened, kAna, "2026-12-07")["NMOPERADOR"], "Ana Souza Lima");
    // Another period over the same days keeps rows of its own, and the first's stay.
    const std::vector<json> twoMonths = rows("EQ01", "", "2026-11-01", "2026-12-31");
    for (const json& r : reopened)
        EXPECT_EQ(rowOf(twoMonths, r["CDOPERADOR"], r["DTDIA"].get<std::string>().substr(0, 10)),
                  r);
    EXPECT_EQ(summary(), reopened);

    // Written past the server (another server, the command line): a member
    // added, his month closed, his branch left.
    const auto sql = [&](const std::string& statement) {
        auto lease = server.db().acquire();
        lease.sql() << statement;
    };
    const std::string diego = std::string("'") + kDiego + "'";
    sql("INSERT INTO team_members (team, operator) VALUES ('EQ01', " + diego + ")");
    EXPECT_EQ(rowOf(summary(), kDiego, "2026-12-07")["IDFECHADO"], "N") << "a member added";
    sql("INSERT INTO month_closings (operator, branch, first_day, last_day, closed_by, closed_at)"
        " VALUES (" +
        diego + ", '0001', " + std::to_string(DateTime::date(2026, 12, 1).dayNumber()) + ", " +
        std::to_string(DateTime::date(2026, 12, 31).dayNumber()) + ", 'x', 0)");
    EXPECT_EQ(rowOf(summary(), kDiego, "2026-12-07")["IDFECHADO"], "S") << "a month closed";
    sql("DELETE FROM operator_branches WHERE operator = " + diego + " AND branch = '0001'");
    const std::vector<json> left = summary();
    EXPECT_TRUE(rowOf(left, kDiego, "2026-12-07").is_null()) << "a branch left";
    EXPECT_EQ(left, reopened);
}

TEST_F(Resumo, each_module_serves_only_its_own_methods) {
    const Reply dayMethod =
        server.call(ana, "getAtividades", {kAna, "0001", date("2026-12-07")}, kResumoServer);
    EXPECT_EQ(dayMethod.status, 404);
    EXPECT_EQ(server
                  .call(ana, "GetResumoPeriodo",
                        {"0001", "EQ01", "", date("2026-12-01"), date("2026-12-31")})
                  .status,
              404);
    EXPECT_EQ(server.call(ana, "getHoraServidor", json::array(), "Zep00710.rdmOutro").status, 404);
    EXPECT_EQ(server.call(ana, "gethoraservidor", json::array(), kResumoServer).status, 200);
}

}  // namespace
}  // namespace appserver::testing

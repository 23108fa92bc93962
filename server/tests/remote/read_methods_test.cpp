// The read methods of the remote module: their answers, empty answers and field lists.
#include <gtest/gtest.h>

#include "appserver/stores/appropriation_store.h"
#include "contract_calls.h"
#include "protocol/apropriacao.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

constexpr const char* kAna = "000000000101";
constexpr const char* kDay = "2026-12-07";

class ReadMethods : public ::testing::Test {
protected:
    TestServer server;
    std::string token = server.login(kAna);
};

TEST_F(ReadMethods, every_answer_carries_the_fields_of_its_contract_in_order) {
    for (const ContractCall& c : everyMethodCall()) {
        if (!c.method->answersData()) continue;
        std::vector<std::string> names;
        for (const protocol::Field& f : c.method->fields()) names.emplace_back(f.name);
        const json r = server.result(token, c.name(), c.args, c.server());
        ASSERT_TRUE(r.is_object()) << c.name();
        EXPECT_EQ(fieldNames(r), names) << c.name();
        // The base data has no trail of changes; GetHistorico's rows are the audit trail's tests.
        if (c.method != &protocol::apropriacao::getHistorico) {
            EXPECT_FALSE(r["rows"].empty()) << c.name() << " should answer a row here";
        }
    }
}

TEST_F(ReadMethods, atividades_fields_have_the_sizes_types_and_where_flags_the_screen_sends_back) {
    const json fields = server.result(token, "getAtividades", {kAna, "0001", date(kDay)})["fields"];
    auto field = [&](const std::string& name) {
        for (const json& f : fields)
            if (f["name"] == name) return f;
        return json();
    };
    EXPECT_EQ(field("HORAINI")["size"], 8);
    EXPECT_EQ(field("TXAPRATIVTAR")["size"], 4000);
    EXPECT_EQ(field("CHAVE")["size"], 27);
    EXPECT_EQ(field("CHAVE2")["size"], 35);
    EXPECT_EQ(field("ATIVIDADE")["size"], 121);
    EXPECT_EQ(field("DTHIAPATIVTA")["type"], "datetime");
    EXPECT_EQ(field("QTHRAPRO")["flags"], json({"where", "hidden"}));
    for (const char* where :
         {"HORAINI", "HORAFIN", "DATA", "CHAVE", "CHAVE2", "ATIVIDADE", "IDCHECK"})
        EXPECT_EQ(field(where)["flags"], json({"where"})) << where;
    for (const char* plain : {"NRTAREFA", "CDOPERADOR", "DTIAPATIVTAR", "TXAPRATIVTAR"})
        EXPECT_FALSE(field(plain).contains("flags")) << plain;
}

TEST_F(ReadMethods, getAtividades_answers_the_days_rows_of_the_branch_ordered_by_start) {
    const auto rows = rowsByName(server.result(token, "getAtividades", {kAna, "0001", date(kDay)}));
    ASSERT_EQ(rows.size(), 3u);  // the row at branch 0002 is not among them
    EXPECT_EQ(rows[0]["HORAINI"], "08:00:00");
    EXPECT_EQ(rows[0]["HORAFIN"], "09:00:00");
    EXPECT_EQ(rows[0]["QTHRAPRO"], "01:00:00");
    EXPECT_EQ(rows[0]["DATA"], "2026-12-07T00:00:00");
    EXPECT_EQ(rows[0]["DTIAPATIVTAR"], "2026-12-07T08:00:00");
    EXPECT_EQ(rows[0]["DTHFAPATIVTA"], "2026-12-07T09:05:00");
    EXPECT_EQ(rows[0]["ATIVIDADE"], "0000000001 - 00001 - Desenvolvimento");
    EXPECT_EQ(rows[0]["DSREFETAREFA"], "Faturamento");
    EXPECT_EQ(rows[0]["NMPROCESSO"], "Desenvolvimento");
    EXPECT_EQ(rows[0]["IDSITATIVTAR"], "P");
    EXPECT_EQ(rows[0]["CHAVE"], "000000000100001000000000101");
    EXPECT_EQ(rows[1]["HORAINI"], "09:00:00");
    EXPECT_EQ(rows[1]["QTHRAPRO"], "01:30:00");
    // The open row: no end, no duration, no end stamp.
    EXPECT_EQ(rows[2]["HORAINI"], "13:00:00");
    EXPECT_EQ(rows[2]["HORAFIN"], "");
    EXPECT_EQ(rows[2]["QTHRAPRO"], "");
    EXPECT_TRUE(rows[2]["DTHFAPATIVTA"].is_null());
    EXPECT_TRUE(rows[2]["DTFAPATIVTAR"].is_null());
    std::set<std::string> keys;
    for (const auto& r : rows) keys.insert(r["CHAVE2"].get<std::string>());
    EXPECT_EQ(keys.size(), 3u);
    for (const auto& k : keys) EXPECT_EQ(k.size(), 35u);
}

TEST_F(ReadMethods, getAtividades_flags_spans_outside_the_punched_presence) {
    const auto rows = rowsByName(server.result(token, "getAtividades", {kAna, "0001", date(kDay)}));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["IDCHECK"], "N");  // 08:00–09:00 inside 07:58–10:00
    EXPECT_EQ(rows[1]["IDCHECK"], "S");  // 09:00–10:30 crosses the 10:00–10:15 gap
    // Starts at 13:00, after an entry the day never closed: on a day before
    // the server's today, the missing exit is the clock's, not the row's.
    EXPECT_EQ(rows[2]["IDCHECK"], "N");
    // A day without punches is never flagged.
    const auto quiet =
        rowsByName(server.result(token, "getAtividades", {kAna, "0001", date("2026-11-30")}));
    ASSERT_EQ(quiet.size(), 1u);
    EXPECT_EQ(quiet[0]["IDCHECK"], "N");
}

TEST_F(ReadMethods, getAtividades_counts_todays_entry_without_exit_as_presence_up_to_now) {
    // Today (the server's clock: 10:00) Ana is in since 08:00, no exit yet.
    {
        auto lease = server.db().acquire();
        const platform::dataset::DateTime day = platform::dataset::DateTime::date(2026, 12, 8);
        insertPunch(lease.sql(),
                    PunchRecord{"01", kAna, day.addSeconds(8 * 3600), "1", "E1", day, "CAT"});
    }
    const json today = server.result(token, "getAtividades", {kAna, "0001", date("2026-12-08")});
    DeltaBuilder d(today);
    d.insert(newRow("2026-12-08", "08:30:00", "09:30:00"));
    d.insert(newRow("2026-12-08", "07:00:00", "07:45:00"));
    const Reply saved = server.call(token, "SetAtividades", nlohmann::json::array({d.arg()}));
    ASSERT_EQ(saved.status, 200) << saved.body.dump();
    const auto rows =
        rowsByName(server.result(token, "getAtividades", {kAna, "0001", date("2026-12-08")}));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["HORAINI"], "07:00:00");
    EXPECT_EQ(rows[0]["IDCHECK"], "S") << "before the entry";
    EXPECT_EQ(rows[1]["HORAINI"], "08:30:00");
    EXPECT_EQ(rows[1]["IDCHECK"], "N") << "inside the presence that runs on to now";
}

TEST_F(ReadMethods, empty_days_answer_empty_packets) {
    for (const char* method : {"getAtividades", "getTotApro"}) {
        const json r = server.result(token, method, {kAna, "0001", date("2026-12-01")});
        EXPECT_TRUE(r["rows"].empty()) << method;
        EXPECT_FALSE(r["fields"].empty()) << method;
    }
    EXPECT_TRUE(server.result(token, "getPonto", {kAna, date("2026-12-01")})["rows"].empty());
    EXPECT_TRUE(
        server.result(token, "GetTotPontoReal", {kAna, date("2026-11-30")})["rows"].empty());
    EXPECT_TRUE(server.result(token, "GetDatas", {kAna, "0001", "2024"})["rows"].empty());
}

TEST_F(ReadMethods, getTotApro_sums_the_closed_appropriations_of_the_day) {
    const json r = server.result(token, "getTotApro", {kAna, "0001", date(kDay)});
    EXPECT_EQ(r["rows"], json({{"02:30:00"}}));
}

TEST_F(ReadMethods, punches_come_in_time_order_and_the_measured_time_pairs_entries_with_exits) {
    const auto punches = rowsByName(server.result(token, "getPonto", {kAna, date(kDay)}));
    ASSERT_EQ(punches.size(), 5u);
    EXPECT_EQ(punches[0]["DTBATIDAPTO"], "2026-12-07T07:58:00");
    EXPECT_EQ(punches[0]["IDSENTBATIDA"], "1");
    EXPECT_EQ(punches[0]["IDEVENPONTO"], "E1");
    EXPECT_EQ(punches[0]["DTPONTO"], "2026-12-07T00:00:00");
    EXPECT_EQ(punches[0]["IDORIGPTO"], "CAT");
    EXPECT_EQ(punches[4]["DTBATIDAPTO"], "2026-12-07T13:00:00");
    // 07:58–10:00 and 10:15–12:00; the last entry has no exit yet.
    EXPECT_EQ(server.result(token, "GetTotPontoReal", {kAna, date(kDay)})["rows"],
              json({{"03:47:00"}}));
}

TEST_F(ReadMethods, GetDatas_answers_the_distinct_days_of_the_year_at_the_branch) {
    EXPECT_EQ(server.result(token, "GetDatas", {kAna, "0001", "2026"})["rows"],
              json({{"2026-11-30T00:00:00"}, {"2026-12-07T00:00:00"}}));
    EXPECT_EQ(server.result(token, "GetDatas", {kAna, "0001", "2025"})["rows"],
              json({{"2025-06-02T00:00:00"}}));
    EXPECT_EQ(server.call(token, "GetDatas", {kAna, "0001", "26"}).status, 400);
}

TEST_F(ReadMethods, task_search_and_validation) {
    const auto tasks = rowsByName(server.result(token, "GetPesqTarefa", {"0001"}));
    ASSERT_EQ(tasks.size(), 2u);
    EXPECT_EQ(tasks[0]["NRTAREFA"], "0000000001");
    EXPECT_EQ(tasks[0]["CDPROJETO"], "PRJ01");
    EXPECT_EQ(tasks[0]["NMPROCESSO"], "Processo de faturamento");
    const auto found = rowsByName(server.result(token, "getVdTarefa", {"0001", "0000000002"}));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]["DSREFETAREFA"], "Portal do cliente");
    EXPECT_TRUE(server.result(token, "getVdTarefa", {"0001", "0000000009"})["rows"]
                    .empty());  // another branch's task
    EXPECT_TRUE(server.result(token, "getVdTarefa", {"0001", ""})["rows"].empty());
}

TEST_F(ReadMethods, activity_search_lists_only_activities_open_to_the_user) {
    const auto acts = rowsByName(server.result(token, "GetPesqAtiv", {"0001", "0000000001", kAna}));
    ASSERT_EQ(acts.size(), 2u);  // 00002 is reserved to operator 102
    EXPECT_EQ(acts[0]["NRPLATIVTARE"], "00001");
    EXPECT_EQ(acts[0]["IDSITATIVTAR"], "P");
    EXPECT_EQ(acts[0]["CDARVITTRAB"], "IT00001");
    EXPECT_EQ(acts[1]["NRPLATIVTARE"], "00003");
}

TEST_F(ReadMethods, getVdAtiv_answers_only_for_an_activity_open_to_the_operator) {
    EXPECT_EQ(server.result(token, "getVdAtiv", {"0001", "0000000001", kAna, "00001"})["rows"],
              json::array({json::array({"000000000103", "Desenvolvimento"})}));
    EXPECT_TRUE(
        server.result(token, "getVdAtiv", {"0001", "0000000001", kAna, "00002"})["rows"].empty());
    EXPECT_EQ(
        server.result(token, "getVdAtiv", {"0001", "0000000001", "000000000102", "00002"})["rows"]
            .size(),
        1u);
    EXPECT_TRUE(
        server.result(token, "getVdAtiv", {"0001", "0000000001", kAna, "00009"})["rows"].empty());
    EXPECT_TRUE(
        server.result(token, "getVdAtiv", {"0001", "0000000002", kAna, "00003"})["rows"].empty());
}

TEST_F(ReadMethods, getApropria_answers_clashing_spans_and_touching_ends_do_not_clash) {
    auto starts = [&](const char* from, const char* to) {
        std::vector<std::string> out;
        for (const auto& r :
             rowsByName(server.result(token, "getApropria", {kAna, "0001", date(kDay), from, to})))
            out.push_back(r["HORAINI"]);
        return out;
    };
    EXPECT_EQ(starts("08:30:00", "09:30:00"), (std::vector<std::string>{"08:00:00", "09:00:00"}));
    EXPECT_EQ(starts("09:00:00", "09:30:00"), (std::vector<std::string>{"09:00:00"}));
    EXPECT_EQ(starts("07:00:00", "08:00:00"), std::vector<std::string>{});
    EXPECT_EQ(starts("10:30:00", "12:00:00"),
              std::vector<std::string>{});  // 0002's 11:00 row is another branch
    EXPECT_EQ(starts("12:00:00", "14:00:00"),
              (std::vector<std::string>{"13:00:00"}));  // the open row
    EXPECT_EQ(starts("13:30:00", "14:00:00"), std::vector<std::string>{});
    EXPECT_EQ(starts(" 8:30:00", "08:40:00"),
              (std::vector<std::string>{"08:00:00"}));  // the mask's leading blank
    const auto row = rowsByName(
        server.result(token, "getApropria", {kAna, "0001", date(kDay), "08:30:00", "08:40:00"}));
    ASSERT_EQ(row.size(), 1u);
    const auto day = rowsByName(server.result(token, "getAtividades", {kAna, "0001", date(kDay)}));
    EXPECT_EQ(row[0]["CHAVE2"], day[0]["CHAVE2"]);
    EXPECT_EQ(row[0]["HORAFIN"], "09:00:00");
    EXPECT_EQ(server.call(token, "getApropria", {kAna, "0001", date(kDay), "24:00:00", "25:00:00"})
                  .status,
              400);
}

TEST_F(ReadMethods, access_check_needs_the_screen_at_the_branch) {
    EXPECT_EQ(server.result(token, "GetCtrlAcesso", {"0001", kAna})["rows"], json({{kAna}}));
    const std::string bruno = server.login("000000000102");
    EXPECT_TRUE(server.result(bruno, "GetCtrlAcesso", {"0001", "000000000102"})["rows"].empty());
}

TEST_F(ReadMethods, GetOperEquip_lists_the_work_team_by_name_or_checks_one_code) {
    EXPECT_EQ(
        server.result(token, "GetOperEquip", {kAna, "", "T"})["rows"],
        json::array({json::array({kAna, "Ana Souza"}), json::array({"000000000102", "Bruno Lima"}),
                     json::array({"000000000103", "Carla Dias"})}));
    EXPECT_EQ(server.result(token, "GetOperEquip", {kAna, "000000000103", ""})["rows"],
              json::array({json::array({"000000000103", "Carla Dias"})}));
    EXPECT_TRUE(server.result(token, "GetOperEquip", {kAna, "000000000104", ""})["rows"].empty());
    EXPECT_TRUE(server.result(token, "GetOperEquip", {kAna, "999999999999", ""})["rows"].empty());
    // Carla shares a second team with Diego: her work team is larger.
    const std::string carla = server.login("000000000103");
    EXPECT_EQ(server.result(carla, "GetOperEquip", {"000000000103", "", "T"})["rows"].size(), 4u);
    EXPECT_EQ(server.call(token, "GetOperEquip", {kAna, "", "X"}).status, 400);
}

TEST_F(ReadMethods, server_time_is_the_servers_clock) {
    const json r = server.result(token, "getHoraServidor", json::array());
    const std::string now = r["rows"][0][0];
    EXPECT_GE(now, std::string(kNow));
    EXPECT_LT(now, "2026-12-08T10:05:00");
}

TEST_F(ReadMethods, GetUpdateAtiv_moves_a_pending_activity_to_started_only) {
    auto situations = [&] {
        std::vector<std::string> out;
        for (const auto& r :
             rowsByName(server.result(token, "GetPesqAtiv", {"0001", "0000000001", kAna})))
            out.push_back(r["IDSITATIVTAR"]);
        return out;
    };
    EXPECT_EQ(situations(), (std::vector<std::string>{"P", "C"}));
    EXPECT_TRUE(server.result(token, "GetUpdateAtiv", {"0001", "0000000001", "00001"}).is_null());
    EXPECT_TRUE(server.result(token, "GetUpdateAtiv", {"0001", "0000000001", "00003"}).is_null());
    EXPECT_EQ(situations(), (std::vector<std::string>{"A", "C"}));
    // A save that asks again (its first answer lost) changes nothing more.
    EXPECT_TRUE(server.result(token, "GetUpdateAtiv", {"0001", "0000000001", "00001"}).is_null());
    EXPECT_EQ(situations(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(server.call(token, "GetUpdateAtiv", {"0001", "0000000001", "00077"}).status, 422);
}

}  // namespace
}  // namespace appserver::testing

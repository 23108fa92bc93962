// SetAtividades: every rule checked again on the server, the optimistic
// check, all-or-nothing, and concurrent saves.
#include <gtest/gtest.h>

#include <thread>
#include <utility>

#include "appserver/stores/password_hasher.h"
#include "appserver/transfer/data_import.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

constexpr const char* kAna = "000000000101";
constexpr const char* kDay = "2026-12-07";

class SetAtividades : public ::testing::Test {
protected:
    TestServer server;
    std::string token = server.login(kAna);

    json day(const std::string& d = kDay, const std::string& t = {}) {
        return server.result(t.empty() ? token : t, "getAtividades", {kAna, "0001", date(d)});
    }
    Reply save(const DeltaBuilder& delta, const std::string& t = {}) {
        return server.call(t.empty() ? token : t, "SetAtividades", json::array({delta.arg()}));
    }
    Reply insert(const json& row) {
        DeltaBuilder d(day());
        d.insert(row);
        return save(d);
    }
    static std::string message(const Reply& r) { return r.body["error"].value("message", ""); }
};

TEST_F(SetAtividades, inserts_a_row_with_the_servers_keys_and_stamps) {
    json row = newRow(kDay, "10:30:00", "11:00:00");
    row["DTHIAPATIVTA"] = "2030-01-01T00:00:00";  // the client's stamps are not trusted
    const Reply r = insert(row);
    ASSERT_EQ(r.status, 200) << r.body.dump();
    EXPECT_TRUE(r.body["result"].is_null());
    const auto rows = rowsByName(day());
    ASSERT_EQ(rows.size(), 4u);
    const json& added = rows[2];
    EXPECT_EQ(added["HORAINI"], "10:30:00");
    EXPECT_EQ(added["QTHRAPRO"], "00:30:00");
    EXPECT_EQ(added["TXAPRATIVTAR"], "Nova apropriação");
    EXPECT_EQ(added["DSREFETAREFA"], "Faturamento");
    EXPECT_GE(added["DTHIAPATIVTA"].get<std::string>(), std::string(kNow));
    EXPECT_LT(added["DTHIAPATIVTA"].get<std::string>(), "2026-12-08T10:05:00");
    EXPECT_EQ(added["DTHFAPATIVTA"], added["DTHIAPATIVTA"]);
    EXPECT_EQ(added["CHAVE2"].get<std::string>().size(), 35u);
    EXPECT_EQ(server.result(token, "GetDatas", {kAna, "0001", "2026"})["rows"].size(), 2u);
}

TEST_F(SetAtividades, refuses_each_broken_rule_with_its_message_and_stores_nothing) {
    struct Case {
        const char* what;
        json row;
        std::string message;
    };
    auto with = [](json row, const char* key, json value) {
        row[key] = std::move(value);
        return row;
    };
    const json ok = newRow(kDay, "10:30:00", "11:00:00");
    const std::vector<Case> cases = {
        {"no task", with(ok, "NRTAREFA", ""), "Tarefa deve ser informada."},
        {"unknown task", with(ok, "NRTAREFA", "0000000077"), "Tarefa não cadastrada."},
        {"other branch's task", with(ok, "NRTAREFA", "0000000009"), "Tarefa não cadastrada."},
        {"no activity", with(ok, "NRPLATIVTARE", ""), "Atividade deve ser informada."},
        {"unknown activity", with(ok, "NRPLATIVTARE", "00077"), "Atividade não cadastrada."},
        // The screen's own words: its check finds no such activity for the operator.
        {"activity reserved to others", with(ok, "NRPLATIVTARE", "00002"),
         "Atividade não cadastrada."},
        {"blank start", with(ok, "HORAINI", "  :  :  "), "Hora início deve ser informada."},
        {"blank end", with(ok, "HORAFIN", ""), "Hora término deve ser informada."},
        {"impossible time", with(ok, "HORAFIN", "11:60:00"), "11:60:00 não é uma hora válida."},
        {"same times", newRow(kDay, "10:30:00", "10:30:00"),
         "Hora início não pode ser igual a hora término."},
        {"one time spelt two ways",
         with(newRow(kDay, "09:00:00", "09:00:00"), "HORAINI", " 9:00:00"),
         "Hora início não pode ser igual a hora término."},
        {"end before start", newRow(kDay, "11:00:00", "10:30:00"),
         "Hora início deve ser menor que hora término."},
        {"end after the server's now", newRow("2026-12-08", "09:00:00", "10:30:00"),
         "Hora final deve ser menor que a hora atual."},
        {"times that disagree with the date-times", with(ok, "DTIAPATIVTAR", "2026-12-07T10:00:00"),
         "As horas de início e término não conferem com as datas da apropriação."},
        {"over midnight",
         with(newRow("2026-12-06", "10:30:00", "11:00:00"), "DTFAPATIVTAR", "2026-12-07T11:00:00"),
         "A apropriação deve começar e terminar no mesmo dia."},
        {"no start date-time", with(ok, "DTIAPATIVTAR", nullptr),
         "A data e hora de início da apropriação devem ser informadas."},
        {"clash", newRow(kDay, "08:30:00", "09:30:00"),
         "O operador 000000000101 - Ana Souza tem a atividade 00001 referente à tarefa 0000000001 "
         "apropriada no "
         "horário de 08:00:00 às 09:00:00."},
        {"clash with the other branch's row", newRow(kDay, "11:10:00", "11:20:00"),
         "O operador 000000000101 - Ana Souza tem a atividade 00001 referente à tarefa 0000000009 "
         "apropriada no "
         "horário de 11:00:00 às 11:30:00."},
    };
    const json before = day();
    for (const Case& c : cases) {
        const Reply r = insert(c.row);
        EXPECT_EQ(r.status, 422) << c.what << ": " << r.body.dump();
        EXPECT_EQ(message(r), c.message) << c.what;
    }
    EXPECT_EQ(day(), before);
}

TEST_F(SetAtividades, updates_a_row_keeping_its_stamps_and_excluding_itself_from_the_clash_check) {
    const auto rows = rowsByName(day());
    json changed = rows[0];
    changed["HORAINI"] = "07:30:00";
    changed["HORAFIN"] = "08:30:00";
    changed["DTIAPATIVTAR"] = "2026-12-07T07:30:00";
    changed["DTFAPATIVTAR"] = "2026-12-07T08:30:00";
    changed["TXAPRATIVTAR"] = "Descrição corrigida";
    DeltaBuilder d(day());
    d.update(rows[0], changed);
    const Reply r = save(d);
    ASSERT_EQ(r.status, 200) << r.body.dump();
    const auto after = rowsByName(day());
    EXPECT_EQ(after[0]["HORAINI"], "07:30:00");
    EXPECT_EQ(after[0]["TXAPRATIVTAR"], "Descrição corrigida");
    EXPECT_EQ(after[0]["CHAVE2"], rows[0]["CHAVE2"]);
    EXPECT_EQ(after[0]["DTHIAPATIVTA"], rows[0]["DTHIAPATIVTA"]);
    EXPECT_EQ(after[0]["DTHFAPATIVTA"], rows[0]["DTHFAPATIVTA"]);

    // Moving it onto the next row clashes with that one, not with itself.
    json clashing = after[0];
    clashing["HORAFIN"] = "09:30:00";
    clashing["DTFAPATIVTAR"] = "2026-12-07T09:30:00";
    DeltaBuilder d2(day());
    d2.update(after[0], clashing);
    const Reply refused = save(d2);
    EXPECT_EQ(refused.status, 422);
    EXPECT_NE(message(refused).find("atividade 00003"), std::string::npos) << message(refused);
}

TEST_F(SetAtividades, an_open_row_cannot_be_changed_and_a_locked_one_cannot_be_deleted) {
    const auto rows = rowsByName(day());
    const json& open = rows[2];
    json changed = open;
    changed["HORAFIN"] = "14:00:00";
    changed["DTFAPATIVTAR"] = "2026-12-07T14:00:00";
    DeltaBuilder d(day());
    d.update(open, changed);
    Reply r = save(d);
    EXPECT_EQ(r.status, 422);
    EXPECT_EQ(message(r), "Apropriação sem término de apontamento não pode ser alterada.");

    DeltaBuilder del(day());
    del.remove(open);
    r = save(del);
    EXPECT_EQ(r.status, 422);
    EXPECT_EQ(message(r), "Apropriação em andamento não pode ser excluída.");
    EXPECT_EQ(rowsByName(day()).size(), 3u);
}

TEST_F(SetAtividades, an_open_row_of_an_activity_not_started_can_be_deleted) {
    json extra = {{"appropriations",
                   {{{"operator", kAna},
                     {"branch", "0001"},
                     {"task", "0000000001"},
                     {"activity", "00001"},
                     {"start", "2026-12-07T15:00:00"},
                     {"end", nullptr},
                     {"stampStart", "2026-12-07T15:00:00"},
                     {"stampEnd", nullptr}}}}};
    importData(server.db(), extra, PasswordHasher(HashCost::minimum()));
    const auto rows = rowsByName(day());
    ASSERT_EQ(rows.size(), 4u);
    DeltaBuilder d(day());
    d.remove(rows[3]);
    const Reply r = save(d);
    EXPECT_EQ(r.status, 200) << r.body.dump();
    EXPECT_EQ(rowsByName(day()).size(), 3u);
}

TEST_F(SetAtividades, deletes_a_row_and_its_day_loses_its_mark_with_the_last_one) {
    const json packet = day("2026-11-30");
    DeltaBuilder d(packet);
    d.remove(rowsByName(packet)[0]);
    ASSERT_EQ(save(d).status, 200);
    EXPECT_TRUE(day("2026-11-30")["rows"].empty());
    EXPECT_EQ(server.result(token, "GetDatas", {kAna, "0001", "2026"})["rows"],
              json({{"2026-12-07T00:00:00"}}));
}

TEST_F(SetAtividades, a_row_changed_by_another_session_since_it_was_loaded_is_refused) {
    const std::string carla = server.login("000000000103");  // same work team
    const json loadedByAna = day();
    const json loadedByCarla = day(kDay, carla);
    const auto anaRows = rowsByName(loadedByAna);
    const auto carlaRows = rowsByName(loadedByCarla);

    json anaChange = anaRows[0];
    anaChange["HORAFIN"] = "08:45:00";
    anaChange["DTFAPATIVTAR"] = "2026-12-07T08:45:00";
    DeltaBuilder first(loadedByAna);
    first.update(anaRows[0], anaChange);
    ASSERT_EQ(save(first).status, 200);

    json carlaChange = carlaRows[0];
    carlaChange["TXAPRATIVTAR"] = "Outra descrição";
    DeltaBuilder second(loadedByCarla);
    second.update(carlaRows[0], carlaChange);
    Reply r = save(second, carla);
    EXPECT_EQ(r.status, 409);
    EXPECT_EQ(message(r), "Registro alterado por outro usuário. Recarregue o dia.");

    DeltaBuilder del(loadedByCarla);
    del.remove(carlaRows[0]);
    r = save(del, carla);
    EXPECT_EQ(r.status, 409);
    EXPECT_EQ(rowsByName(day())[0]["HORAFIN"], "08:45:00");

    // A row deleted meanwhile is a conflict too.
    DeltaBuilder gone(loadedByAna);
    gone.remove(rowsByName(day())[0]);
    ASSERT_EQ(save(gone).status, 200);
    DeltaBuilder again(loadedByAna);
    again.remove(anaRows[0]);
    EXPECT_EQ(save(again).status, 409);
}

TEST_F(SetAtividades, a_packet_is_applied_all_or_nothing) {
    const json packet = day();
    const auto rows = rowsByName(packet);
    DeltaBuilder d(packet);
    d.remove(rows[0]);
    d.insert(newRow(kDay, "10:30:00", "11:00:00"));
    d.insert(newRow(kDay, "10:45:00", "10:50:00"));  // clashes with the insert before it
    const Reply r = save(d);
    EXPECT_EQ(r.status, 422);
    EXPECT_NE(message(r).find("10:30:00 às 11:00:00"), std::string::npos) << message(r);
    EXPECT_EQ(day(), packet);
}

TEST_F(SetAtividades, the_operator_and_branch_of_a_row_cannot_change) {
    const auto rows = rowsByName(day());
    json moved = rows[0];
    moved["CDOPERADOR"] = "000000000102";
    DeltaBuilder d(day());
    d.update(rows[0], moved);
    const Reply r = save(d);
    EXPECT_EQ(r.status, 422);
    EXPECT_EQ(message(r), "O operador e a filial de uma apropriação não podem ser alterados.");
}

TEST_F(SetAtividades, a_row_is_never_moved_to_another_day) {
    const json packet = day();
    const auto rows = rowsByName(packet);
    json moved = rows[0];
    moved["DTIAPATIVTAR"] = "2026-12-04T08:00:00";
    moved["DTFAPATIVTAR"] = "2026-12-04T09:00:00";
    DeltaBuilder d(packet);
    d.update(rows[0], moved);
    const Reply r = save(d);
    EXPECT_EQ(r.status, 422) << r.body.dump();
    EXPECT_EQ(message(r),
              "Uma apropriação não pode passar para outro dia: inclua-a no dia em que foi feita "
              "e exclua a deste.");
    EXPECT_EQ(day(), packet) << "nothing stored";
    EXPECT_TRUE(rowsByName(day("2026-12-04")).empty());
}

TEST_F(SetAtividades, a_packet_without_the_key_or_value_fields_is_a_bad_request) {
    json delta = DeltaBuilder(day()).arg();
    delta["delta"]["fields"] =
        json::array({{{"name", "HORAINI"}, {"type", "string"}, {"size", 8}}});
    delta["delta"]["changes"] = json::array({{{"op", "delete"}, {"old", {"08:00:00"}}}});
    Reply r = server.call(token, "SetAtividades", json::array({delta}));
    EXPECT_EQ(r.status, 400);
    EXPECT_NE(message(r).find("CHAVE2"), std::string::npos);
    r = server.call(token, "SetAtividades", json::array({"not a packet"}));
    EXPECT_EQ(r.status, 400);
}

TEST_F(SetAtividades, concurrent_saves_never_store_two_clashing_spans) {
    const json packet = day();
    constexpr int kClients = 6;
    std::vector<int> statuses(kClients);
    std::vector<std::thread> threads;
    threads.reserve(kClients);
    for (int i = 0; i < kClients; ++i) {
        threads.emplace_back([&, i] {
            httplib::Client c("127.0.0.1", server.port());
            DeltaBuilder d(packet);
            // Every span covers 11:40–11:45; each starts at another minute.
            const std::string start = "11:" + std::to_string(30 + i) + ":00";
            d.insert(newRow(kDay, start, "11:50:00"));
            const json body = {{"server", "Zep00700.rdmApropriacao"},
                               {"method", "SetAtividades"},
                               {"args", {d.arg()}}};
            auto res = c.Post("/v1/call", {{"Authorization", "Bearer " + token}}, body.dump(),
                              "application/json");
            statuses[static_cast<std::size_t>(i)] = res ? res->status : -1;
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 200), 1);
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 422), kClients - 1);
    EXPECT_EQ(rowsByName(day()).size(), 4u);
}

}  // namespace
}  // namespace appserver::testing

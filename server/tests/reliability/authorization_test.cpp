// Who may call what: every method against every kind of caller, change
// packets that try to slip past the conflict check, the login throttle, and
// access changed while sessions run.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <thread>

#include "appserver/api/session_store.h"
#include "contract_calls.h"
#include "protocol/apropriacao.h"
#include "protocol/resumo.h"
#include "reliability_support.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

constexpr const char* kAna = "000000000101";    // the caller: team EQ01, branches 0001 and 0002
constexpr const char* kBruno = "000000000102";  // EQ01, no permission for the screen
constexpr const char* kCarla = "000000000103";  // EQ01 and EQ02: Ana's team-mate
constexpr const char* kDiego = "000000000104";  // EQ02 only: another team
constexpr const char* kDay = "2026-12-07";

/// What a method answers Ana when the person its arguments name is a
/// team-mate or someone of another team, or when they name another branch.
struct Expected {
    int teamMate, otherTeam, otherBranch;
};

const std::map<const protocol::Method*, Expected>& expectations() {
    namespace api = protocol::apropriacao;
    namespace resumo = protocol::resumo;
    static const std::map<const protocol::Method*, Expected> table = {
        {&api::getCtrlAcesso, {403, 403, 403}},
        {&api::getHoraServidor, {200, 200, 200}},
        {&api::getOperEquip, {403, 403, 200}},
        {&api::getAtividades, {200, 403, 403}},
        {&api::getTotApro, {200, 403, 403}},
        {&api::getPonto, {200, 403, 200}},
        {&api::getTotPontoReal, {200, 403, 200}},
        {&api::getDatas, {200, 403, 403}},
        {&api::getPesqTarefa, {200, 200, 403}},
        {&api::getVdTarefa, {200, 200, 403}},
        {&api::getPesqAtiv, {403, 403, 403}},
        {&api::getVdAtiv, {200, 403, 403}},
        {&api::getApropria, {200, 403, 403}},
        {&api::setAtividades, {200, 403, 403}},
        {&api::getUpdateAtiv, {200, 200, 403}},
        {&api::getHistorico, {200, 403, 403}},
        {&api::getDiaAnterior, {200, 403, 403}},
        // The summary's: the same rules, with the summary's permissions.
        {&resumo::getCtrlAcesso, {403, 403, 403}},
        {&resumo::getCtrlFechamento, {403, 403, 403}},
        {&resumo::getHoraServidor, {200, 200, 200}},
        {&resumo::getEquipes, {403, 403, 403}},
        {&resumo::getOperEquip, {403, 403, 200}},
        {&resumo::getOperadoresResumo, {200, 403, 403}},
        {&resumo::getResumoPeriodo, {200, 403, 403}},
        {&resumo::setFechamento, {200, 403, 403}},
    };
    return table;
}

class Authorization : public ::testing::Test {
protected:
    TestServer server;
};

TEST_F(Authorization, every_method_against_every_kind_of_caller) {
    const std::string ana = server.login(kAna);
    const std::string bruno = server.login(kBruno);
    const std::string loggedOut = server.login(kAna);
    ASSERT_EQ(server.post("/v1/logout", "", loggedOut).status, 200);
    // The same methods in the same order, their arguments naming each kind of person and branch.
    const std::vector<ContractCall> own = everyMethodCall(kAna, "0001");
    const std::vector<ContractCall> otherTeam = everyMethodCall(kDiego, "0001");
    const std::vector<ContractCall> otherBranch = everyMethodCall(kAna, "0002");
    const std::vector<ContractCall> teamMate = everyMethodCall(kCarla, "0001");
    const std::vector<ContractCall> brunos = everyMethodCall(kBruno, "0001");
    const auto status = [&](const std::string& token, const ContractCall& c) {
        return server.call(token, c.name(), c.args, c.server()).status;
    };

    for (std::size_t i = 0; i < own.size(); ++i) {
        const protocol::Method* method = own[i].method;
        SCOPED_TRACE(own[i].name());
        const auto expected = expectations().find(method);
        ASSERT_NE(expected, expectations().end()) << "what it answers each caller is not stated";
        EXPECT_EQ(status("", own[i]), 401) << "no token";
        EXPECT_EQ(status(loggedOut, own[i]), 401) << "logged out";
        EXPECT_EQ(status(ana, otherTeam[i]), expected->second.otherTeam) << "other team";
        EXPECT_EQ(status(ana, otherBranch[i]), expected->second.otherBranch) << "other branch";
        EXPECT_EQ(status(ana, teamMate[i]), expected->second.teamMate) << "team-mate";
        EXPECT_EQ(status(ana, own[i]), 200) << "own";
        const bool open = method == &protocol::apropriacao::getCtrlAcesso ||
                          method == &protocol::apropriacao::getHoraServidor ||
                          method == &protocol::resumo::getCtrlAcesso ||
                          method == &protocol::resumo::getHoraServidor;
        EXPECT_EQ(status(bruno, brunos[i]), open ? 200 : 403) << "no permission for the screen";
    }
    // Without the permission the access check answers, with no row.
    EXPECT_TRUE(server.result(bruno, "GetCtrlAcesso", {"0001", kBruno})["rows"].empty());
    EXPECT_EQ(
        server.call(bruno, "getAtividades", {kBruno, "0001", date(kDay)}).body["error"]["message"],
        "Operado não possui permissão de acesso à tela.");

    // Expired last: aging ends every session of the store.
    server.server().sessions().ageAll(std::chrono::hours(8) + std::chrono::seconds(1));
    for (const ContractCall& c : own) EXPECT_EQ(status(ana, c), 401) << c.name();
}

TEST_F(Authorization, an_activity_is_started_only_by_someone_it_is_open_to) {
    const std::string ana = server.login(kAna);
    // Activity 00002 of task 1 is reserved to Bruno; Carla's rows on it would become undeletable.
    const Reply r = server.call(ana, "GetUpdateAtiv", {"0001", "0000000001", "00002"});
    EXPECT_EQ(r.status, 403);
    EXPECT_EQ(r.body["error"]["message"], "Atividade não cadastrada.");
    EXPECT_EQ(server.call(ana, "GetUpdateAtiv", {"0001", "0000000001", "00099"}).status, 422);
}

TEST_F(Authorization, a_session_in_use_ends_at_its_maximum_age) {
    const std::string ana = server.login(kAna);
    server.server().sessions().ageAll(std::chrono::hours(7));
    ASSERT_EQ(server.call(ana, "getHoraServidor", json::array()).status, 200);
    server.server().sessions().ageAll(std::chrono::hours(5) +
                                      std::chrono::seconds(1));  // 5 h idle, 12 h old
    EXPECT_EQ(server.call(ana, "getHoraServidor", json::array()).status, 401);
}

TEST_F(Authorization, a_save_reads_the_team_and_the_permission_inside_its_transaction) {
    const std::string ana = server.login(kAna);
    const json fields = server.result(ana, "getAtividades", {kAna, "0001", date(kDay)})["fields"];
    const auto saveFor = [&](const std::string& op, const std::string& start,
                             const std::string& end) {
        DeltaBuilder d(json{{"fields", fields}});
        d.insert(newRow("2026-12-04", start, end, "0000000001", "00001", op));
        return server.call(ana, "SetAtividades", json::array({d.arg()})).status;
    };
    ASSERT_EQ(saveFor(kCarla, "08:00:00", "09:00:00"), 200);  // Carla's team is now in the cache
    server.db().acquire().sql()
        << "DELETE FROM team_members WHERE team = 'EQ01' AND operator = '000000000103'";
    EXPECT_EQ(saveFor(kCarla, "09:00:00", "10:00:00"), 403);

    ASSERT_EQ(saveFor(kAna, "08:00:00", "09:00:00"), 200);
    server.db().acquire().sql() << "DELETE FROM operator_screens WHERE operator = '000000000101'";
    EXPECT_EQ(saveFor(kAna, "09:00:00", "10:00:00"), 403);
    EXPECT_EQ(server.call(ana, "GetUpdateAtiv", {"0001", "0000000001", "00001"}).status, 403);
}

class ChangePackets : public ::testing::Test {
protected:
    TestServer server;
    std::string ana = server.login(kAna);
    std::string carla = server.login(kCarla);

    json day(const std::string& token) {
        return server.result(token, "getAtividades", {kAna, "0001", date(kDay)});
    }
    Reply save(const std::string& token, const json& delta) {
        return server.call(token, "SetAtividades", json::array({delta}));
    }
    /// Ana moves the end of the day's first row: what Carla loaded before is stale.
    void anaChangesTheFirstRow() {
        const json packet = day(ana);
        json row = rowsByName(packet)[0];
        json changed = row;
        changed["HORAFIN"] = "08:45:00";
        changed["DTFAPATIVTAR"] = "2026-12-07T08:45:00";
        DeltaBuilder d(packet);
        d.update(row, changed);
        ASSERT_EQ(save(ana, d.arg()).status, 200);
    }
};

TEST_F(ChangePackets, a_stale_update_is_refused_whatever_flags_the_packet_carries) {
    const json loaded = day(carla);
    anaChangesTheFirstRow();
    json row = rowsByName(loaded)[0];
    json changed = row;
    changed["TXAPRATIVTAR"] = "Sobrescreve a mudança da Ana";
    DeltaBuilder d(loaded);
    d.update(row, changed);
    json delta = d.arg();
    for (json& f : delta["delta"]["fields"]) f.erase("flags");
    const Reply r = save(carla, delta);
    EXPECT_EQ(r.status, 409) << r.body.dump();
    EXPECT_EQ(rowsByName(day(ana))[0]["HORAFIN"], "08:45:00");

    DeltaBuilder del(loaded);
    del.remove(row);
    json deleteDelta = del.arg();
    for (json& f : deleteDelta["delta"]["fields"]) f["flags"] = json::array({"hidden"});
    EXPECT_EQ(save(carla, deleteDelta).status, 409);
    EXPECT_EQ(rowsByName(day(ana)).size(), 3u);
}

TEST_F(ChangePackets, a_packet_without_the_old_value_of_a_compared_field_is_a_bad_request) {
    const json loaded = day(carla);
    const json row = rowsByName(loaded)[0];
    for (const char* missing : {"HORAINI", "DATA", "CHAVE", "QTHRAPRO", "ATIVIDADE", "IDCHECK"}) {
        json packet = loaded;
        json& fields = packet["fields"];
        const auto at = std::find_if(fields.begin(), fields.end(),
                                     [&](const json& f) { return f["name"] == missing; });
        ASSERT_NE(at, fields.end()) << missing;
        fields.erase(at);
        json old = row;
        old.erase(missing);
        DeltaBuilder d(packet);
        d.remove(old);
        const Reply r = save(carla, d.arg());
        EXPECT_EQ(r.status, 400) << missing << ": " << r.body.dump();
        EXPECT_NE(r.body["error"].value("message", "").find(missing), std::string::npos)
            << r.body.dump();
    }
    EXPECT_EQ(rowsByName(day(ana)).size(), 3u);
}

TEST_F(ChangePackets, altered_field_definitions_do_not_pass_the_comparison) {
    const json loaded = day(carla);
    anaChangesTheFirstRow();
    const json row = rowsByName(loaded)[0];

    // The day's date-time declared a text, holding what the day's answer holds.
    json packet = loaded;
    for (json& f : packet["fields"])
        if (f["name"] == "DATA") f = {{"name", "DATA"}, {"type", "string"}, {"size", 19}};
    DeltaBuilder retyped(packet);
    retyped.remove(row);
    EXPECT_EQ(save(carla, retyped.arg()).status, 400);

    // A compared field renamed, so that its old value is no longer there.
    packet = loaded;
    for (json& f : packet["fields"])
        if (f["name"] == "HORAFIN") f["name"] = "HORAFIM";
    json renamedRow = row;
    renamedRow["HORAFIM"] = renamedRow["HORAFIN"];
    DeltaBuilder renamed(packet);
    renamed.remove(renamedRow);
    EXPECT_EQ(save(carla, renamed.arg()).status, 400);
    EXPECT_EQ(rowsByName(day(ana)).size(), 3u);
}

class LoginThrottling : public ::testing::Test {
protected:
    TestServer server;

    Reply login(const std::string& user, const std::string& password) {
        return server.post("/v1/login",
                           json{{"user", user}, {"password", password}, {"branch", "0001"}}.dump());
    }
};

TEST_F(LoginThrottling, racing_wrong_passwords_get_exactly_the_cap_checked) {
    constexpr int kClients = 30;
    std::vector<int> statuses(kClients);
    std::vector<std::thread> threads;
    threads.reserve(kClients);
    for (int i = 0; i < kClients; ++i)
        threads.emplace_back([&, i] {
            httplib::Client c("127.0.0.1", server.port());
            const json body = {{"user", kCarla}, {"password", "errada"}, {"branch", "0001"}};
            auto res = c.Post("/v1/login", body.dump(), "application/json");
            statuses[static_cast<std::size_t>(i)] = res ? res->status : -1;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 401), 5);
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 429), kClients - 5);
    EXPECT_EQ(login(kCarla, "senha103").status, 429);
}

TEST_F(LoginThrottling, a_valid_login_does_not_lift_the_cap_of_its_address) {
    // 19 failures from this address, spread so that no user reaches its own cap.
    for (int i = 0; i < 19; ++i)
        ASSERT_EQ(login(fmt::format("00000000099{}", i / 4), "errada").status, 401) << i;
    ASSERT_EQ(login(kAna, "senha101").status, 200);
    EXPECT_EQ(login("000000000999", "errada").status, 401);  // the 20th failure
    EXPECT_EQ(login(kAna, "senha101").status, 429);
}

TEST_F(LoginThrottling, a_success_starts_only_that_users_count_over) {
    for (int i = 0; i < 4; ++i) ASSERT_EQ(login(kCarla, "errada").status, 401);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(login(kDiego, "errada").status, 401);
    ASSERT_EQ(login(kCarla, "senha103").status, 200);
    EXPECT_EQ(login(kCarla, "errada").status, 401);
    EXPECT_EQ(login(kDiego, "errada").status, 401);  // Diego's fifth
    EXPECT_EQ(login(kDiego, "senha104").status, 429);
    EXPECT_EQ(login(kCarla, "senha103").status, 200);
}

TEST_F(LoginThrottling, any_text_that_finds_an_operator_counts_against_that_operator) {
    // On PostgreSQL a NUL ends the text that the database compares.
    const std::string suffixed = std::string(kCarla) + std::string(1, '\0') + "z";
    const bool findsCarla = login(suffixed, "senha103").status == 200;
    for (int i = 0; i < 5; ++i) {
        const int status = login(suffixed, "errada").status;
        EXPECT_NE(status, 200);
    }
    EXPECT_EQ(login(kCarla, "senha103").status, findsCarla ? 429 : 200)
        << "found by the suffixed code: " << findsCarla;
}

}  // namespace
}  // namespace appserver::testing

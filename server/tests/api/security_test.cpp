// Sessions and the security rules: tokens, the session's user and branch,
// and the user's work team.
#include <gtest/gtest.h>

#include "appserver/api/session_store.h"
#include "contract_calls.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

constexpr const char* kAna = "000000000101";
constexpr const char* kDiego = "000000000104";  // outside Ana's work team
constexpr const char* kCarla = "000000000103";  // shares a team with Ana and one with Diego
constexpr const char* kDay = "2026-12-07";

/// The calls of every method that takes an argument the contract calls `name`.
std::vector<ContractCall> callsTaking(std::string_view name, const std::string& person,
                                      const std::string& branch) {
    std::vector<ContractCall> calls;
    for (ContractCall& c : everyMethodCall(person, branch))
        if (takesArgument(*c.method, name)) calls.push_back(std::move(c));
    return calls;
}

class Security : public ::testing::Test {
protected:
    TestServer server;
};

TEST_F(Security, every_method_needs_a_live_token) {
    const std::string token = server.login(kAna);
    const std::string other = server.login(kAna);
    ASSERT_EQ(server.post("/v1/logout", "", other).status, 200);
    for (const ContractCall& c : everyMethodCall()) {
        EXPECT_EQ(server.call(token, c.name(), c.args, c.server()).status, 200) << c.name();
        EXPECT_EQ(server.call("", c.name(), c.args, c.server()).status, 401) << c.name();
        EXPECT_EQ(server.call(std::string(64, 'a'), c.name(), c.args, c.server()).status, 401)
            << c.name();
        EXPECT_EQ(server.call(other, c.name(), c.args, c.server()).status, 401)
            << c.name() << " after logout";
    }
    const Reply r = server.call("", "getHoraServidor", json::array());
    EXPECT_EQ(r.body["error"]["code"], "unauthenticated");
    EXPECT_EQ(r.body["error"]["message"], "Sessão inválida ou expirada. Entre novamente.");
}

TEST_F(Security, a_session_expires_after_its_idle_time) {
    const std::string token = server.login(kAna);
    server.server().sessions().ageAll(std::chrono::hours(7));
    EXPECT_EQ(server.call(token, "getHoraServidor", json::array()).status,
              200);  // use refreshes it
    server.server().sessions().ageAll(std::chrono::hours(8) + std::chrono::seconds(1));
    for (const ContractCall& c : everyMethodCall())
        EXPECT_EQ(server.call(token, c.name(), c.args, c.server()).status, 401) << c.name();
}

TEST_F(Security, arguments_naming_the_user_must_be_the_sessions_user) {
    const std::string token = server.login(kAna);
    const std::vector<ContractCall> calls = callsTaking("usuário", kCarla, "0001");
    ASSERT_FALSE(calls.empty());
    for (const ContractCall& c : calls) {
        const Reply r = server.call(token, c.name(), c.args, c.server());
        EXPECT_EQ(r.status, 403) << c.name();
        EXPECT_EQ(r.body["error"]["code"], "forbidden");
    }
}

TEST_F(Security, branch_arguments_must_be_the_sessions_branch) {
    const std::string token = server.login(kAna);  // at 0001; Ana also works at 0002
    const std::vector<ContractCall> calls = callsTaking("filial", kAna, "0002");
    ASSERT_FALSE(calls.empty());
    for (const ContractCall& c : calls)
        EXPECT_EQ(server.call(token, c.name(), c.args, c.server()).status, 403) << c.name();
    // Logged in at 0002 the same calls are allowed.
    const std::string south = server.login(kAna, "0002");
    for (const ContractCall& c : calls)
        EXPECT_EQ(server.call(south, c.name(), c.args, c.server()).status, 200) << c.name();
}

TEST_F(Security, operator_arguments_must_be_in_the_users_work_team) {
    const std::string token = server.login(kAna);
    const std::vector<ContractCall> calls = callsTaking("operador", kDiego, "0001");
    ASSERT_FALSE(calls.empty());
    for (const ContractCall& c : calls) {
        const Reply r = server.call(token, c.name(), c.args, c.server());
        EXPECT_EQ(r.status, 403) << c.name();
        EXPECT_EQ(r.body["error"]["message"],
                  "Operador não cadastrado para equipe de trabalho do usuário.");
    }
    // Carla shares a team with Diego, so she may read his day.
    const std::string carla = server.login(kCarla);
    for (const ContractCall& c : calls)
        EXPECT_EQ(server.call(carla, c.name(), c.args, c.server()).status, 200) << c.name();
}

TEST_F(Security, change_packets_may_only_touch_rows_of_the_work_team) {
    const std::string ana = server.login(kAna);
    const json anaDay = server.result(ana, "getAtividades", {kAna, "0001", date(kDay)});
    DeltaBuilder insertForDiego(anaDay);
    insertForDiego.insert(
        newRow("2026-12-04", "08:00:00", "09:00:00", "0000000001", "00001", kDiego));
    EXPECT_EQ(server.call(ana, "SetAtividades", json::array({insertForDiego.arg()})).status, 403);

    // Diego's row, loaded by Carla, relabelled as Ana's: the stored row decides.
    const std::string carla = server.login(kCarla);
    const json diegoDay = server.result(carla, "getAtividades", {kDiego, "0001", date(kDay)});
    json diegoRow = rowsByName(diegoDay)[0];
    diegoRow["CDOPERADOR"] = kAna;
    DeltaBuilder deleteDiegos(diegoDay);
    deleteDiegos.remove(diegoRow);
    EXPECT_EQ(server.call(ana, "SetAtividades", json::array({deleteDiegos.arg()})).status, 403);
    EXPECT_EQ(server.result(carla, "getAtividades", {kDiego, "0001", date(kDay)})["rows"].size(),
              1u);

    // A row for another branch than the session's.
    json southRow = newRow("2026-12-04", "08:00:00", "09:00:00", "0000000009", "00001");
    southRow["CDFILIAL"] = "0002";
    DeltaBuilder south(anaDay);
    south.insert(southRow);
    EXPECT_EQ(server.call(ana, "SetAtividades", json::array({south.arg()})).status, 403);
}

TEST_F(Security, login_refuses_wrong_user_password_or_branch_alike) {
    auto login = [&](const char* user, const char* password, const char* branch) {
        return server.post("/v1/login",
                           json{{"user", user}, {"password", password}, {"branch", branch}}.dump());
    };
    const Reply good = login(kAna, "senha101", "0001");
    ASSERT_EQ(good.status, 200);
    EXPECT_EQ(good.body["user"], kAna);
    EXPECT_EQ(good.body["name"], "Ana Souza");
    EXPECT_EQ(good.body["branch"], "0001");
    EXPECT_EQ(good.body["token"].get<std::string>().size(), 64u);
    EXPECT_NE(good.body["token"], server.login(kAna));

    for (const Reply& r : {login(kAna, "errada", "0001"), login("000000000999", "senha999", "0001"),
                           login("000000000102", "senha102", "0002")}) {
        EXPECT_EQ(r.status, 401);
        EXPECT_EQ(r.body["error"]["message"], "Usuário, senha ou filial inválidos.");
    }
}

TEST_F(Security, repeated_login_failures_lock_the_user_for_a_while) {
    auto login = [&](const char* password) {
        return server.post(
            "/v1/login",
            json{{"user", "000000000103"}, {"password", password}, {"branch", "0001"}}.dump());
    };
    for (int i = 0; i < 5; ++i) EXPECT_EQ(login("errada").status, 401);
    const Reply locked = login("senha103");
    EXPECT_EQ(locked.status, 429);
    EXPECT_EQ(locked.body["error"]["code"], "too_many_requests");
    // Other users are not locked out by it.
    EXPECT_FALSE(server.login(kAna).empty());
}

}  // namespace
}  // namespace appserver::testing

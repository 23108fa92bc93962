// The administrator's policy, audit and close-month commands, run as the
// appserver program on the database a running server uses.
#include <gtest/gtest.h>

#include "shell_run.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

class AdminCommands : public ::testing::Test {
protected:
    TestServer server;

    /// Runs the command on the server's database. Its log (standard error)
    /// is read only with `withLog`: closing a database the server still uses warns there.
    ShellRun appserver(const std::string& command, const std::string& args, bool withLog = false) {
        return runShell(std::string(APPSERVER_EXECUTABLE) + " " + command + " --db '" +
                        server.url() + "' " + args + (withLog ? " 2>&1" : " 2>/dev/null"));
    }
    /// The line of the output that starts with `start` (empty when none).
    static std::string lineOf(const ShellRun& r, const std::string& start) {
        for (std::size_t at = 0; at < r.output.size();) {
            const std::size_t end = r.output.find('\n', at);
            std::string line = r.output.substr(at, end - at);
            if (line.rfind(start, 0) == 0) return line;
            if (end == std::string::npos) break;
            at = end + 1;
        }
        return {};
    }
};

TEST_F(AdminCommands, policy_sets_keeps_what_is_not_given_and_lists) {
    ShellRun r = appserver("policy", "--list");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "Nenhuma filial tem políticas de apropriação.\n");

    r = appserver("policy", "--branch 0001 --from 2026-12-01 --to 2026-12-07 --own-only on");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(lineOf(r, "Filial"), "Filial  Período                  Só o próprio  Exige ponto");
    EXPECT_EQ(lineOf(r, "0001"), "0001    01/12/2026 a 07/12/2026  sim           não");

    r = appserver("policy", "--branch 0001 --require-punches on");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(lineOf(r, "0001"), "0001    01/12/2026 a 07/12/2026  sim           sim");

    ASSERT_EQ(appserver("policy", "--branch 0002 --no-period").status, 0);
    ASSERT_EQ(appserver("policy", "--branch 0001 --no-period --own-only off").status, 0);
    r = appserver("policy", "--list");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(lineOf(r, "0001"), "0001    livre    não           sim");
    EXPECT_EQ(lineOf(r, "0002"), "0002    livre    não           não");
}

TEST_F(AdminCommands, policy_refuses_what_it_cannot_set_and_changes_nothing) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"--branch 9999 --own-only on", "\"9999\" não está cadastrada"},
        {"--branch 0001 --from 2026-12-01", "--to"},
        {"--branch 0001 --from 2026-12-07 --to 2026-12-01", "termina (01/12/2026) antes"},
        {"--branch 0001 --from 2026-13-01 --to 2026-12-01", "não é um dia"},
        {"--branch 0001 --own-only sim", "--own-only"},
        {"--list --branch 0001", "--branch"},
        {"--own-only on", "--branch"},
        {"", "--list"},
    };
    for (const auto& [args, says] : cases) {
        const ShellRun r = appserver("policy", args, true);
        EXPECT_NE(r.status, 0) << args;
        EXPECT_NE(r.output.find(says), std::string::npos) << args << ": " << r.output;
    }
    EXPECT_EQ(appserver("policy", "--list").output,
              "Nenhuma filial tem políticas de apropriação.\n");
}

TEST_F(AdminCommands, a_policy_set_by_the_command_reaches_the_running_servers_next_save) {
    ASSERT_EQ(appserver("policy", "--branch 0001 --own-only on").status, 0);
    const std::string carla = server.login("000000000103");
    DeltaBuilder d(
        server.result(carla, "getAtividades", {"000000000101", "0001", date("2026-12-07")}));
    d.insert(newRow("2026-12-07", "10:30:00", "11:00:00"));
    const Reply r = server.call(carla, "SetAtividades", json::array({d.arg()}));
    EXPECT_EQ(r.status, 422);
    EXPECT_EQ(r.body["error"].value("message", ""),
              "Inclusão bloqueada. A apropriação deve ser feita somente pelo próprio funcionário.");
}

TEST_F(AdminCommands, audit_prints_the_trail_filtered_by_operator_and_days) {
    ShellRun r = appserver("audit", "");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "Nenhuma alteração registrada.\n");

    const std::string ana = server.login("000000000101");
    DeltaBuilder d(
        server.result(ana, "getAtividades", {"000000000101", "0001", date("2026-12-07")}));
    d.insert(newRow("2026-12-07", "10:30:00", "11:00:00"));
    ASSERT_EQ(server.call(ana, "SetAtividades", json::array({d.arg()})).status, 200);
    ASSERT_EQ(server.call(ana, "GetUpdateAtiv", {"0001", "0000000001", "00001"}).status, 200);

    r = appserver("audit", "--operator 000000000101");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string header = lineOf(r, "Quando");
    EXPECT_NE(header.find("Usuário"), std::string::npos) << r.output;
    EXPECT_NE(header.find("Depois"), std::string::npos) << r.output;
    // Newest first: the activity started today, then the row of the day before.
    const std::size_t started = r.output.find("0000000001 - 00001");
    const std::size_t inserted = r.output.find("\"start\":\"2026-12-07T10:30:00\"");
    ASSERT_NE(started, std::string::npos) << r.output;
    ASSERT_NE(inserted, std::string::npos) << r.output;
    EXPECT_LT(started, inserted);
    EXPECT_NE(r.output.find("127.0.0.1  insert  000000000101  0001    07/12/2026"),
              std::string::npos)
        << r.output;

    r = appserver("audit", "--from 2026-12-08");
    EXPECT_EQ(r.output.find("insert"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("0000000001 - 00001"), std::string::npos) << r.output;
    r = appserver("audit", "--to 2026-12-07");
    EXPECT_NE(r.output.find("insert"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("0000000001 - 00001"), std::string::npos) << r.output;
    EXPECT_EQ(appserver("audit", "--operator 000000000104").output,
              "Nenhuma alteração registrada.\n");
    EXPECT_NE(appserver("audit", "--from 07/12/2026").status, 0);
}

TEST_F(AdminCommands, close_month_closes_and_reopens_for_the_running_server_and_the_trail_says_so) {
    const std::string ana = server.login("000000000101");
    const auto insertOn = [&](const std::string& day) {
        DeltaBuilder d(server.result(ana, "getAtividades", {"000000000101", "0001", date(day)}));
        d.insert(newRow(day, "15:00:00", "15:30:00"));
        return server.call(ana, "SetAtividades", json::array({d.arg()}));
    };
    const std::string args = "--branch 0001 --operator 000000000101 --month 2026-12";
    ShellRun r = appserver("close-month", args);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "Mês 2026-12 do operador 000000000101 na filial 0001 fechado.\n");
    EXPECT_EQ(appserver("close-month", args).output,
              "Mês 2026-12 do operador 000000000101 na filial 0001 já estava fechado.\n");
    const Reply refused = insertOn("2026-12-07");
    EXPECT_EQ(refused.status, 422);
    EXPECT_EQ(refused.body["error"].value("message", ""), "Mês fechado para apropriação.");
    EXPECT_EQ(insertOn("2026-11-30").status, 200);
    // The summary sees it closed.
    const json summary = server.result(
        ana, "GetResumoPeriodo",
        {"0001", "", "000000000101", date("2026-12-01"), date("2026-12-31")}, kResumoServer);
    EXPECT_EQ(rowsByName(summary).at(0)["IDFECHADO"], "S");

    r = appserver("close-month", args + " --reopen");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "Mês 2026-12 do operador 000000000101 na filial 0001 reaberto.\n");
    EXPECT_EQ(insertOn("2026-12-07").status, 200);

    r = appserver("audit", "--operator 000000000101 --from 2026-12-01 --to 2026-12-01");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::size_t reopened = r.output.find("reopen  000000000101  0001    01/12/2026  2026-12");
    const std::size_t closed = r.output.find("close   000000000101  0001    01/12/2026  2026-12");
    ASSERT_NE(reopened, std::string::npos) << r.output;
    ASSERT_NE(closed, std::string::npos) << r.output;
    EXPECT_LT(reopened, closed);  // newest first
    EXPECT_NE(r.output.find("linha de comando"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("{\"month\":\"2026-12\",\"closed\":false}"), std::string::npos)
        << r.output;
}

TEST_F(AdminCommands, close_month_refuses_what_does_not_exist_and_closes_nothing) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"--branch 0001 --operator 000000000101 --month 2026-13", "\"2026-13\" não é um mês"},
        {"--branch 0001 --operator 000000000101 --month abc", "\"abc\" não é um mês"},
        {"--branch 9999 --operator 000000000101 --month 2026-12", "\"9999\" não está cadastrada"},
        {"--branch 0001 --operator 000000000999 --month 2026-12", "\"000000000999\" não está"},
        {"--branch 0002 --operator 000000000102 --month 2026-12",
         "não trabalha na filial \"0002\""},
        {"--branch 0001 --operator 000000000101", "--month"},
    };
    for (const auto& [args, says] : cases) {
        const ShellRun r = appserver("close-month", args, true);
        EXPECT_NE(r.status, 0) << args;
        EXPECT_NE(r.output.find(says), std::string::npos) << args << ": " << r.output;
    }
    EXPECT_EQ(rowCount(server.db(), "month_closings"), 0);
}

}  // namespace
}  // namespace appserver::testing

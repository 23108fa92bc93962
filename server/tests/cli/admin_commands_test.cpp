// The administrator's policy and audit commands, run as the appserver program
// on the database a running server uses.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>

#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

struct CommandRun {
    int status = -1;
    std::string out;  ///< standard output, and standard error when asked for
};

class AdminCommands : public ::testing::Test {
protected:
    TestServer server;

    /// Runs the command on the server's database. Its log (standard error)
    /// is read only with `withLog`: closing a database the server still uses warns there.
    CommandRun appserver(const std::string& command, const std::string& args,
                         bool withLog = false) {
        const std::string line = std::string(APPSERVER_EXECUTABLE) + " " + command + " --db '" +
                                 server.url() + "' " + args + (withLog ? " 2>&1" : " 2>/dev/null");
        CommandRun r;
        FILE* pipe = ::popen(line.c_str(), "r");
        if (!pipe) {
            ADD_FAILURE() << "cannot run " << line;
            return r;
        }
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            r.out.append(buffer, n);
        const int status = ::pclose(pipe);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }
    /// The line of the output that starts with `start` (empty when none).
    static std::string lineOf(const CommandRun& r, const std::string& start) {
        for (std::size_t at = 0; at < r.out.size();) {
            const std::size_t end = r.out.find('\n', at);
            const std::string line = r.out.substr(at, end - at);
            if (line.rfind(start, 0) == 0) return line;
            if (end == std::string::npos) break;
            at = end + 1;
        }
        return {};
    }
};

TEST_F(AdminCommands, policy_sets_keeps_what_is_not_given_and_lists) {
    CommandRun r = appserver("policy", "--list");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "Nenhuma filial tem políticas de apropriação.\n");

    r = appserver("policy", "--branch 0001 --from 2026-12-01 --to 2026-12-07 --own-only on");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(lineOf(r, "Filial"), "Filial  Período                  Só o próprio  Exige ponto");
    EXPECT_EQ(lineOf(r, "0001"), "0001    01/12/2026 a 07/12/2026  sim           não");

    r = appserver("policy", "--branch 0001 --require-punches on");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(lineOf(r, "0001"), "0001    01/12/2026 a 07/12/2026  sim           sim");

    ASSERT_EQ(appserver("policy", "--branch 0002 --no-period").status, 0);
    ASSERT_EQ(appserver("policy", "--branch 0001 --no-period --own-only off").status, 0);
    r = appserver("policy", "--list");
    ASSERT_EQ(r.status, 0) << r.out;
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
        const CommandRun r = appserver("policy", args, true);
        EXPECT_NE(r.status, 0) << args;
        EXPECT_NE(r.out.find(says), std::string::npos) << args << ": " << r.out;
    }
    EXPECT_EQ(appserver("policy", "--list").out, "Nenhuma filial tem políticas de apropriação.\n");
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
    CommandRun r = appserver("audit", "");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "Nenhuma alteração registrada.\n");

    const std::string ana = server.login("000000000101");
    DeltaBuilder d(
        server.result(ana, "getAtividades", {"000000000101", "0001", date("2026-12-07")}));
    d.insert(newRow("2026-12-07", "10:30:00", "11:00:00"));
    ASSERT_EQ(server.call(ana, "SetAtividades", json::array({d.arg()})).status, 200);
    ASSERT_EQ(server.call(ana, "GetUpdateAtiv", {"0001", "0000000001", "00001"}).status, 200);

    r = appserver("audit", "--operator 000000000101");
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string header = lineOf(r, "Quando");
    EXPECT_NE(header.find("Usuário"), std::string::npos) << r.out;
    EXPECT_NE(header.find("Depois"), std::string::npos) << r.out;
    // Newest first: the activity started today, then the row of the day before.
    const std::size_t started = r.out.find("0000000001 - 00001");
    const std::size_t inserted = r.out.find("\"start\":\"2026-12-07T10:30:00\"");
    ASSERT_NE(started, std::string::npos) << r.out;
    ASSERT_NE(inserted, std::string::npos) << r.out;
    EXPECT_LT(started, inserted);
    EXPECT_NE(r.out.find("127.0.0.1  insert  000000000101  0001    07/12/2026"), std::string::npos)
        << r.out;

    r = appserver("audit", "--from 2026-12-08");
    EXPECT_EQ(r.out.find("insert"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0000000001 - 00001"), std::string::npos) << r.out;
    r = appserver("audit", "--to 2026-12-07");
    EXPECT_NE(r.out.find("insert"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("0000000001 - 00001"), std::string::npos) << r.out;
    EXPECT_EQ(appserver("audit", "--operator 000000000104").out, "Nenhuma alteração registrada.\n");
    EXPECT_NE(appserver("audit", "--from 07/12/2026").status, 0);
}

}  // namespace
}  // namespace appserver::testing

// The import-afd command as an administrator runs it: its exit status, what
// it prints, and that a refused file leaves the database as it was.
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>

#include "appserver/clockfile/afd_writer.h"
#include "shell_run.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

ShellRun run(const std::string& arguments) {
    return runShell(std::string(APPSERVER_EXECUTABLE) + " " + arguments + " 2>&1");
}

int punchCount(Database& db) {
    auto lease = db.acquire();
    int n = 0;
    lease.sql() << "SELECT COUNT(*) FROM punches", soci::into(n);
    return n;
}

TEST(AfdCommand, refuses_a_bad_file_with_status_1_and_skip_bad_imports_the_rest) {
    TestDatabase t;
    {
        auto lease = t.db().acquire();
        lease.sql() << "UPDATE operators SET cpf = '11122233396' WHERE code = '000000000101'";
    }
    char dir[] = "/tmp/afd-command-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/relogio.afd";
    afd::Writer w(afd::Layout::Current, "SERIAL9", "Indústria");
    w.punch(1, *platform::dataset::DateTime::parseIso("2026-12-10T08:00:00"), -180, "11122233396");
    w.punch(2, *platform::dataset::DateTime::parseIso("2026-12-10T12:00:00"), -180, "99988877766");
    std::ofstream(path, std::ios::binary) << w.text();
    const std::string args = "import-afd --db '" + t.url() + "' ";
    const int before = punchCount(t.db());

    ShellRun r = run(args + path);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("linha 3: empregado não cadastrado"), std::string::npos) << r.output;
    EXPECT_EQ(punchCount(t.db()), before);

    r = run(args + "--skip-bad --company 01 " + path);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("ignorado: linha 3: empregado não cadastrado"), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("1 batidas importadas"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("batidas/s"), std::string::npos) << r.output;
    EXPECT_EQ(punchCount(t.db()), before + 1);

    r = run(args + "--skip-bad " + path);
    EXPECT_NE(r.output.find("0 batidas importadas, 1 já importadas antes"), std::string::npos)
        << r.output;
    EXPECT_EQ(run(args + "--company 123 " + path).status, 105);  // CLI11's validation failure
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace appserver::testing

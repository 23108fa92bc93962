// The serve command's options as the program reads them: a value it cannot
// use stops it before it listens, with the option and the value named.
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>

#include "postgresql_run.h"
#include "shell_run.h"

namespace appserver::testing {
namespace {

// The program stops before it opens a database.
[[maybe_unused]] const bool kSqliteOnly = leaveOutOfPostgresRun({"ServeOptions"});

ShellRun runAppserver(const std::string& args) {
    // timeout: a server that started after all must not hang the test.
    return runShell(std::string("timeout 20 ") + APPSERVER_EXECUTABLE + " " + args + " 2>&1");
}

void expectRefusedAtStart(const ShellRun& r, const std::string& named) {
    EXPECT_NE(r.status, 0) << r.output;
    EXPECT_NE(r.status, 124) << "still serving: " << r.output;
    EXPECT_NE(r.output.find(named), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("Escutando"), std::string::npos) << r.output;
}

TEST(ServeOptions, a_trusted_proxy_that_is_not_an_address_or_block_stops_the_server_at_start) {
    expectRefusedAtStart(
        runAppserver("serve --listen 127.0.0.1:0 --trusted-proxies '127.0.0.1, 10.0.0.0/33'"),
        "--trusted-proxies: \"10.0.0.0/33\"");
    expectRefusedAtStart(
        runAppserver("serve --listen 127.0.0.1:0 --trusted-proxies 'proxy.example'"),
        "--trusted-proxies: \"proxy.example\"");
}

TEST(ServeOptions, a_trusted_proxy_from_the_configuration_file_is_checked_the_same) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("serve-options-" + std::to_string(::getpid()) + ".conf");
    {
        std::ofstream out(file);
        out << "[serve]\nlisten = \"127.0.0.1:0\"\ntrusted-proxies = \"10.0.0.5, 10.0.0.300\"\n";
    }
    const ShellRun r = runAppserver("--config " + file.string() + " serve");
    std::filesystem::remove(file);
    expectRefusedAtStart(r, "--trusted-proxies: \"10.0.0.300\"");
}

}  // namespace
}  // namespace appserver::testing

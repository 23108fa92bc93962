#include "shell_run.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>

namespace appserver::testing {

ShellRun runShell(const std::string& line) {
    ShellRun r;
    FILE* pipe = ::popen(line.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << line;
        return r;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        r.output.append(buffer, n);
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace appserver::testing

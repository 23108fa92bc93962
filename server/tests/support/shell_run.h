#pragma once

#include <string>

namespace appserver::testing {

/// What a command line did: its exit status (-1 when it did not exit, or
/// could not be run) and what it wrote on its standard output.
struct ShellRun {
    int status = -1;
    std::string output;
};

/// Runs `line` with the shell and reads its standard output to the end
/// (add 2>&1 to the line for its standard error too).
ShellRun runShell(const std::string& line);

}  // namespace appserver::testing

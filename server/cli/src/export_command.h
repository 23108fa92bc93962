#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace appserver {

/// `appserver export`: the appropriations of a period, with each operator's
/// day totals against the punches, as CSV or XLSX.
class ExportCommand {
public:
    /// Adds the subcommand and its options to `app`.
    explicit ExportCommand(CLI::App& app);

    /// True when the command line chose this command.
    bool chosen() const { return static_cast<bool>(*cmd_); }
    /// Runs the export; throws with a message the administrator can act on.
    int run() const;

private:
    CLI::App* cmd_;
    std::string db_, from_, to_, branch_, operator_, format_, output_;
};

}  // namespace appserver

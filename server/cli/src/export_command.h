#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "command.h"

namespace appserver {

/// `appserver export`: the appropriations of a period, with each operator's
/// day totals against the punches, as CSV or XLSX.
class ExportCommand : public Command {
public:
    /// Adds the subcommand and its options to `app`.
    explicit ExportCommand(CLI::App& app);

    /// A long export is stopped by Ctrl-C like any program; its output stays FILE.partial.
    bool endsOnSignal() const override { return true; }
    /// Runs the export; throws with a message the administrator can act on.
    int run() override;

private:
    std::string db_, from_, to_, branch_, operator_, team_, format_, output_;
};

}  // namespace appserver

#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "command.h"

namespace appserver {

/// `appserver import-afd --db URL [--skip-bad] [--company CODE] FILE`.
class ImportAfdCommand : public Command {
public:
    explicit ImportAfdCommand(CLI::App& app);
    /// One write transaction: a signal that cuts it short leaves nothing of it.
    bool endsOnSignal() const override { return true; }
    /// Prints what was imported and returns 0; a refused file is a
    /// CommandFailure naming it with every record at fault (nothing stored).
    int run() override;

private:
    std::string db_, path_, company_;
    bool skipBad_ = false;
};

}  // namespace appserver

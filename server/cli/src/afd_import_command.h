#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace appserver {

/// `appserver import-afd --db URL [--skip-bad] [--company CODE] FILE`.
class ImportAfdCommand {
public:
    explicit ImportAfdCommand(CLI::App& app);
    /// True when this command was the one given.
    bool chosen() const { return command_->parsed(); }
    /// Runs it; the exit status (0: imported; 1: nothing stored).
    int run() const;

private:
    CLI::App* command_;
    std::string db_, path_, company_;
    bool skipBad_ = false;
};

}  // namespace appserver

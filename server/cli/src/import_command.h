#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "command.h"

namespace appserver {

/// `appserver import --db URL FILE`: a data file in one transaction, all of
/// it or nothing (docs/import.md).
class ImportCommand : public Command {
public:
    explicit ImportCommand(CLI::App& app);
    /// A signal may cut the transaction short: nothing of it is then kept.
    bool endsOnSignal() const override { return true; }
    int run() override;

private:
    std::string db_, path_;
};

}  // namespace appserver

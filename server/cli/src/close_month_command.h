#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "command.h"

namespace appserver {

/// `appserver close-month`: closes an operator's month at a branch, or
/// reopens it, as SetFechamento does, recorded in the audit trail under the
/// account that ran the command.
class CloseMonthCommand : public Command {
public:
    explicit CloseMonthCommand(CLI::App& app);
    bool endsOnSignal() const override { return false; }
    /// Prints what it did; throws std::exception with a message for the administrator.
    int run() override;

private:
    std::string db_, branch_, operator_, month_;
    bool reopen_ = false;
};

}  // namespace appserver

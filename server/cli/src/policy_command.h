#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "command.h"

namespace appserver {

/// `appserver policy`: sets a branch's entry policies, or lists every branch's.
class PolicyCommand : public Command {
public:
    explicit PolicyCommand(CLI::App& app);
    bool endsOnSignal() const override { return false; }
    /// Prints to the standard output; throws std::exception with a message for the administrator.
    int run() override;

private:
    std::string db_, branch_, from_, to_, ownOnly_, requirePunches_;
    bool list_ = false;
    bool noPeriod_ = false;
};

}  // namespace appserver

#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "command.h"

namespace appserver {

/// `appserver audit`: prints the trail of the changes saves made, newest first.
class AuditCommand : public Command {
public:
    explicit AuditCommand(CLI::App& app);
    bool endsOnSignal() const override { return false; }
    /// Prints to the standard output; throws std::exception with a message for the administrator.
    int run() override;

private:
    std::string db_, operator_, from_, to_;
};

}  // namespace appserver

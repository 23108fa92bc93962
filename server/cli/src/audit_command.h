#pragma once

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>

namespace appserver {

/// `appserver audit`: prints the trail of the changes saves made, newest first.
class AuditCommand {
public:
    explicit AuditCommand(CLI::App& app);
    bool chosen() const { return cmd_->parsed(); }
    /// Throws std::exception with a message for the administrator.
    int run(std::ostream& out) const;

private:
    CLI::App* cmd_;
    std::string db_, operator_, from_, to_;
};

}  // namespace appserver

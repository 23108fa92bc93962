#pragma once

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>

namespace appserver {

/// `appserver policy`: sets a branch's entry policies, or lists every branch's.
class PolicyCommand {
public:
    explicit PolicyCommand(CLI::App& app);
    bool chosen() const { return cmd_->parsed(); }
    /// Throws std::exception with a message for the administrator.
    int run(std::ostream& out) const;

private:
    CLI::App* cmd_;
    std::string db_, branch_, from_, to_, ownOnly_, requirePunches_;
    bool list_ = false;
    bool noPeriod_ = false;
};

}  // namespace appserver

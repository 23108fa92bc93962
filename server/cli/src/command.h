#pragma once

#include <CLI/CLI.hpp>

#include <stdexcept>

namespace appserver {

/// One command of the appserver program: it adds itself and its options to
/// the command line, and runs when it is the one given. Its failures reach
/// main, which prints them and returns 1: a std::exception with a message
/// for the administrator, CLI::ValidationError for an option's value (as
/// CLI11 reports its own, status 105), CommandFailure for a failure the
/// command has already put in the administrator's words.
class Command {
public:
    virtual ~Command() = default;
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    /// True when the command line chose this command.
    bool chosen() const { return command_->parsed(); }
    /// True when SIGINT and SIGTERM end the command as they end any program.
    /// False keeps them blocked: a server waits for them itself and lets the
    /// requests under way finish; a short command finishes what it began.
    virtual bool endsOnSignal() const = 0;
    /// Runs it; returns the exit status.
    virtual int run() = 0;

protected:
    explicit Command(CLI::App* command) : command_(command) {}

    CLI::App* command_;
};

/// A failure the command has described in full, on as many lines as it
/// takes: main prints the message as it is.
class CommandFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace appserver

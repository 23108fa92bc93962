#pragma once

#include <CLI/CLI.hpp>

#include "command.h"
#include "serve_options.h"

namespace appserver {

/// `appserver demo`: creates (the first time) and serves a database of
/// demonstration data in the user's data folder, and prints how to log in.
class DemoCommand : public Command {
public:
    explicit DemoCommand(CLI::App& app);
    bool endsOnSignal() const override { return false; }
    int run() override;

private:
    ServeOptions options_;
};

}  // namespace appserver

#pragma once

#include <CLI/CLI.hpp>

#include <string>

#include "command.h"
#include "serve_options.h"

namespace appserver {

/// `appserver serve`: protocol v1 over a SQLite or PostgreSQL database (a
/// temporary SQLite one without --db), maybe seeded from a data file.
class ServeCommand : public Command {
public:
    explicit ServeCommand(CLI::App& app);
    bool endsOnSignal() const override { return false; }
    int run() override;

private:
    std::string db_, clock_, seed_;
    ServeOptions options_;
};

}  // namespace appserver

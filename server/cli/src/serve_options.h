#pragma once

#include <string>

#include "appserver/api/server_settings.h"
#include "command_database.h"

namespace CLI {
class App;
}

namespace appserver {

/// The options of the commands that serve (serve, demo): where to listen,
/// the server's limits and TLS, SQLite's durability and the log's level.
struct ServeOptions {
    std::string listen = "127.0.0.1:8211";
    std::string portFile;
    std::string sync = "full";
    std::string logLevel = "info";
    ServerSettings settings;
    /// Hours, fractions of an hour taken to the second.
    double idleHours = 8;
    double maxSessionHours = 12;
    long requestDeadlineMs = settings.requestDeadline.count();
    std::string trustedProxies;

    /// Adds the options to `command`.
    void addTo(CLI::App* command);
    /// Once the command line is read: sets the log's level and the settings
    /// from what was given; throws CLI::ValidationError for a bad --listen
    /// or --trusted-proxies.
    void apply();
    /// The database of a server: a session for each thread and two more.
    CommandDatabaseOptions database() const;
};

}  // namespace appserver

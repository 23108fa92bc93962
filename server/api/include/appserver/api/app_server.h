#pragma once

#include <memory>

#include "appserver/api/server_settings.h"
#include "appserver/remote/server_clock.h"
#include "appserver/storage/database.h"

namespace appserver {

namespace http {
class Server;
}
class HttpApi;
class SessionStore;

/// The HTTP service over one database: binds, serves until stopped, and lets
/// in-flight requests finish on stop.
class AppServer {
public:
    /// Throws std::invalid_argument or std::runtime_error for an unusable TLS certificate or key.
    AppServer(Database& db, const ServerClock& clock, const ServerSettings& settings);
    ~AppServer();

    /// Binds the listening socket; returns the port (the chosen one for port 0).
    /// Throws with a message naming the address when it cannot bind.
    int bind();
    /// Serves until stop(); returns false when the server failed.
    bool run();
    /// Stops taking connections; requests under way finish within the
    /// shutdown grace, then run() returns. Safe from any thread, also before
    /// run() started.
    void stop();
    bool isRunning() const;

    /// The server's sessions (tests age them).
    SessionStore& sessions();

private:
    ServerSettings settings_;
    std::unique_ptr<HttpApi> api_;
    std::unique_ptr<http::Server> server_;
};

}  // namespace appserver

#pragma once

#include <signal.h>

#include <functional>
#include <string>

#include "appserver/remote/server_clock.h"
#include "appserver/storage/database.h"
#include "serve_options.h"

namespace appserver {

/// SIGINT and SIGTERM, blocked in every thread so that only the waiter of
/// a serving command receives them. Blocked first thing in main, before any
/// thread starts: a thread started earlier (the copy of SQLite's write-ahead
/// log) would otherwise take the signal and be killed with the process.
sigset_t stopSignals();

/// Serves protocol v1 over `db` until SIGINT or SIGTERM: then stops taking
/// connections, lets the requests under way finish, and returns the exit
/// status. Writes the port to --port-file, and calls `onListening` with it,
/// once listening. `clockText` says in the log which clock the server keeps.
int serveUntilStopped(Database& db, const ServerClock& clock, const ServeOptions& options,
                      const std::string& clockText,
                      const std::function<void(int port)>& onListening = {});

}  // namespace appserver

#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "appserver/storage/database.h"

namespace appserver {

/// How a command opens its database.
struct CommandDatabaseOptions {
    /// Sessions in the pool: one for a command that works alone; a server's
    /// threads and two more.
    std::size_t sessions = 1;
    SyncMode sync = SyncMode::Full;
    /// A SQLite file that is not there is an error rather than a new, empty
    /// database (a command that only reads would otherwise read nothing from
    /// a mistyped path as if all were well).
    bool mustExist = false;
    /// Logs the database and its schema version once open.
    bool announce = false;
};

/// The database at `url` with its schema brought up to date: the one way
/// every command opens its database. Throws with the database's message.
std::unique_ptr<Database> openCommandDatabase(const std::string& url,
                                              const CommandDatabaseOptions& options = {});

}  // namespace appserver

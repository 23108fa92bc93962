#pragma once

#include <optional>
#include <string>

#include "appserver/storage/database.h"

namespace appserver::testing {

/// Another connection to a test's database that holds what a writer needs,
/// as another process would: on SQLite the database's write lock; on
/// PostgreSQL what `postgresLock` takes, in a transaction of its own. Held
/// until release() or the end.
class LockHolder {
public:
    LockHolder(const Database& db, const std::string& postgresLock);
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    void release();

private:
    Database other_;
    std::optional<Database::Lease> lease_;
};

}  // namespace appserver::testing

#include "lock_holder.h"

#include <gtest/gtest.h>

#include <exception>

namespace appserver::testing {

namespace {

DatabaseOptions oneConnection() {
    DatabaseOptions options;
    options.poolSize = 1;
    return options;
}

}  // namespace

LockHolder::LockHolder(const Database& db, const std::string& postgresLock)
    : other_(db.url(), oneConnection()) {
    lease_.emplace(other_.acquire());
    if (other_.kind() == DatabaseKind::Sqlite) {
        lease_->sql() << "BEGIN IMMEDIATE";
    } else {
        lease_->sql() << "BEGIN";
        lease_->sql() << postgresLock;
    }
}

LockHolder::~LockHolder() {
    try {
        release();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "Could not release the lock held for the test: " << e.what();
    }
}

void LockHolder::release() {
    if (!lease_) return;
    const Database::Lease lease = std::move(*lease_);
    lease_.reset();
    lease.sql() << "ROLLBACK";
}

}  // namespace appserver::testing

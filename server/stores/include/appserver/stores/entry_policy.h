#pragma once

#include <optional>
#include <string>
#include <vector>

#include "appserver/storage/database.h"
#include "platform/dataset/datetime.h"

namespace appserver {

/// The management's entry policies of one branch. Every one is off unless set.
struct EntryPolicy {
    std::string branch;
    /// The days in which rows may be entered, changed and deleted (both ends included).
    std::optional<platform::dataset::DateTime> periodFrom, periodTo;
    /// Only the operator himself may insert or delete his rows.
    bool ownOnly = false;
    /// A new row needs the operator's punches of its day to have been imported.
    bool requirePunches = false;

    bool hasPeriod() const { return periodFrom && periodTo; }
    /// True when `day` lies outside the period (never without one).
    bool outsidePeriod(const platform::dataset::DateTime& day) const;
};

/// The branch's policies (all off when it has none): one read by primary key,
/// prepared once per session.
EntryPolicy entryPolicyOf(const Database::Lease& db, const std::string& branch);

/// Every branch's stored policies, by branch.
std::vector<EntryPolicy> entryPolicies(soci::session& sql);

/// Stores the branch's policies, replacing what it had, in a write
/// transaction of its own (the write lock taken before the branch is read, so
/// that a running server's saves cannot make it fail half-way). Throws
/// std::invalid_argument for an unknown branch or a period that ends before
/// it starts, DatabaseUnavailable when the lock is not had in time.
void saveEntryPolicy(const Database::Lease& db, const EntryPolicy& policy);

}  // namespace appserver

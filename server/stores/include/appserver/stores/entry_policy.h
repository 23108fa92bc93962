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

/// Stores the branch's policies, replacing what it had. Throws
/// std::invalid_argument for an unknown branch or a period that ends before it starts.
void saveEntryPolicy(soci::session& sql, const EntryPolicy& policy);

}  // namespace appserver

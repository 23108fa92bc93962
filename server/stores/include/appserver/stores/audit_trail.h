#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "appserver/storage/database.h"
#include "appserver/stores/appropriation_store.h"
#include "platform/dataset/datetime.h"

namespace appserver {

/// One change a save made, as the trail keeps it: who, when, from where,
/// what, and the values before and after (JSON objects; none before an
/// insert, none after a delete).
struct AuditEntry {
    std::int64_t id = 0;
    platform::dataset::DateTime at;
    std::string user;     ///< the session's user
    std::string address;  ///< the client's address as the HTTP layer saw it
    std::string action;   ///< "insert", "update" or "delete"
    std::string operatorCode, branch;
    platform::dataset::DateTime day;
    std::optional<std::int64_t> appropriation;  ///< none for a change of an activity
    std::string key;                            ///< the row's key (an appropriation's CHAVE2)
    std::optional<std::string> before, after;
};

/// What a trail lists: an operator's (or everyone's) changes of a span of days.
struct AuditFilter {
    std::optional<std::string> operatorCode;
    std::optional<platform::dataset::DateTime> from, to;  ///< days, both ends included
};

/// The stored columns of an appropriation as the trail keeps them.
std::string auditValues(const AppropriationRecord& r);

/// Adds an entry inside the caller's transaction (a statement prepared once per session).
void recordAudit(const Database::Lease& db, const AuditEntry& e);

/// The trail of one operator's day at a branch, newest first.
std::vector<AuditEntry> auditOfDay(const Database::Lease& db, const std::string& op,
                                   const std::string& branch,
                                   const platform::dataset::DateTime& day);

/// The trail within the filter, newest first.
std::vector<AuditEntry> auditEntries(soci::session& sql, const AuditFilter& filter);

}  // namespace appserver

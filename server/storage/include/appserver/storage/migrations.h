#pragma once

#include "appserver/storage/database.h"

namespace appserver {

/// Brings the schema to the latest version, applying each missing migration
/// in its own transaction. Returns the version reached.
int migrate(Database& db);

/// The same, applying only the migrations up to `version` (a test's older
/// database, to try what a later migration does to its rows).
int migrateTo(Database& db, int version);

/// The newest schema version this build knows.
int latestSchemaVersion();

}  // namespace appserver

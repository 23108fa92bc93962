#pragma once

#include "appserver/storage/database.h"

namespace appserver {

/// Brings the schema to the latest version, applying each missing migration
/// in its own transaction. Returns the version reached.
int migrate(Database& db);

/// The newest schema version this build knows.
int latestSchemaVersion();

}  // namespace appserver

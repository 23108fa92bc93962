#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <stdexcept>
#include <string>

#include "appserver/storage/database.h"
#include "appserver/stores/password_hasher.h"

namespace appserver {

/// A data file that cannot be imported; the message names the member and index at fault.
class ImportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ImportSummary {
    std::size_t branches = 0, teams = 0, operators = 0, tasks = 0, activities = 0,
                appropriations = 0, punches = 0;
};

/// Imports a data file (branches, teams, operators, tasks, activities,
/// appropriations, punches) in one transaction: all of it or nothing.
ImportSummary importData(Database& db, const nlohmann::json& data, const PasswordHasher& hasher);
/// Reads and imports a file; ImportError for unreadable or malformed JSON too.
ImportSummary importFile(Database& db, const std::string& path, const PasswordHasher& hasher);

/// True when the database holds no operator yet (so that --seed only fills an empty one).
bool databaseIsEmpty(Database& db);

}  // namespace appserver

#pragma once

#include <memory>
#include <optional>
#include <string>

#include "appserver/storage/database.h"
#include "platform/dataset/datetime.h"

namespace appserver {

/// The database an administrator's command works on: one session, the schema brought up to date.
std::unique_ptr<Database> openAdminDatabase(const std::string& url);

/// A day given on the command line as YYYY-MM-DD; throws std::invalid_argument naming `option`.
platform::dataset::DateTime parseDayOption(const std::string& text, const char* option);

}  // namespace appserver

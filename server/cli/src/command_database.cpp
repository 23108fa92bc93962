#include "command_database.h"

#include <fmt/format.h>

#include <stdexcept>

#include "appserver/storage/migrations.h"

namespace appserver {

std::unique_ptr<Database> openAdminDatabase(const std::string& url) {
    DatabaseOptions options;
    options.poolSize = 1;
    auto db = std::make_unique<Database>(DatabaseUrl::parse(url), options);
    migrate(*db);
    return db;
}

platform::dataset::DateTime parseDayOption(const std::string& text, const char* option) {
    const auto day = platform::dataset::DateTime::parseIso(text);
    if (!day || text.size() != 10)
        throw std::invalid_argument(
            fmt::format("{}: \"{}\" não é um dia (use AAAA-MM-DD)", option, text));
    return *day;
}

}  // namespace appserver

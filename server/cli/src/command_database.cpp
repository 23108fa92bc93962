#include "command_database.h"

#include <fmt/format.h>
#include <spdlog/spdlog.h>

#include <filesystem>
#include <stdexcept>

#include "appserver/storage/migrations.h"

namespace appserver {

std::unique_ptr<Database> openCommandDatabase(const std::string& url,
                                              const CommandDatabaseOptions& options) {
    const DatabaseUrl parsed = DatabaseUrl::parse(url);
    if (options.mustExist && parsed.kind == DatabaseKind::Sqlite &&
        !std::filesystem::exists(parsed.target))
        throw std::runtime_error(fmt::format("O banco {} não existe", parsed.target));
    DatabaseOptions dbOptions;
    dbOptions.poolSize = options.sessions;
    dbOptions.sync = options.sync;
    auto db = std::make_unique<Database>(parsed, dbOptions);
    const int version = migrate(*db);
    if (options.announce)
        spdlog::info("Banco {} aberto (esquema versão {})", db->url().redacted(), version);
    return db;
}

}  // namespace appserver

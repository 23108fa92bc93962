#include "serve_command.h"

#include <spdlog/spdlog.h>

#include <stdlib.h>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "appserver/stores/password_hasher.h"
#include "appserver/transfer/data_import.h"
#include "serving.h"

namespace appserver {

namespace {

ServerClock makeClock(const std::string& text) {
    if (text.empty()) return ServerClock();
    auto start = platform::dataset::DateTime::parseIso(text);
    if (!start || text.size() != 19)
        throw CLI::ValidationError("--clock", "use AAAA-MM-DDTHH:MM:SS");
    return ServerClock(*start);
}

/// A folder under the system's temporary one, removed with everything in it at the end.
class TemporaryFolder {
public:
    TemporaryFolder() = default;
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder() {
        if (path_.empty()) return;
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
        if (ec) spdlog::warn("Não foi possível apagar {}: {}", path_, ec.message());
    }
    const std::string& create() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "appserver-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("Não foi possível criar uma pasta temporária");
        path_ = pattern;
        return path_;
    }

private:
    std::string path_;
};

}  // namespace

ServeCommand::ServeCommand(CLI::App& app)
    : Command(app.add_subcommand("serve",
                                 "Atende o protocolo v1 sobre um banco SQLite ou PostgreSQL")) {
    command_->add_option(
        "--db", db_,
        "sqlite:CAMINHO ou postgresql://… (sem ele: um SQLite temporário, apagado ao encerrar)");
    command_->add_option("--clock", clock_,
                         "Começa o relógio do servidor neste instante (AAAA-MM-DDTHH:MM:SS)");
    command_->add_option("--seed", seed_,
                         "Importa este arquivo ao iniciar, se o banco estiver vazio");
    options_.addTo(command_);
}

int ServeCommand::run() {
    options_.apply();
    const ServerClock clock = makeClock(clock_);
    TemporaryFolder scratch;
    const std::string url = db_.empty() ? "sqlite:" + scratch.create() + "/appserver.db" : db_;
    auto db = openCommandDatabase(url, options_.database());
    if (!seed_.empty()) {
        if (databaseIsEmpty(*db)) {
            const auto s = importFile(*db, seed_, PasswordHasher(options_.settings.hashCost));
            spdlog::info("Semente {} importada: {} operadores, {} apropriações, {} batidas", seed_,
                         s.operators, s.appropriations, s.punches);
        } else {
            spdlog::info("Banco já tem dados: semente {} não importada", seed_);
        }
    }
    const int status = serveUntilStopped(*db, clock, options_,
                                         clock_.empty() ? "o do sistema" : "a partir de " + clock_);
    db.reset();  // the last copy of the write-ahead log into the database file
    spdlog::info("Banco fechado");
    return status;
}

}  // namespace appserver

#include "demo_command.h"

#include <spdlog/spdlog.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "appserver/stores/password_hasher.h"
#include "appserver/transfer/data_import.h"
#include "appserver/transfer/demo_data.h"
#include "serving.h"

namespace appserver {

namespace {

std::string demoDatabasePath() {
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local/share";
    else
        base = std::filesystem::temp_directory_path();
    const auto dir = base / "apropriacao";
    std::filesystem::create_directories(dir);
    return (dir / "demo.sqlite").string();
}

}  // namespace

DemoCommand::DemoCommand(CLI::App& app)
    : Command(
          app.add_subcommand("demo", "Cria (na primeira vez) e serve um banco de demonstração")) {
    options_.addTo(command_);
}

int DemoCommand::run() {
    options_.apply();
    const ServerClock clock;
    auto db = openCommandDatabase("sqlite:" + demoDatabasePath(), options_.database());
    if (databaseIsEmpty(*db)) {
        spdlog::info("Criando os dados de demonstração…");
        importData(*db, makeDemoData(clock.now()), PasswordHasher());
    }
    const std::string host = options_.settings.host;
    const int status = serveUntilStopped(*db, clock, options_, "o do sistema", [&host](int port) {
        std::fprintf(stderr,
                     "\nDemonstração pronta. Entre com usuário %s, senha \"%s\", filial %s:\n"
                     "  curl -s http://%s:%d/v1/login -H 'Content-Type: application/json' "
                     "-d '{\"user\":\"%s\",\"password\":\"%s\",\"branch\":\"%s\"}'\n\n",
                     kDemoUser, kDemoPassword, kDemoBranch, host.c_str(), port, kDemoUser,
                     kDemoPassword, kDemoBranch);
    });
    db.reset();
    spdlog::info("Banco fechado");
    return status;
}

}  // namespace appserver

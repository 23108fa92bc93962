#include "import_command.h"

#include <spdlog/spdlog.h>

#include "appserver/stores/password_hasher.h"
#include "appserver/transfer/data_import.h"
#include "command_database.h"

namespace appserver {

ImportCommand::ImportCommand(CLI::App& app)
    : Command(app.add_subcommand("import", "Importa um arquivo de dados numa só transação")) {
    command_->add_option("--db", db_, "sqlite:CAMINHO ou postgresql://…")->required();
    command_->add_option("FILE", path_, "Arquivo JSON de dados")
        ->required()
        ->check(CLI::ExistingFile);
}

int ImportCommand::run() {
    CommandDatabaseOptions options;
    options.announce = true;
    auto db = openCommandDatabase(db_, options);
    const auto s = importFile(*db, path_, PasswordHasher());
    spdlog::info(
        "Importado: {} filiais, {} equipes, {} operadores, {} tarefas, {} atividades, {} "
        "apropriações, {} batidas",
        s.branches, s.teams, s.operators, s.tasks, s.activities, s.appropriations, s.punches);
    return 0;
}

}  // namespace appserver

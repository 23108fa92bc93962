#include "afd_import_command.h"

#include <fmt/format.h>

#include <chrono>
#include <cstdio>

#include "appserver/clockfile/afd_import.h"
#include "command_database.h"

namespace appserver {

ImportAfdCommand::ImportAfdCommand(CLI::App& app)
    : Command(app.add_subcommand(
          "import-afd",
          "Importa as batidas de um arquivo AFD de relógio de ponto numa só transação")) {
    command_->add_option("--db", db_, "sqlite:CAMINHO ou postgresql://…")->required();
    command_->add_flag("--skip-bad", skipBad_,
                       "Importa os registros bons e lista os que ficaram de fora (sem ela, um "
                       "registro com erro recusa o arquivo inteiro)");
    command_->add_option("--company", company_, "Código da empresa gravado nas batidas (CDEMPRESA)")
        ->check(CLI::Validator(
            [](const std::string& v) {
                return v.size() <= 2 ? std::string() : std::string("no máximo 2 caracteres");
            },
            "TEXTO(2)"));
    command_->add_option("FILE", path_, "Arquivo AFD (leiaute antigo ou atual)")
        ->required()
        ->check(CLI::ExistingFile);
}

int ImportAfdCommand::run() {
    auto db = openCommandDatabase(db_);
    AfdImportOptions o;
    o.skipBad = skipBad_;
    o.company = company_;
    const auto started = std::chrono::steady_clock::now();
    AfdImportResult r;
    try {
        r = importClockFilePath(*db, path_, o);
    } catch (const AfdImportError& e) {
        throw CommandFailure(fmt::format("{}: {}", path_, e.what()));
    } catch (const afd::FileError& e) {
        throw CommandFailure(fmt::format("{}: {}", path_, e.what()));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (const afd::Issue& i : r.skipped)
        std::printf("ignorado: linha %zu: %s\n", i.line, i.reason.c_str());
    std::printf(
        "%s: relógio %s (%s, leiaute %s): %zu batidas importadas, %zu já importadas antes, %zu "
        "registros ignorados, %zu batidas anteriores renumeradas, %zu dias de operador "
        "numerados; %.1f s, %.0f batidas/s\n",
        path_.c_str(), r.clockSerial.c_str(), r.companyName.c_str(),
        r.layout == afd::Layout::Old ? "antigo" : "atual", r.inserted, r.alreadyImported,
        r.skipped.size(), r.renumbered, r.days, seconds,
        seconds > 0 ? static_cast<double>(r.punchesInFile) / seconds : 0.0);
    return 0;
}

}  // namespace appserver

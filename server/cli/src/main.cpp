// appserver: the application server of the appropriation screen.
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>
#include <CLI/CLI.hpp>

#include <pthread.h>
#include <array>
#include <cstdio>
#include <exception>

#include "afd_import_command.h"
#include "appserver/storage/database_error.h"
#include "audit_command.h"
#include "close_month_command.h"
#include "command.h"
#include "demo_command.h"
#include "export_command.h"
#include "import_command.h"
#include "policy_command.h"
#include "serve_command.h"
#include "serving.h"

namespace {

int runProgram(int argc, char** argv) {
    using namespace appserver;
    const sigset_t signals = stopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    spdlog::set_default_logger(spdlog::stderr_color_mt("appserver"));
    CLI::App app{"Servidor de aplicação da Manutenção da Apropriação"};
    app.require_subcommand(1);
    // The service's settings: the options of each command under a section of
    // its name ([serve]), without their dashes; an option given wins over the file.
    app.set_config("--config", "",
                   "Arquivo de configuração: [serve] com as chaves das opções, sem os traços");

    ServeCommand serve(app);
    ImportCommand import(app);
    ImportAfdCommand importAfd(app);
    DemoCommand demo(app);
    ExportCommand exportCommand(app);
    PolicyCommand policy(app);
    AuditCommand audit(app);
    CloseMonthCommand closeMonth(app);
    const std::array<Command*, 8> commands = {&serve,         &import, &importAfd, &demo,
                                              &exportCommand, &policy, &audit,     &closeMonth};

    CLI11_PARSE(app, argc, argv);

    // The one place a command's failure becomes the program's output and status.
    try {
        for (Command* command : commands) {
            if (!command->chosen()) continue;
            if (command->endsOnSignal()) pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
            return command->run();
        }
    } catch (const CLI::Error& e) {
        return app.exit(e);
    } catch (const CommandFailure& e) {
        spdlog::error("{}", e.what());
        return 1;
    } catch (const std::exception& e) {
        spdlog::error("{}", failureText(e));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Nothing leaves the program as an exception: a failure before a command
    // runs (no logger, no memory), or of the logger itself, is said plainly.
    try {
        return runProgram(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "appserver: %s\n", e.what());
    } catch (...) {
        std::fputs("appserver: falha inesperada\n", stderr);
    }
    return 1;
}

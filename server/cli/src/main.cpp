// appserver: the application server of the appropriation screen.
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <pthread.h>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <thread>

#include "afd_import_command.h"
#include "appserver/api/app_server.h"
#include "appserver/remote/server_clock.h"
#include "appserver/storage/database.h"
#include "appserver/storage/migrations.h"
#include "appserver/transfer/data_import.h"
#include "appserver/transfer/demo_data.h"
#include "audit_command.h"
#include "export_command.h"
#include "policy_command.h"

namespace {

using namespace appserver;

struct ServeOptions {
    std::string db;
    std::string listen = "127.0.0.1:8211";
    std::string clock;
    std::string seed;
    std::string portFile;
    std::string sync = "full";
    std::string logLevel = "info";
    ServerSettings settings;
    long idleHours = 8;
    long maxSessionHours = 12;
    long requestDeadlineMs = limits::kRequestDeadline.count();
};

void parseListen(const std::string& text, ServerSettings& s) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        throw CLI::ValidationError("--listen", "use HOST:PORT, por exemplo 127.0.0.1:8211");
    s.host = text.substr(0, colon);
    try {
        s.port = std::stoi(text.substr(colon + 1));
    } catch (const std::exception&) {
        throw CLI::ValidationError("--listen", "a porta deve ser um número");
    }
    if (s.port < 0 || s.port > 65535)
        throw CLI::ValidationError("--listen", "porta fora de 0–65535");
}

std::unique_ptr<Database> openDatabase(const std::string& url, const ServeOptions& o) {
    DatabaseOptions dbOptions;
    dbOptions.poolSize = o.settings.threads + 2;
    dbOptions.sync = o.sync == "full" ? SyncMode::Full : SyncMode::Normal;
    auto db = std::make_unique<Database>(DatabaseUrl::parse(url), dbOptions);
    const int version = migrate(*db);
    spdlog::info("Banco {} aberto (esquema versão {})", db->url().redacted(), version);
    return db;
}

/// SIGINT and SIGTERM, blocked in every thread so that only the waiter of
/// ShutdownOnSignal receives them. Blocked first thing in main, before any
/// thread starts: a thread started earlier (the copy of SQLite's write-ahead
/// log) would otherwise take the signal and be killed with the process.
sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

/// One thread waits for SIGINT or SIGTERM and stops the server: it stops
/// taking connections, lets the requests under way finish, and run() returns.
class ShutdownOnSignal {
public:
    explicit ShutdownOnSignal(AppServer& server) : server_(server) {
        waiter_ = std::thread([this] {
            const sigset_t set = stopSignals();
            int sig = 0;
            sigwait(&set, &sig);
            if (done_) return;
            spdlog::info("Sinal {} recebido: encerrando (as requisições em andamento terminam)",
                         sig);
            // Also before run() started: then run() returns at once.
            server_.stop();
        });
    }
    ~ShutdownOnSignal() {
        done_ = true;
        pthread_kill(waiter_.native_handle(), SIGTERM);
        waiter_.join();
    }

private:
    AppServer& server_;
    std::atomic<bool> done_{false};
    std::thread waiter_;
};

int serve(Database& db, const ServerClock& clock, const ServeOptions& o,
          const std::string& clockText, const std::function<void(int)>& onListening = {}) {
    AppServer server(db, clock, o.settings);
    ShutdownOnSignal shutdown(server);
    const int port = server.bind();
    spdlog::info("Escutando em {}://{}:{} ; relógio: {}",
                 o.settings.tlsCert.empty() ? "http" : "https", o.settings.host, port, clockText);
    if (!o.portFile.empty()) {
        const std::string tmp = o.portFile + ".tmp";
        std::ofstream(tmp) << port << "\n";
        std::filesystem::rename(tmp, o.portFile);
    }
    if (onListening) onListening(port);
    const bool ok = server.run();
    spdlog::info("Servidor encerrado");
    return ok ? 0 : 1;
}

ServerClock makeClock(const std::string& text) {
    if (text.empty()) return ServerClock();
    auto start = platform::dataset::DateTime::parseIso(text);
    if (!start || text.size() != 19)
        throw CLI::ValidationError("--clock", "use AAAA-MM-DDTHH:MM:SS");
    return ServerClock(*start);
}

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

void addServeOptions(CLI::App* cmd, ServeOptions& o) {
    cmd->add_option("--listen", o.listen, "HOST:PORT onde escutar (porta 0: uma porta livre)")
        ->capture_default_str();
    cmd->add_option("--port-file", o.portFile,
                    "Grava neste arquivo a porta escolhida, quando já escutando");
    cmd->add_option("--threads", o.settings.threads, "Requisições atendidas ao mesmo tempo")
        ->capture_default_str();
    cmd->add_option("--session-idle-hours", o.idleHours, "Horas sem uso que encerram uma sessão")
        ->capture_default_str();
    cmd->add_option("--session-max-hours", o.maxSessionHours,
                    "Horas após o login que encerram uma sessão, mesmo em uso")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    cmd->add_option("--request-deadline-ms", o.requestDeadlineMs,
                    "Milissegundos para uma requisição chegar inteira (cabeçalhos e corpo)")
        ->check(CLI::Range(100L, 600000L))
        ->capture_default_str();
    cmd->add_option("--max-connections-per-address", o.settings.maxConnectionsPerAddress,
                    "Conexões abertas ao mesmo tempo a partir de um endereço")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    cmd->add_option("--sync", o.sync,
                    "Durabilidade do SQLite: full (cada gravação confirmada sobrevive a queda de "
                    "energia) ou normal "
                    "(as últimas gravações podem se perder numa queda de energia)")
        ->check(CLI::IsMember({"normal", "full"}))
        ->capture_default_str();
    cmd->add_option("--tls-cert", o.settings.tlsCert, "Certificado PEM para servir HTTPS");
    cmd->add_option("--tls-key", o.settings.tlsKey, "Chave PEM do certificado");
    cmd->add_option("--log-level", o.logLevel, "trace, debug, info, warn, error")
        ->capture_default_str();
}

}  // namespace

int main(int argc, char** argv) {
    const sigset_t signals = stopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    spdlog::set_default_logger(spdlog::stderr_color_mt("appserver"));
    CLI::App app{"Servidor de aplicação da Manutenção da Apropriação"};
    app.require_subcommand(1);
    // The service's settings: the options of each command under a section of
    // its name ([serve]), without their dashes; an option given wins over the file.
    app.set_config("--config", "",
                   "Arquivo de configuração: [serve] com as chaves das opções, sem os traços");

    ServeOptions o;
    auto* serveCmd =
        app.add_subcommand("serve", "Atende o protocolo v1 sobre um banco SQLite ou PostgreSQL");
    serveCmd->add_option(
        "--db", o.db,
        "sqlite:CAMINHO ou postgresql://… (sem ele: um SQLite temporário, apagado ao encerrar)");
    serveCmd->add_option("--clock", o.clock,
                         "Começa o relógio do servidor neste instante (AAAA-MM-DDTHH:MM:SS)");
    serveCmd->add_option("--seed", o.seed,
                         "Importa este arquivo ao iniciar, se o banco estiver vazio");
    addServeOptions(serveCmd, o);

    std::string importDb, importPath;
    auto* importCmd = app.add_subcommand("import", "Importa um arquivo de dados numa só transação");
    importCmd->add_option("--db", importDb, "sqlite:CAMINHO ou postgresql://…")->required();
    importCmd->add_option("FILE", importPath, "Arquivo JSON de dados")
        ->required()
        ->check(CLI::ExistingFile);

    ImportAfdCommand importAfd(app);

    ServeOptions demo;
    demo.listen = "127.0.0.1:8211";
    auto* demoCmd =
        app.add_subcommand("demo", "Cria (na primeira vez) e serve um banco de demonstração");
    addServeOptions(demoCmd, demo);

    const ExportCommand exportCmd(app);
    PolicyCommand policyCmd(app);
    AuditCommand auditCmd(app);

    CLI11_PARSE(app, argc, argv);

    try {
        for (ServeOptions* opts : {&o, &demo}) {
            spdlog::set_level(spdlog::level::from_str(opts->logLevel));
            parseListen(opts->listen, opts->settings);
            opts->settings.sessionIdle = std::chrono::hours(opts->idleHours);
            opts->settings.sessionMaxAge = std::chrono::hours(opts->maxSessionHours);
            opts->settings.requestDeadline = std::chrono::milliseconds(opts->requestDeadlineMs);
            if (opts->settings.threads == 0) opts->settings.threads = 1;
        }
        if (policyCmd.chosen()) return policyCmd.run(std::cout);
        if (auditCmd.chosen()) return auditCmd.run(std::cout);
        if (*serveCmd) {
            spdlog::set_level(spdlog::level::from_str(o.logLevel));
            const ServerClock clock = makeClock(o.clock);
            TemporaryFolder scratch;
            if (o.db.empty()) o.db = "sqlite:" + scratch.create() + "/appserver.db";
            auto db = openDatabase(o.db, o);
            if (!o.seed.empty()) {
                if (databaseIsEmpty(*db)) {
                    const auto s = importFile(*db, o.seed, PasswordHasher(o.settings.hashCost));
                    spdlog::info("Semente {} importada: {} operadores, {} apropriações, {} batidas",
                                 o.seed, s.operators, s.appropriations, s.punches);
                } else {
                    spdlog::info("Banco já tem dados: semente {} não importada", o.seed);
                }
            }
            const int status =
                serve(*db, clock, o, o.clock.empty() ? "o do sistema" : "a partir de " + o.clock);
            db.reset();  // the last copy of the write-ahead log into the database file
            spdlog::info("Banco fechado");
            return status;
        }
        if (*importCmd) {
            // One transaction that a signal may cut short: nothing of it is then kept.
            pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
            ServeOptions opts;
            opts.settings.threads = 0;
            auto db = openDatabase(importDb, opts);
            const auto s = importFile(*db, importPath, PasswordHasher());
            spdlog::info(
                "Importado: {} filiais, {} equipes, {} operadores, {} tarefas, {} atividades, {} "
                "apropriações, {} batidas",
                s.branches, s.teams, s.operators, s.tasks, s.activities, s.appropriations,
                s.punches);
            return 0;
        }
        if (importAfd.chosen()) {
            pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
            return importAfd.run();
        }
        if (exportCmd.chosen()) {
            // A long export is stopped by Ctrl-C like any command; its output stays FILE.partial.
            pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
            return exportCmd.run();
        }
        if (*demoCmd) {
            spdlog::set_level(spdlog::level::from_str(demo.logLevel));
            const ServerClock clock;
            auto db = openDatabase("sqlite:" + demoDatabasePath(), demo);
            if (databaseIsEmpty(*db)) {
                spdlog::info("Criando os dados de demonstração…");
                importData(*db, makeDemoData(clock.now()), PasswordHasher());
            }
            const std::string host = demo.settings.host;
            const int status = serve(*db, clock, demo, "o do sistema", [&host](int port) {
                std::fprintf(
                    stderr,
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
    } catch (const CLI::Error& e) {
        return app.exit(e);
    } catch (const std::exception& e) {
        spdlog::error("{}", failureText(e));
        return 1;
    }
    return 0;
}

#include "serve_options.h"

#include <cmath>

#include <spdlog/spdlog.h>
#include <CLI/CLI.hpp>

#include <exception>
#include <stdexcept>

namespace appserver {

namespace {

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

}  // namespace

void ServeOptions::addTo(CLI::App* cmd) {
    cmd->add_option("--listen", listen, "HOST:PORT onde escutar (porta 0: uma porta livre)")
        ->capture_default_str();
    cmd->add_option("--port-file", portFile,
                    "Grava neste arquivo a porta escolhida, quando já escutando");
    cmd->add_option("--threads", settings.threads, "Requisições atendidas ao mesmo tempo")
        ->capture_default_str();
    cmd->add_option("--session-idle-hours", idleHours,
                    "Horas sem uso que encerram uma sessão (frações de hora, ao segundo)")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    cmd->add_option("--session-max-hours", maxSessionHours,
                    "Horas após o login que encerram uma sessão, mesmo em uso (frações de hora, "
                    "ao segundo)")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    cmd->add_option("--request-deadline-ms", requestDeadlineMs,
                    "Milissegundos para uma requisição chegar inteira (cabeçalhos e corpo)")
        ->check(CLI::Range(100L, 600000L))
        ->capture_default_str();
    cmd->add_option("--max-connections-per-address", settings.maxConnectionsPerAddress,
                    "Conexões abertas ao mesmo tempo a partir de um endereço")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    cmd->add_option("--trusted-proxies", trustedProxies,
                    "Endereços ou blocos (127.0.0.1, 10.0.0.0/8, fd00::/8) dos proxies cujo "
                    "X-Forwarded-For diz o endereço do cliente; deles, as conexões não contam no "
                    "limite por endereço");
    cmd->add_option("--sync", sync,
                    "Durabilidade do SQLite: full (cada gravação confirmada sobrevive a queda de "
                    "energia) ou normal "
                    "(as últimas gravações podem se perder numa queda de energia)")
        ->check(CLI::IsMember({"normal", "full"}))
        ->capture_default_str();
    cmd->add_option("--tls-cert", settings.tlsCert, "Certificado PEM para servir HTTPS");
    cmd->add_option("--tls-key", settings.tlsKey, "Chave PEM do certificado");
    cmd->add_option("--log-level", logLevel, "trace, debug, info, warn, error")
        ->capture_default_str();
}

void ServeOptions::apply() {
    spdlog::set_level(spdlog::level::from_str(logLevel));
    parseListen(listen, settings);
    settings.sessionIdle = std::chrono::seconds(std::llround(idleHours * 3600));
    settings.sessionMaxAge = std::chrono::seconds(std::llround(maxSessionHours * 3600));
    settings.requestDeadline = std::chrono::milliseconds(requestDeadlineMs);
    try {
        settings.trustedProxies = TrustedProxies::parse(trustedProxies);
    } catch (const std::invalid_argument& e) {
        throw CLI::ValidationError("--trusted-proxies", e.what());
    }
    if (settings.threads == 0) settings.threads = 1;
}

CommandDatabaseOptions ServeOptions::database() const {
    CommandDatabaseOptions o;
    o.sessions = settings.threads + 2;
    o.sync = sync == "full" ? SyncMode::Full : SyncMode::Normal;
    o.announce = true;
    return o;
}

}  // namespace appserver

#include "proxy_client.h"

#include <arpa/inet.h>
#include <fmt/format.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "shell_run.h"

namespace appserver::hatest {

using nlohmann::json;

namespace {

std::string required(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value)
        throw std::runtime_error(fmt::format(
            "{} is not set: run this program through scripts/ha-tmp run -- PROGRAM", name));
    return value;
}

}  // namespace

HaSetup HaSetup::fromEnvironment() {
    HaSetup s;
    s.proxyUrl = required("APROP_HA_URL");
    const auto colon = s.proxyUrl.rfind(':');
    s.proxyPort = std::stoi(s.proxyUrl.substr(colon + 1));
    s.control = required("APROP_HA_TMP");
    s.maxConnectionsPerAddress = std::stoi(required("APROP_HA_MAX_CONNECTIONS_PER_ADDRESS"));
    return s;
}

void HaSetup::run(const std::string& args) const {
    const std::string command = control + " " + args;
    const testing::ShellRun r = testing::runShell(command + " 2>&1");
    if (r.status != 0)
        throw std::runtime_error(
            fmt::format("\"{}\" failed (status {}): {}", command, r.status, r.output));
}

ProxyClient::ProxyClient(const HaSetup& setup, const std::string& sourceAddress)
    : http_(setup.proxyUrl) {
    if (!sourceAddress.empty()) {
        sockaddr_in source{};
        source.sin_family = AF_INET;
        if (inet_pton(AF_INET, sourceAddress.c_str(), &source.sin_addr) != 1)
            throw std::invalid_argument("not an IPv4 address: " + sourceAddress);
        // Bound before the connection is made; the port is the system's choice.
        http_.set_socket_options([source, failures = bindFailures_](int sock) {
            int on = 1;
            ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
            if (::bind(sock, reinterpret_cast<const sockaddr*>(&source), sizeof source) != 0)
                ++*failures;
        });
    }
    http_.set_keep_alive(true);
    http_.set_connection_timeout(2, 0);
    // Past the proxy's own wait for a server's answer (timeout server 30s).
    http_.set_read_timeout(40, 0);
    http_.set_write_timeout(10, 0);
}

Answer ProxyClient::answerOf(const httplib::Result& result) {
    if (!result) return {0, nullptr, httplib::to_string(result.error())};
    return {result->status, json::parse(result->body, nullptr, false), {}};
}

Answer ProxyClient::login(const std::string& user, const std::string& password,
                          const std::string& branch) {
    const json body = {{"user", user}, {"password", password}, {"branch", branch}};
    Answer a = answerOf(http_.Post("/v1/login", body.dump(), "application/json"));
    if (a.status == 200) token_ = a.body.value("token", "");
    return a;
}

Answer ProxyClient::call(const std::string& method, const json& args) {
    const json body = {{"server", "Zep00700.rdmApropriacao"}, {"method", method}, {"args", args}};
    return answerOf(http_.Post("/v1/call", {{"Authorization", "Bearer " + token_}}, body.dump(),
                               "application/json"));
}

}  // namespace appserver::hatest

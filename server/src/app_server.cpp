#include "app_server.h"

#include <fmt/format.h>
#include <spdlog/spdlog.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include <stdexcept>

namespace appserver {

namespace {

std::unique_ptr<httplib::Server> makeServer(const ServerSettings& s) {
    if (!s.tlsCert.empty() || !s.tlsKey.empty()) {
        if (s.tlsCert.empty() || s.tlsKey.empty()) throw std::invalid_argument("TLS precisa de --tls-cert e --tls-key juntos");
        auto tls = std::make_unique<httplib::SSLServer>(s.tlsCert.c_str(), s.tlsKey.c_str());
        if (!tls->is_valid())
            throw std::runtime_error(fmt::format("Certificado ou chave TLS inválidos ({}, {})", s.tlsCert, s.tlsKey));
        return tls;
    }
    return std::make_unique<httplib::Server>();
}

}  // namespace

AppServer::AppServer(Database& db, const ServerClock& clock, const ServerSettings& settings)
    : settings_(settings), api_(db, clock, settings), server_(makeServer(settings)) {
    // The library's defaults (Nagle on, 5 requests per connection, a pool
    // sized by the cores) make each keep-alive request wait for the delayed
    // ACK and cap the service at a few hundred calls per second.
    server_->set_tcp_nodelay(true);
    server_->set_keep_alive_max_count(1000000);
    server_->set_payload_max_length(settings.maxBodyBytes);
    const std::size_t threads = settings.threads == 0 ? 1 : settings.threads;
    server_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    // The library listens with a queue of 5 pending connections: when more
    // clients connect at once than the accepting thread takes in time, the
    // rest have their connection attempt dropped and retried a second later.
    // The listening socket is noted here so that bind() can widen its queue.
    server_->set_socket_options([this](socket_t sock) {
        httplib::default_socket_options(sock);
        listenSocket_ = sock;
    });
    api_.install(*server_);
}

AppServer::~AppServer() { stop(); }

int AppServer::bind() {
    int port = settings_.port;
    if (port == 0) {
        port = server_->bind_to_any_port(settings_.host);
        if (port < 0) port = 0;
    } else if (!server_->bind_to_port(settings_.host, port)) {
        port = 0;
    }
    if (port <= 0)
        throw std::runtime_error(fmt::format("Não foi possível escutar em {}:{} (endereço em uso ou inválido)",
                                             settings_.host, settings_.port));
    // Listening again on a listening socket only changes its queue length.
    if (listenSocket_ < 0 || ::listen(listenSocket_, SOMAXCONN) != 0)
        spdlog::warn("Fila de conexões pendentes mantida em 5 ({}): muitas conexões simultâneas podem esperar 1 s",
                     listenSocket_ < 0 ? "soquete desconhecido" : std::strerror(errno));
    return port;
}

bool AppServer::run() { return server_->listen_after_bind(); }

void AppServer::stop() { server_->stop(); }

}  // namespace appserver

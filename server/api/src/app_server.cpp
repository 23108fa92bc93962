#include "appserver/api/app_server.h"

#include "appserver/http/server.h"
#include "http_api.h"

namespace appserver {

namespace {

/// The transport as the settings have it; the header, write and connection
/// limits that no setting changes are the transport's own.
http::ServerOptions transportOptions(const ServerSettings& s) {
    http::ServerOptions o;
    o.threads = s.threads == 0 ? 1 : s.threads;
    o.requestDeadline = s.requestDeadline;
    o.keepAliveIdle = s.keepAliveIdle;
    o.maxConnectionsPerAddress = s.maxConnectionsPerAddress;
    if (!s.trustedProxies.empty())
        o.uncappedAddress = [proxies = s.trustedProxies](const std::string& address) {
            return proxies.contains(address);
        };
    o.shutdownGrace = s.shutdownGrace;
    o.tlsCert = s.tlsCert;
    o.tlsKey = s.tlsKey;
    return o;
}

}  // namespace

AppServer::AppServer(Database& db, const ServerClock& clock, const ServerSettings& settings)
    : settings_(settings),
      api_(std::make_unique<HttpApi>(db, clock, settings)),
      server_(std::make_unique<http::Server>(transportOptions(settings))) {
    api_->install(*server_);
}

AppServer::~AppServer() {
    stop();
}

SessionStore& AppServer::sessions() {
    return api_->sessions();
}

int AppServer::bind() {
    return server_->bind(settings_.host, settings_.port);
}

bool AppServer::run() {
    return server_->run();
}

bool AppServer::isRunning() const {
    return server_->isRunning();
}

void AppServer::stop() {
    server_->stop();
}

}  // namespace appserver

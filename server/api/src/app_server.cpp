#include "appserver/api/app_server.h"

#include <malloc.h>
#include <spdlog/spdlog.h>

#include <mutex>

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

/// Answers of a hundred kilobytes and more (a team's month) are made, copied
/// and freed on every call. With the allocator's defaults each free hands the
/// top of a thread's heap back to the system, and the next such answer
/// faults it in again page by page: some 55 page faults a summary, a third
/// of its cost. The process keeps up to 1 MB free at the top of each heap
/// instead, and takes blocks under 1 MB from the heap, not from mappings of
/// their own. Larger blocks keep their own mappings, so that a body growing
/// towards its cap is moved by remapping, never held twice while copied.
/// Once per process, for every server in it.
void keepFreedMemoryForReuse() {
    static std::once_flag once;
    std::call_once(once, [] {
        constexpr int kMappedFrom = 1 << 20;
        constexpr int kKeptFree = 1 << 20;
        if (mallopt(M_MMAP_THRESHOLD, kMappedFrom) != 1 ||
            mallopt(M_TRIM_THRESHOLD, kKeptFree) != 1)
            // An allocator of its own (a sanitizer's) ignores the advice: it only costs speed.
            spdlog::debug("O alocador de memória não aceitou os limites de reuso.");
    });
}

}  // namespace

AppServer::AppServer(Database& db, const ServerClock& clock, const ServerSettings& settings)
    : settings_(settings),
      api_(std::make_unique<HttpApi>(db, clock, settings)),
      server_(std::make_unique<http::Server>(transportOptions(settings))) {
    keepFreedMemoryForReuse();
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

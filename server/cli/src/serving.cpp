#include "serving.h"

#include <spdlog/spdlog.h>

#include <pthread.h>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "appserver/api/app_server.h"

namespace appserver {

sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

namespace {

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
        // Every thread blocks SIGTERM and the waiter sigwait()s for it: the
        // signal ends its wait, it does not kill it.
        pthread_kill(waiter_.native_handle(),  // NOLINT(bugprone-bad-signal-to-kill-thread)
                     SIGTERM);
        waiter_.join();
    }
    ShutdownOnSignal(const ShutdownOnSignal&) = delete;
    ShutdownOnSignal& operator=(const ShutdownOnSignal&) = delete;

private:
    AppServer& server_;
    std::atomic<bool> done_{false};
    std::thread waiter_;
};

}  // namespace

int serveUntilStopped(Database& db, const ServerClock& clock, const ServeOptions& o,
                      const std::string& clockText, const std::function<void(int)>& onListening) {
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

}  // namespace appserver

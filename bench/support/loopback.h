// Loopback plumbing the server benchmarks share: a server run on a thread of
// its own, and clients that talk to it as the desktop does.
#pragma once

#include <httplib.h>

#include <chrono>
#include <thread>

namespace bench {

/// Runs `server` (the app server or a bare transport) on a thread of its own
/// and returns that thread once the server takes calls; the caller stops the
/// server and joins it.
template <typename Server>
std::thread serveInBackground(Server& server) {
    std::thread serving([&server] { server.run(); });
    while (!server.isRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return serving;
}

/// A client keeps its connection and sends each request at once, as the
/// desktop's connection does: what is timed is a call, not a handshake.
inline void likeTheDesktop(httplib::Client& client) {
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
}

}  // namespace bench

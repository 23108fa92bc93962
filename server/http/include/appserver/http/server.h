#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "appserver/http/limits.h"

namespace appserver::http {

/// One request as a handler sees it: wholly arrived, within every limit.
struct Request {
    std::string method;
    std::string path;  ///< the target without its query
    std::string body;
    std::string remote_addr;
    std::vector<std::pair<std::string, std::string>> headers;

    /// The first header of that name (letter case ignored), or "".
    std::string get_header_value(std::string_view name) const;
    bool has_header(std::string_view name) const;
};

struct Response {
    int status = 200;
    std::string body;
    std::string content_type;
    std::vector<std::pair<std::string, std::string>> headers;

    void set_content(std::string text, std::string type) {
        body = std::move(text);
        content_type = std::move(type);
    }
    void set_header(std::string name, std::string value) {
        headers.emplace_back(std::move(name), std::move(value));
    }
};

/// What the server refuses by itself, before or instead of a handler.
enum class Refusal {
    BadRequest,           ///< not HTTP/1.x, or a malformed request
    NotFound,             ///< no route for the method and path
    BodyTooLarge,         ///< past the route's body limit, declared or as it arrives
    HeadersTooLarge,      ///< past the header bytes or count
    UnsupportedEncoding,  ///< a compressed body (Content-Encoding or a transfer coding other than
                          ///< chunked)
    Timeout,              ///< the request did not wholly arrive within the request deadline
    TooManyConnections,   ///< past the connections of one address, or of all
    HandlerFailed,        ///< a handler threw
};

using Handler = std::function<void(const Request&, Response&)>;
/// Looks at a request's line and headers before its body is read; returns
/// false with `res` filled to answer at once, the body unread.
using HeadCheck = std::function<bool(const Request& head, Response& res)>;

struct ServerOptions {
    /// Threads that run handlers and the connections' input and output.
    /// Reading and writing never block one, so only requests that wholly
    /// arrived and are being handled take one.
    std::size_t threads = 8;
    std::size_t maxHeaderBytes = limits::kMaxHeaderBytes;
    std::size_t maxHeaderFields = limits::kMaxHeaderFields;
    std::chrono::milliseconds requestDeadline = limits::kRequestDeadline;
    std::chrono::milliseconds keepAliveIdle = limits::kKeepAliveIdle;
    std::chrono::milliseconds writeDeadline = limits::kWriteDeadline;
    std::size_t maxConnectionsPerAddress = limits::kMaxConnectionsPerAddress;
    /// Addresses for which this is true are not held to
    /// maxConnectionsPerAddress (a proxy carries many clients' connections);
    /// maxConnections still counts them.
    std::function<bool(const std::string& address)> uncappedAddress;
    std::size_t maxConnections = limits::kMaxConnections;
    std::chrono::milliseconds shutdownGrace = limits::kShutdownGrace;
    std::string tlsCert;  ///< PEM files; both set: HTTPS only
    std::string tlsKey;
};

/// An HTTP/1.1 server with keep-alive, event-driven: connections wait for
/// their bytes without holding a thread, each request must arrive whole
/// within a deadline, and routes are exact paths.
class Server {
public:
    /// Throws std::invalid_argument for half a TLS pair, std::runtime_error
    /// for a certificate or key that cannot be read.
    explicit Server(ServerOptions options);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    /// Adds a route; requests to `path` with another method get NotFound.
    void route(std::string method, std::string path, std::size_t maxBodyBytes, Handler handler,
               HeadCheck headCheck = {});
    /// Fills the answer to a refusal; `req` holds what had arrived (maybe nothing).
    void setRefusalHandler(std::function<void(Refusal, const Request& req, Response& res)> handler);
    /// Called once for every answer sent, refusals included.
    void setLogger(std::function<void(const Request&, const Response&)> logger);

    /// Binds and listens; returns the port (the chosen one for port 0).
    /// Throws std::runtime_error naming the address when it cannot.
    int bind(const std::string& host, int port);
    /// Serves until stop(); false when serving failed.
    bool run();
    /// Stops taking connections, lets the requests under way finish (within
    /// the shutdown grace), then run() returns. Safe from any thread, at any
    /// time, more than once; before run() it makes run() return at once.
    void stop();
    bool isRunning() const;

    struct Impl;

private:
    std::shared_ptr<Impl> impl_;
};

}  // namespace appserver::http

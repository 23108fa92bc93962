// The HTTP transport of the application server, over Boost.Beast. Every
// connection waits for its bytes without holding a thread: a thread is taken
// only by a request that has wholly arrived, within its limits and deadline,
// and by the input and output themselves, which never block.
#include "appserver/http/server.h"

#include <fmt/format.h>
#include <spdlog/spdlog.h>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <unordered_map>

namespace appserver::http {

namespace beast = boost::beast;
namespace bhttp = boost::beast::http;
namespace net = boost::asio;
namespace ssl = boost::asio::ssl;
using tcp = boost::asio::ip::tcp;
using beast::error_code;

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

/// Bytes read at a time while a connection waits for its next request.
constexpr std::size_t kReadChunk = 4096;
/// After an answer that ends a connection, how long the rest of what the
/// client still sends is read and dropped, so that the answer is not lost to
/// a reset.
constexpr std::chrono::milliseconds kLingerTime{2000};

struct Route {
    std::string method;
    std::string path;
    std::size_t maxBodyBytes;
    Handler handler;
    HeadCheck headCheck;
};

/// A connection as the server keeps track of it.
class ConnectionBase : public std::enable_shared_from_this<ConnectionBase> {
public:
    virtual ~ConnectionBase() = default;
    virtual void start() = 0;
    /// The server stops: a connection waiting for a request closes, one
    /// with a request under way closes after answering it.
    virtual void notifyStopping() = 0;
    /// The shutdown grace is over: close whatever is under way.
    virtual void notifyForceClose() = 0;
};

}  // namespace

std::string Request::get_header_value(std::string_view name) const {
    for (const auto& [key, value] : headers)
        if (equalsNoCase(key, name)) return value;
    return {};
}

bool Request::has_header(std::string_view name) const {
    return std::any_of(headers.begin(), headers.end(),
                       [&](const auto& h) { return equalsNoCase(h.first, name); });
}

struct Server::Impl {
    explicit Impl(ServerOptions o) : options(std::move(o)) {
        const std::size_t n = std::max<std::size_t>(1, options.threads);
        for (std::size_t i = 0; i < n; ++i)
            contexts.push_back(std::make_unique<net::io_context>(1));
        acceptor.emplace(*contexts[0]);
        retryTimer.emplace(*contexts[0]);
        graceTimer.emplace(*contexts[0]);
    }

    ServerOptions options;
    std::vector<Route> routes;
    std::size_t largestBody = 0;
    std::function<void(Refusal, const Request&, Response&)> refusalHandler;
    std::function<void(const Request&, const Response&)> logger;

    // Declared before the I/O context: connections still pending when it is
    // destroyed unregister themselves here, and TLS streams need their context.
    std::mutex mutex;
    std::unordered_map<ConnectionBase*, std::weak_ptr<ConnectionBase>> live;
    std::unordered_map<std::string, std::size_t> perAddress;
    std::size_t counted = 0;
    bool serving = false;  ///< run() is in its loop; under `mutex`
    std::optional<ssl::context> tls;

    // One I/O context per thread, each run by its thread alone: a
    // connection lives on one of them from accept to close, so its reads,
    // handlers and writes follow each other on one thread with no hand-over,
    // and no lock is shared by all requests. A handler that blocks holds up
    // only the connections of its own thread, which wait for it anyway in
    // a thread-per-request server.
    std::vector<std::unique_ptr<net::io_context>> contexts;
    std::size_t nextContext = 0;
    std::optional<tcp::acceptor> acceptor;
    std::optional<net::steady_timer> retryTimer;
    std::optional<net::steady_timer> graceTimer;
    std::atomic<bool> stopping{false};
    std::atomic<bool> running{false};

    const Route* findRoute(std::string_view method, std::string_view path, bool& pathKnown) const {
        pathKnown = false;
        for (const Route& r : routes) {
            if (r.path != path) continue;
            pathKnown = true;
            if (r.method == method) return &r;
        }
        return nullptr;
    }

    void refuse(Refusal kind, const Request& req, Response& res) const {
        res = Response{};
        if (refusalHandler) {
            refusalHandler(kind, req, res);
            return;
        }
        res.status = 400;
    }

    void log(const Request& req, const Response& res) const {
        if (logger) logger(req, res);
    }

    void doAccept();
    void onAccept(error_code ec, tcp::socket socket);
    void adopt(const std::shared_ptr<ConnectionBase>& connection);
    void forget(ConnectionBase* connection, const std::string& address, bool counts);
    void beginShutdown();
    void runLoop(net::io_context& ioc);
    void stopContexts() {
        for (auto& c : contexts) c->stop();
    }
};

namespace {

template <class Stream>
class Connection final : public ConnectionBase {
public:
    static constexpr bool kTls = !std::is_same_v<Stream, beast::tcp_stream>;

    Connection(Server::Impl& server, Stream stream, std::string address, bool counts,
               std::optional<Refusal> refusal)
        : server_(server),
          stream_(std::move(stream)),
          buffer_(server.options.maxHeaderBytes + 65536),
          deadline_(lowest().get_executor()),
          address_(std::move(address)),
          counts_(counts),
          refusal_(refusal) {}

    ~Connection() override { server_.forget(this, address_, counts_); }

    void start() override {
        // Everything of the connection runs on the thread of its I/O context.
        net::post(lowest().get_executor(), [self = self()] { self->begin(); });
    }

    void notifyStopping() override {
        net::post(lowest().get_executor(), [self = self()] {
            // A request that has begun to arrive is let finish, within its deadline.
            if (self->phase_ == Phase::Idle) self->close();
        });
    }

    void notifyForceClose() override {
        net::post(lowest().get_executor(), [self = self()] { self->close(); });
    }

private:
    enum class Phase { Idle, Reading, Handling, Writing, Closing };

    void begin() {
        if (refusal_) {
            // A connection over the caps is told so and closed at once.
            request_.remote_addr = address_;
            refuse(*refusal_);
            return;
        }
        if constexpr (kTls) {
            arm(server_.options.requestDeadline);
            stream_.async_handshake(ssl::stream_base::server, [self = self()](error_code ec) {
                if (ec) return self->close();
                self->readNext();
            });
        } else {
            readNext();
        }
    }

    std::shared_ptr<Connection> self() {
        return std::static_pointer_cast<Connection>(shared_from_this());
    }
    beast::tcp_stream& lowest() { return beast::get_lowest_layer(stream_); }

    void readNext() {
        request_ = Request{};
        request_.remote_addr = address_;
        version_ = 11;
        if (server_.stopping) return close();
        phase_ = Phase::Idle;
        if (buffer_.size() > 0) return readHeader();
        // Waiting for a request costs no thread and no deadline runs yet:
        // only the keep-alive idle time.
        arm(server_.options.keepAliveIdle);
        stream_.async_read_some(buffer_.prepare(kReadChunk),
                                [self = self()](error_code ec, std::size_t n) {
                                    if (ec) return self->close();
                                    self->buffer_.commit(n);
                                    self->readHeader();
                                });
    }

    void readHeader() {
        phase_ = Phase::Reading;
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(server_.options.maxHeaderBytes));
        parser_->body_limit(server_.largestBody);
        // The deadline runs from the request's first byte to its last, headers and body.
        timedOut_ = false;
        arm(server_.options.requestDeadline);
        bhttp::async_read_header(
            stream_, buffer_, *parser_,
            [self = self()](error_code ec, std::size_t) { self->onHeader(ec); });
    }

    /// The one timer of the connection, for whatever it waits for: its
    /// TLS handshake, its next request, the rest of a request, an answer to
    /// be written, the end of a lingering close. Past a request's deadline
    /// the reading is cancelled so that the 408 can still be said; in any
    /// other phase the connection is closed.
    void arm(std::chrono::milliseconds after) {
        const unsigned serial = ++timerSerial_;
        deadline_.expires_after(after);
        deadline_.async_wait([self = self(), serial](error_code ec) {
            if (ec || serial != self->timerSerial_) return;
            if (self->phase_ == Phase::Reading) {
                self->timedOut_ = true;
                error_code ignored;  // cancelling what may have just completed is harmless
                self->lowest().socket().cancel(ignored);
                return;
            }
            if (self->phase_ != Phase::Handling) self->close();
        });
    }

    void disarm() {
        ++timerSerial_;
        deadline_.cancel();
    }

    static bool closedByPeer(const error_code& ec) {
        return ec == bhttp::error::end_of_stream || ec == net::error::eof ||
               ec == net::error::connection_reset || ec == net::error::operation_aborted ||
               ec == net::error::broken_pipe || ec == ssl::error::stream_truncated;
    }

    static Refusal refusalOf(const error_code& ec) {
        if (ec == beast::error::timeout) return Refusal::Timeout;
        if (ec == bhttp::error::header_limit || ec == bhttp::error::buffer_overflow)
            return Refusal::HeadersTooLarge;
        if (ec == bhttp::error::body_limit) return Refusal::BodyTooLarge;
        return Refusal::BadRequest;
    }

    void fillHead() {
        const auto& msg = parser_->get();
        request_.method = std::string(msg.method_string());
        const std::string_view target(msg.target().data(), msg.target().size());
        request_.path = std::string(target.substr(0, target.find('?')));
        request_.headers.clear();
        for (const auto& f : msg)
            request_.headers.emplace_back(std::string(f.name_string()), std::string(f.value()));
        version_ = msg.version() == 10 ? 10 : 11;
    }

    void onHeader(error_code ec) {
        if (timedOut_) ec = beast::error::timeout;
        if (ec && closedByPeer(ec)) return close();
        fillHead();
        if (ec) return refuse(refusalOf(ec));
        const auto& msg = parser_->get();
        if (msg.version() != 10 && msg.version() != 11) return refuse(Refusal::BadRequest);
        if (request_.headers.size() > server_.options.maxHeaderFields)
            return refuse(Refusal::HeadersTooLarge);
        bool pathKnown = false;
        route_ = server_.findRoute(request_.method, request_.path, pathKnown);
        if (!route_) return refuse(Refusal::NotFound, !parser_->is_done());
        // Compressed bodies are not taken: decoding one would hold far more
        // than the bytes that arrived.
        const auto encoding = trimmed(std::string_view(msg[bhttp::field::content_encoding].data(),
                                                       msg[bhttp::field::content_encoding].size()));
        const auto transfer =
            trimmed(std::string_view(msg[bhttp::field::transfer_encoding].data(),
                                     msg[bhttp::field::transfer_encoding].size()));
        if ((!encoding.empty() && !equalsNoCase(encoding, "identity")) ||
            (!transfer.empty() && !equalsNoCase(transfer, "chunked")))
            return refuse(Refusal::UnsupportedEncoding);
        if (auto length = parser_->content_length(); length && *length > route_->maxBodyBytes)
            return refuse(Refusal::BodyTooLarge);
        parser_->body_limit(route_->maxBodyBytes);
        if (route_->headCheck) {
            Response res;
            if (!route_->headCheck(request_, res)) return send(std::move(res), !parser_->is_done());
        }
        if (parser_->is_done()) return onBody({});
        const auto expect = msg[bhttp::field::expect];
        if (equalsNoCase(std::string_view(expect.data(), expect.size()), "100-continue")) {
            continue_.emplace(bhttp::status::continue_, msg.version());
            bhttp::async_write(stream_, *continue_, [self = self()](error_code e, std::size_t) {
                if (self->timedOut_) return self->refuse(Refusal::Timeout);
                if (e) return self->close();
                self->readBody();
            });
            return;
        }
        readBody();
    }

    void readBody() {
        bhttp::async_read(stream_, buffer_, *parser_,
                          [self = self()](error_code ec, std::size_t) { self->onBody(ec); });
    }

    void onBody(error_code ec) {
        if (timedOut_) ec = beast::error::timeout;
        if (ec && closedByPeer(ec)) return close();
        if (ec) return refuse(refusalOf(ec));
        disarm();
        phase_ = Phase::Handling;
        const bool keepAlive = parser_->get().keep_alive();
        request_.body = std::move(parser_->get().body());
        parser_.reset();
        Response res;
        try {
            route_->handler(request_, res);
        } catch (const std::exception& e) {
            spdlog::error("{} {}: {}", request_.method, request_.path, e.what());
            server_.refuse(Refusal::HandlerFailed, request_, res);
        }
        send(std::move(res), !keepAlive);
    }

    /// Answers a refusal; the connection ends unless the request is known
    /// to be wholly read, since what is left of it cannot be told apart from
    /// a next one.
    void refuse(Refusal kind, bool closeAfter = true) {
        Response res;
        server_.refuse(kind, request_, res);
        send(std::move(res), closeAfter);
    }

    void send(Response res, bool closeAfter) {
        server_.log(request_, res);
        phase_ = Phase::Writing;
        const bool keep = !closeAfter && !server_.stopping;
        response_.emplace();
        response_->version(version_);
        response_->result(static_cast<unsigned>(res.status));
        if (!res.content_type.empty()) response_->set(bhttp::field::content_type, res.content_type);
        for (auto& [name, value] : res.headers) response_->insert(name, value);
        response_->body() = std::move(res.body);
        response_->keep_alive(keep);
        response_->prepare_payload();
        arm(server_.options.writeDeadline);
        bhttp::async_write(stream_, *response_, [self = self(), keep](error_code ec, std::size_t) {
            self->response_.reset();
            if (ec) return self->close();
            if (!keep) return self->linger();
            self->readNext();
        });
    }

    /// Ends the connection after its last answer: no more is sent, and what
    /// the client still sends is dropped until it closes or the time is up.
    void linger() {
        phase_ = Phase::Closing;
        error_code
            ignored;  // a socket the client already closed cannot be shut down, and needs not be
        lowest().socket().shutdown(tcp::socket::shutdown_send, ignored);
        arm(std::min(kLingerTime, server_.options.requestDeadline));
        drain();
    }

    void drain() {
        lowest().async_read_some(net::buffer(scratch_),
                                 [self = self()](error_code ec, std::size_t) {
                                     if (ec) return self->close();
                                     self->drain();
                                 });
    }

    void close() {
        phase_ = Phase::Closing;
        disarm();
        lowest().close();
    }

    Server::Impl& server_;
    Stream stream_;
    beast::flat_buffer buffer_;
    net::steady_timer deadline_;
    unsigned timerSerial_ = 0;
    bool timedOut_ = false;
    std::string address_;
    bool counts_;
    std::optional<Refusal> refusal_;
    Phase phase_ = Phase::Idle;
    unsigned version_ = 11;
    const Route* route_ = nullptr;
    Request request_;
    std::optional<bhttp::request_parser<bhttp::string_body>> parser_;
    std::optional<bhttp::response<bhttp::empty_body>> continue_;
    std::optional<bhttp::response<bhttp::string_body>> response_;
    std::array<char, kReadChunk> scratch_{};
};

}  // namespace

void Server::Impl::doAccept() {
    net::io_context& home = *contexts[nextContext++ % contexts.size()];
    acceptor->async_accept(
        home, [this](error_code ec, tcp::socket socket) { onAccept(ec, std::move(socket)); });
}

void Server::Impl::onAccept(error_code ec, tcp::socket socket) {
    if (stopping || ec == net::error::operation_aborted) return;
    if (ec) {
        // Out of descriptors, most likely: accepting again at once would spin.
        spdlog::warn("Falha ao aceitar uma conexão: {}", ec.message());
        retryTimer->expires_after(std::chrono::milliseconds(100));
        retryTimer->async_wait([this](error_code e) {
            if (!e && !stopping) doAccept();
        });
        return;
    }
    error_code addressError;
    std::string address = socket.remote_endpoint(addressError).address().to_string();
    if (addressError) {
        doAccept();
        return;  // the client is already gone
    }
    std::optional<Refusal> refusal;
    {
        std::lock_guard lock(mutex);
        auto& fromAddress = perAddress[address];
        const bool capped = !options.uncappedAddress || !options.uncappedAddress(address);
        if (counted >= options.maxConnections ||
            (capped && fromAddress >= options.maxConnectionsPerAddress)) {
            refusal = Refusal::TooManyConnections;
            if (fromAddress == 0) perAddress.erase(address);
        } else {
            ++fromAddress;
            ++counted;
        }
    }
    error_code ignored;  // without it the connection still works, only slower
    socket.set_option(tcp::no_delay(true), ignored);
    if (tls) {
        // Over TLS a refusal could only be said after a handshake, which is
        // what the cap is there to spare: the connection is just closed.
        if (refusal) {
            doAccept();
            return;
        }
        using TlsStream = beast::ssl_stream<beast::tcp_stream>;
        adopt(std::make_shared<Connection<TlsStream>>(*this, TlsStream(std::move(socket), *tls),
                                                      std::move(address), true, std::nullopt));
    } else {
        const bool counts = !refusal;
        adopt(std::make_shared<Connection<beast::tcp_stream>>(
            *this, beast::tcp_stream(std::move(socket)), std::move(address), counts, refusal));
    }
    doAccept();
}

void Server::Impl::adopt(const std::shared_ptr<ConnectionBase>& connection) {
    {
        std::lock_guard lock(mutex);
        live.emplace(connection.get(), connection);
    }
    connection->start();
}

void Server::Impl::forget(ConnectionBase* connection, const std::string& address, bool counts) {
    std::lock_guard lock(mutex);
    live.erase(connection);
    if (counts) {
        --counted;
        auto it = perAddress.find(address);
        if (it != perAddress.end() && --it->second == 0) perAddress.erase(it);
    }
    if (stopping && serving && live.empty()) stopContexts();
}

void Server::Impl::beginShutdown() {
    error_code ignored;  // a listening socket that is already closed is what is wanted
    acceptor->close(ignored);
    retryTimer->cancel();
    std::vector<std::shared_ptr<ConnectionBase>> connections;
    {
        std::lock_guard lock(mutex);
        for (auto& [ptr, weak] : live)
            if (auto c = weak.lock()) connections.push_back(std::move(c));
        if (connections.empty()) {
            stopContexts();
            return;
        }
    }
    for (auto& c : connections) c->notifyStopping();
    graceTimer->expires_after(options.shutdownGrace);
    graceTimer->async_wait([this](error_code ec) {
        if (ec) return;
        std::vector<std::shared_ptr<ConnectionBase>> remaining;
        {
            std::lock_guard lock(mutex);
            for (auto& [ptr, weak] : live)
                if (auto c = weak.lock()) remaining.push_back(std::move(c));
        }
        if (!remaining.empty())
            spdlog::warn("{} conexão(ões) ainda em andamento após {} ms: fechadas",
                         remaining.size(), options.shutdownGrace.count());
        for (auto& c : remaining) c->notifyForceClose();
    });
}

void Server::Impl::runLoop(net::io_context& ioc) {
    for (;;) {
        try {
            ioc.run();
            return;
        } catch (const std::exception& e) {
            // A fault in one connection's handling must not end the service.
            spdlog::error("Falha no atendimento de uma conexão: {}", e.what());
        }
    }
}

Server::Server(ServerOptions options) : impl_(std::make_shared<Impl>(std::move(options))) {
    const auto& o = impl_->options;
    if (o.tlsCert.empty() != o.tlsKey.empty())
        throw std::invalid_argument("TLS precisa de --tls-cert e --tls-key juntos");
    if (!o.tlsCert.empty()) {
        try {
            auto& ctx = impl_->tls.emplace(ssl::context::tls_server);
            ctx.set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                            ssl::context::no_sslv3 | ssl::context::no_tlsv1 |
                            ssl::context::no_tlsv1_1);
            ctx.use_certificate_chain_file(o.tlsCert);
            ctx.use_private_key_file(o.tlsKey, ssl::context::pem);
        } catch (const std::exception& e) {
            throw std::runtime_error(fmt::format("Certificado ou chave TLS inválidos ({}, {}): {}",
                                                 o.tlsCert, o.tlsKey, e.what()));
        }
    }
}

Server::~Server() {
    stop();
}

void Server::route(std::string method, std::string path, std::size_t maxBodyBytes, Handler handler,
                   HeadCheck headCheck) {
    impl_->largestBody = std::max(impl_->largestBody, maxBodyBytes);
    impl_->routes.push_back({std::move(method), std::move(path), maxBodyBytes, std::move(handler),
                             std::move(headCheck)});
}

void Server::setRefusalHandler(std::function<void(Refusal, const Request&, Response&)> handler) {
    impl_->refusalHandler = std::move(handler);
}

void Server::setLogger(std::function<void(const Request&, const Response&)> logger) {
    impl_->logger = std::move(logger);
}

int Server::bind(const std::string& host, int port) {
    Impl& s = *impl_;
    error_code ec;
    tcp::resolver resolver(*s.contexts[0]);
    const auto found = resolver.resolve(
        host, std::to_string(port), tcp::resolver::passive | tcp::resolver::numeric_service, ec);
    if (ec || found.empty())
        throw std::runtime_error(
            fmt::format("Não foi possível escutar em {}:{} (endereço inválido: {})", host, port,
                        ec ? ec.message() : "nenhum endereço"));
    const tcp::endpoint endpoint = found.begin()->endpoint();
    s.acceptor->open(endpoint.protocol(), ec);
    if (!ec) s.acceptor->set_option(net::socket_base::reuse_address(true), ec);
    if (!ec) s.acceptor->bind(endpoint, ec);
    // A wide queue: clients that connect at once wait in it rather than have
    // their attempts dropped and retried a second later.
    if (!ec) s.acceptor->listen(net::socket_base::max_listen_connections, ec);
    if (ec) {
        error_code ignored;  // the socket is given up either way
        s.acceptor->close(ignored);
        throw std::runtime_error(
            fmt::format("Não foi possível escutar em {}:{} ({})", host, port, ec.message()));
    }
    return s.acceptor->local_endpoint().port();
}

bool Server::run() {
    Impl& s = *impl_;
    if (s.stopping) return true;
    if (!s.acceptor->is_open()) return false;
    {
        std::lock_guard lock(s.mutex);
        s.serving = true;
    }
    s.running = true;
    s.doAccept();
    std::vector<std::thread> threads;
    // Each context runs until stopped, also while it has no connection.
    std::vector<net::executor_work_guard<net::io_context::executor_type>> work;
    for (auto& c : s.contexts) work.push_back(net::make_work_guard(*c));
    for (std::size_t i = 1; i < s.contexts.size(); ++i)
        threads.emplace_back([&s, i] { s.runLoop(*s.contexts[i]); });
    s.runLoop(*s.contexts[0]);
    for (auto& t : threads) t.join();
    {
        std::lock_guard lock(s.mutex);
        s.serving = false;
    }
    s.running = false;
    return true;
}

void Server::stop() {
    Impl& s = *impl_;
    if (s.stopping.exchange(true)) return;
    net::post(*s.contexts[0], [&s] { s.beginShutdown(); });
}

bool Server::isRunning() const {
    return impl_->running;
}

}  // namespace appserver::http

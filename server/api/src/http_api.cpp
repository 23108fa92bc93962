#include "http_api.h"

#include <fmt/format.h>
#include <spdlog/spdlog.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <string_view>

#include "appserver/api/call_decoder.h"
#include "appserver/remote/api_error.h"
#include "appserver/storage/database_error.h"
#include "error_form.h"
#include "platform/dataset/errors.h"

namespace appserver {

using nlohmann::json;

namespace {

constexpr const char* kJson = "application/json; charset=utf-8";

void sendError(http::Response& res, ErrorCode code, const std::string& message) {
    res.status = errorCodeStatus(code);
    res.set_content(json{{"error", {{"code", errorCodeName(code)}, {"message", message}}}}.dump(),
                    kJson);
}

void sendJson(http::Response& res, const json& body) {
    res.status = 200;
    res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), kJson);
}

json parseBody(const http::Request& req) {
    try {
        return json::parse(req.body);
    } catch (const json::parse_error&) {
        throw badRequest("O corpo da requisição não é um JSON válido.");
    }
}

bool sameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string requiredText(const json& body, const char* key) {
    auto it = body.find(key);
    if (it == body.end() || !it->is_string())
        throw badRequest(fmt::format("Informe \"{}\" como texto.", key));
    std::string text = it->get<std::string>();
    checkTextArgument(text, fmt::format("\"{}\"", key));
    return text;
}

/// A database that cannot answer now (restarting, failing over, a lock held
/// too long): 503, and when to try again.
void sendUnavailable(const http::Request& req, http::Response& res, const DatabaseUnavailable& e) {
    spdlog::warn("{} {}: {}", req.method, req.path, e.what());
    res.set_header("Retry-After", std::to_string(e.retryAfter().count()));
    sendError(res, ErrorCode::Unavailable, e.userMessage());
}

/// Runs a handler and turns every failure into the protocol's error form.
template <typename F>
http::Handler guarded(F&& f) {
    return [f = std::forward<F>(f)](const http::Request& req, http::Response& res) {
        try {
            f(req, res);
        } catch (const ApiError& e) {
            sendError(res, e.code(), e.what());
        } catch (const platform::dataset::Error& e) {
            sendError(res, ErrorCode::BadRequest, e.what());
        } catch (const DatabaseUnavailable& e) {
            sendUnavailable(req, res, e);
        } catch (const std::exception& e) {
            spdlog::error("{} {}: {}", req.method, req.path, failureText(e));
            sendError(res, ErrorCode::Internal,
                      "Erro interno do servidor. Tente novamente; se persistir, avise o suporte.");
        }
    };
}

}  // namespace

HttpApi::HttpApi(Database& db, const ServerClock& clock, const ServerSettings& settings)
    : db_(db),
      modules_(db, clock, settings.workTeamAge),
      sessions_(db, settings.sessionIdle, settings.sessionMaxAge),
      login_(db, sessions_, settings),
      trustedProxies_(settings.trustedProxies),
      maxBodyBytes_(settings.maxBodyBytes) {}

TrustedProxies::Client HttpApi::client(const http::Request& req) const {
    if (trustedProxies_.empty()) return {req.remote_addr, false};
    // A proxy may add its own header field rather than extend the client's:
    // the fields in their order make one list.
    std::string forwarded;
    for (const auto& [name, value] : req.headers) {
        if (!sameLetters(name, "X-Forwarded-For")) continue;
        if (!forwarded.empty()) forwarded += ',';
        forwarded += value;
    }
    return trustedProxies_.clientOf(req.remote_addr, forwarded);
}

namespace {

/// The answer to what the transport refuses by itself, in the protocol's error form.
void sendRefusal(http::Refusal kind, const http::Request& req, http::Response& res,
                 std::size_t maxBodyBytes) {
    using http::Refusal;
    switch (kind) {
        case Refusal::BadRequest:
            sendError(res, ErrorCode::BadRequest, "Requisição HTTP malformada.");
            return;
        case Refusal::NotFound:
            sendError(res, ErrorCode::NotFound,
                      fmt::format("O endereço {} {} não existe.", req.method, req.path));
            return;
        case Refusal::BodyTooLarge:
            sendError(res, ErrorCode::TooLarge,
                      req.path == "/v1/login"
                          ? fmt::format("O corpo do login passa de {} KiB.",
                                        limits::kMaxLoginBodyBytes / 1024)
                          : fmt::format("O corpo da requisição passa de {} MiB.",
                                        maxBodyBytes / (1024 * 1024)));
            return;
        case Refusal::HeadersTooLarge:
            sendError(
                res, ErrorCode::HeadersTooLarge,
                fmt::format("Os cabeçalhos da requisição passam de {} KiB ou de {} campos.",
                            http::limits::kMaxHeaderBytes / 1024, http::limits::kMaxHeaderFields));
            return;
        case Refusal::UnsupportedEncoding:
            sendError(res, ErrorCode::UnsupportedMediaType,
                      "Corpos comprimidos não são aceitos: envie o JSON sem Content-Encoding.");
            return;
        case Refusal::Timeout:
            sendError(res, ErrorCode::Timeout, "A requisição não chegou inteira a tempo.");
            return;
        case Refusal::TooManyConnections:
            sendError(
                res, ErrorCode::Throttled,
                "Conexões demais abertas a partir deste endereço. Tente de novo em instantes.");
            return;
        case Refusal::HandlerFailed:
            break;
    }
    sendError(res, ErrorCode::Internal, "Erro interno do servidor.");
}

}  // namespace

void HttpApi::install(http::Server& server) {
    // Bodies are read as JSON whatever their Content-Type: a client that
    // sends a form type (as curl -d does) still gets its JSON read.
    const auto sessionFirst = [this](const http::Request& q, http::Response& r) {
        return hasSession(q, r);
    };
    server.route("POST", "/v1/call", maxBodyBytes_,
                 guarded([this](const auto& q, auto& r) { call(q, r); }), sessionFirst);
    server.route("GET", "/v1/health", 0, guarded([this](const auto& q, auto& r) { health(q, r); }));
    server.route("POST", "/v1/login", limits::kMaxLoginBodyBytes,
                 guarded([this](const auto& q, auto& r) { login(q, r); }));
    server.route("POST", "/v1/logout", limits::kMaxLoginBodyBytes,
                 guarded([this](const auto& q, auto& r) { logout(q, r); }), sessionFirst);

    server.setRefusalHandler(
        [max = maxBodyBytes_](http::Refusal kind, const http::Request& req, http::Response& res) {
            sendRefusal(kind, req, res, max);
        });
    server.setLogger([this](const http::Request& req, const http::Response& res) {
        const TrustedProxies::Client from = client(req);
        // Said here, once for the request, though every use of the address meets it.
        if (from.malformed)
            spdlog::warn(
                "{} {}: X-Forwarded-For \"{}\" de {} sem um endereço no fim; usado o "
                "endereço do proxy",
                req.method, req.path, req.get_header_value("X-Forwarded-For"), req.remote_addr);
        // A refusal is said with its reason. A failure of ours (5xx) was
        // logged where it was caught, once: here it is a debug line like a success.
        if (res.status >= 400 && res.status < 500)
            spdlog::warn("{} {} {} de {}: {}", req.method, req.path, res.status, from.address,
                         res.body);
        else
            spdlog::debug("{} {} {} de {}", req.method, req.path, res.status, from.address);
    });
}

bool HttpApi::hasSession(const http::Request& req, http::Response& res) {
    try {
        authenticate(req);
        return true;
    } catch (const ApiError& e) {
        sendError(res, e.code(), e.what());
        return false;
    } catch (const DatabaseUnavailable& e) {
        sendUnavailable(req, res, e);
        return false;
    }
}

void HttpApi::health(const http::Request&, http::Response& res) {
    db_.check();  // down: 503 with Retry-After, as every other request then
    sendJson(res, {{"status", "ok"}, {"version", APPSERVER_VERSION}});
}

void HttpApi::login(const http::Request& req, http::Response& res) {
    const json body = parseBody(req);
    if (!body.is_object()) throw badRequest("O corpo do login deve ser um objeto JSON.");
    const std::string user = requiredText(body, "user");
    const std::string password = requiredText(body, "password");
    const std::string branch = requiredText(body, "branch");
    const std::string address = client(req).address;
    const LoginService::Result r = login_.login(user, password, branch, address);
    spdlog::info("Login de {} na filial {} a partir de {}", r.session.user, branch, address);
    sendJson(res, {{"token", r.token},
                   {"user", r.session.user},
                   {"name", r.session.name},
                   {"branch", branch}});
}

std::pair<std::string, SessionInfo> HttpApi::authenticate(const http::Request& req) {
    const std::string header = req.get_header_value("Authorization");
    constexpr std::string_view prefix = "Bearer ";
    if (header.size() > prefix.size() && header.compare(0, prefix.size(), prefix) == 0) {
        std::string token = header.substr(prefix.size());
        if (auto s = sessions_.touch(token)) return {std::move(token), std::move(*s)};
    }
    throw ApiError(ErrorCode::Unauthenticated, "Sessão inválida ou expirada. Entre novamente.");
}

void HttpApi::logout(const http::Request& req, http::Response& res) {
    auto [token, session] = authenticate(req);
    sessions_.close(token);
    sendJson(res, json::object());
}

void HttpApi::call(const http::Request& req, http::Response& res) {
    const auto started = std::chrono::steady_clock::now();
    auto [token, session] = authenticate(req);
    CallRequest request = decodeCallBody(req.body);
    const std::string result = modules_.call(session, client(req).address, request.server,
                                             request.method, std::move(request.args));
    res.status = 200;
    res.set_content("{\"result\":" + result + "}", kJson);
    spdlog::debug("{} por {}: {} µs", request.method, session.user,
                  std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now() - started)
                      .count());
}

}  // namespace appserver

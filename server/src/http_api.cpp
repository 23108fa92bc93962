#include "http_api.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>

#include <chrono>

#include "api_error.h"
#include "call_args.h"
#include "database_error.h"
#include "dataset/errors.h"

namespace appserver {

using nlohmann::json;

const char* errorCodeName(ErrorCode code) {
    switch (code) {
        case ErrorCode::BadRequest: return "bad_request";
        case ErrorCode::Unauthenticated: return "unauthenticated";
        case ErrorCode::Forbidden: return "forbidden";
        case ErrorCode::NotFound: return "not_found";
        case ErrorCode::Conflict: return "conflict";
        case ErrorCode::Invalid: return "invalid";
        case ErrorCode::TooLarge: return "too_large";
        case ErrorCode::Throttled: return "too_many_requests";
        case ErrorCode::Internal: return "internal";
        case ErrorCode::Unavailable: return "unavailable";
    }
    return "internal";
}

int errorCodeStatus(ErrorCode code) {
    switch (code) {
        case ErrorCode::BadRequest: return 400;
        case ErrorCode::Unauthenticated: return 401;
        case ErrorCode::Forbidden: return 403;
        case ErrorCode::NotFound: return 404;
        case ErrorCode::Conflict: return 409;
        case ErrorCode::Invalid: return 422;
        case ErrorCode::TooLarge: return 413;
        case ErrorCode::Throttled: return 429;
        case ErrorCode::Internal: return 500;
        case ErrorCode::Unavailable: return 503;
    }
    return 500;
}

namespace {

constexpr const char* kJson = "application/json; charset=utf-8";

void sendError(httplib::Response& res, ErrorCode code, const std::string& message) {
    res.status = errorCodeStatus(code);
    res.set_content(json{{"error", {{"code", errorCodeName(code)}, {"message", message}}}}.dump(), kJson);
}

void sendJson(httplib::Response& res, const json& body) {
    res.status = 200;
    res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), kJson);
}

json parseBody(const httplib::Request& req) {
    try {
        return json::parse(req.body);
    } catch (const json::parse_error&) {
        throw badRequest("O corpo da requisição não é um JSON válido.");
    }
}

std::string requiredText(const json& body, const char* key) {
    auto it = body.find(key);
    if (it == body.end() || !it->is_string()) throw badRequest(fmt::format("Informe \"{}\" como texto.", key));
    return it->get<std::string>();
}

/// Runs a handler and turns every failure into the protocol's error form.
template <typename F>
httplib::Server::Handler guarded(F&& f) {
    return [f = std::forward<F>(f)](const httplib::Request& req, httplib::Response& res) {
        try {
            f(req, res);
        } catch (const ApiError& e) {
            sendError(res, e.code(), e.what());
        } catch (const dataset::Error& e) {
            sendError(res, ErrorCode::BadRequest, e.what());
        } catch (const DatabaseUnavailable& e) {
            spdlog::warn("{} {}: {}", req.method, req.path, e.what());
            res.set_header("Retry-After", std::to_string(e.retryAfter().count()));
            sendError(res, ErrorCode::Unavailable, e.userMessage());
        } catch (const std::exception& e) {
            spdlog::error("{} {}: {}", req.method, req.path, failureText(e));
            sendError(res, ErrorCode::Internal, "Erro interno do servidor. Tente novamente; se persistir, avise o suporte.");
        }
    };
}

}  // namespace

HttpApi::HttpApi(Database& db, const ServerClock& clock, const ServerSettings& settings)
    : db_(db),
      module_(db, clock, settings.workTeamAge),
      sessions_(settings.sessionIdle, settings.sessionMaxAge),
      login_(db, sessions_, settings) {}

void HttpApi::install(httplib::Server& server) {
    // The library tries the routes in the order given, each a pattern match:
    // the call, by far the most frequent, comes first.
    server.Post("/v1/call", guarded([this](const auto& q, auto& r) { call(q, r); }));
    server.Get("/v1/health", guarded([this](const auto& q, auto& r) { health(q, r); }));
    server.Post("/v1/login", guarded([this](const auto& q, auto& r) { login(q, r); }));
    server.Post("/v1/logout", guarded([this](const auto& q, auto& r) { logout(q, r); }));

    // Failures the library answers by itself (unknown path, body too large)
    // get the same error form as ours.
    server.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        switch (res.status) {
            case 413: sendError(res, ErrorCode::TooLarge, "O corpo da requisição passa de 1 MiB."); break;
            case 404: sendError(res, ErrorCode::NotFound, fmt::format("O endereço {} {} não existe.", req.method, req.path)); break;
            case 400: sendError(res, ErrorCode::BadRequest, "Requisição HTTP malformada."); break;
            default:
                if (res.status >= 500) sendError(res, ErrorCode::Internal, "Erro interno do servidor.");
                else sendError(res, ErrorCode::BadRequest, fmt::format("Requisição recusada ({}).", res.status));
        }
        return httplib::Server::HandlerResponse::Handled;
    }));
    server.set_exception_handler([](const httplib::Request& req, httplib::Response& res, std::exception_ptr ep) {
        try {
            std::rethrow_exception(ep);
        } catch (const std::exception& e) {
            spdlog::error("{} {}: {}", req.method, req.path, failureText(e));
        } catch (...) {
            spdlog::error("{} {}: falha desconhecida", req.method, req.path);
        }
        sendError(res, ErrorCode::Internal, "Erro interno do servidor.");
    });
    server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        // A failure of ours was logged where it was caught, once.
        if (res.status >= 500) spdlog::debug("{} {} {} de {}", req.method, req.path, res.status, req.remote_addr);
        else if (res.status >= 400) spdlog::warn("{} {} {} de {}: {}", req.method, req.path, res.status, req.remote_addr, res.body);
        else spdlog::debug("{} {} {} de {}", req.method, req.path, res.status, req.remote_addr);
    });
}

void HttpApi::health(const httplib::Request&, httplib::Response& res) {
    db_.check();  // down: 503 with Retry-After, as every other request then
    sendJson(res, {{"status", "ok"}, {"version", APPSERVER_VERSION}});
}

void HttpApi::login(const httplib::Request& req, httplib::Response& res) {
    const json body = parseBody(req);
    if (!body.is_object()) throw badRequest("O corpo do login deve ser um objeto JSON.");
    const std::string user = requiredText(body, "user");
    const std::string password = requiredText(body, "password");
    const std::string branch = requiredText(body, "branch");
    const LoginService::Result r = login_.login(user, password, branch, req.remote_addr);
    spdlog::info("Login de {} na filial {} a partir de {}", r.session.user, branch, req.remote_addr);
    sendJson(res, {{"token", r.token}, {"user", r.session.user}, {"name", r.session.name}, {"branch", branch}});
}

std::pair<std::string, SessionInfo> HttpApi::authenticate(const httplib::Request& req) {
    const std::string header = req.get_header_value("Authorization");
    constexpr std::string_view prefix = "Bearer ";
    if (header.size() > prefix.size() && header.compare(0, prefix.size(), prefix) == 0) {
        std::string token = header.substr(prefix.size());
        if (auto s = sessions_.touch(token)) return {std::move(token), std::move(*s)};
    }
    throw ApiError(ErrorCode::Unauthenticated, "Sessão inválida ou expirada. Entre novamente.");
}

void HttpApi::logout(const httplib::Request& req, httplib::Response& res) {
    auto [token, session] = authenticate(req);
    sessions_.close(token);
    sendJson(res, json::object());
}

namespace {

/// The call body, parsed by this worker thread's parser; the document stays
/// valid until the thread's next call.
simdjson::dom::object parseCallBody(const std::string& body) {
    thread_local simdjson::dom::parser parser;
    simdjson::dom::element doc;
    if (parser.parse(body).get(doc) != simdjson::SUCCESS) throw badRequest("O corpo da requisição não é um JSON válido.");
    simdjson::dom::object call;
    if (doc.get_object().get(call) != simdjson::SUCCESS) throw badRequest("O corpo da chamada deve ser um objeto JSON.");
    return call;
}

std::string requiredText(simdjson::dom::object body, const char* key) {
    std::string_view text;
    if (body.at_key(key).get_string().get(text) != simdjson::SUCCESS)
        throw badRequest(fmt::format("Informe \"{}\" como texto.", key));
    return std::string(text);
}

}  // namespace

void HttpApi::call(const httplib::Request& req, httplib::Response& res) {
    const auto started = std::chrono::steady_clock::now();
    auto [token, session] = authenticate(req);
    const simdjson::dom::object body = parseCallBody(req.body);
    const std::string server = requiredText(body, "server");
    const std::string method = requiredText(body, "method");
    if (server != ApropriacaoModule::kServerName)
        throw ApiError(ErrorCode::NotFound, fmt::format("Servidor \"{}\" não existe.", server));
    simdjson::dom::element args;
    std::vector<CallArg> callArgs;
    if (body.at_key("args").get(args) == simdjson::SUCCESS) callArgs = parseCallArgs(args);
    const std::string result = module_.call(session, method, std::move(callArgs));
    res.status = 200;
    res.set_content("{\"result\":" + result + "}", kJson);
    spdlog::debug("{} por {}: {} µs", method, session.user,
                  std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count());
}

}  // namespace appserver

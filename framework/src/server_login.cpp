#include <httplib.h>

#include <nlohmann/json.hpp>

#include "framework/errors.h"
#include "framework/net_connection.h"
#include "http_limits.h"

namespace framework {

namespace {

QString text(const nlohmann::json& doc, const char* key) {
    if (!doc.contains(key) || !doc[key].is_string()) return {};
    return QString::fromStdString(doc[key].get<std::string>());
}

QString serverMessage(const std::string& body) {
    const auto doc = nlohmann::json::parse(body, nullptr, false);
    if (doc.is_object() && doc.contains("error") && doc["error"].is_object())
        return text(doc["error"], "message");
    return {};
}

}  // namespace

LoginAnswer ServerLogin(const QString& host, int port, const QString& user, const QString& password,
                        const QString& branch) {
    httplib::Client client(host.toStdString(), port);
    client.set_tcp_nodelay(true);
    client.set_connection_timeout(http::kConnectTimeoutSeconds, 0);
    client.set_read_timeout(http::kReadTimeoutSeconds, 0);
    const nlohmann::json request = {{"user", user.toStdString()},
                                    {"password", password.toStdString()},
                                    {"branch", branch.toStdString()}};
    const auto res = client.Post(http::kLoginPath, request.dump(), "application/json");
    if (!res) {
        RemoteResult unreachable;
        unreachable.status = RemoteResult::Status::ConnectionFailed;
        unreachable.host = host.toStdString();
        unreachable.port = port;
        throw ServerCallError(unreachable.failureText());
    }
    if (res->status == 401) {
        const QString message = serverMessage(res->body);
        throw ServerCallError(message.isEmpty() ? QStringLiteral("Usuário ou senha inválidos.")
                                                : message);
    }
    if (res->status != 200) {
        const QString message = serverMessage(res->body);
        throw ServerCallError(
            message.isEmpty()
                ? QStringLiteral("O servidor de aplicação recusou o login (estado %1).")
                      .arg(res->status)
                : message);
    }
    const auto doc = nlohmann::json::parse(res->body, nullptr, false);
    LoginAnswer answer;
    if (doc.is_object()) {
        answer.token = text(doc, "token");
        answer.user = text(doc, "user");
        answer.name = text(doc, "name");
        answer.branch = text(doc, "branch");
    }
    if (answer.token.isEmpty())
        throw ServerCallError(
            QStringLiteral("Resposta inválida do servidor de aplicação ao login."));
    return answer;
}

}  // namespace framework

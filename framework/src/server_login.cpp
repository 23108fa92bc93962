#include <httplib.h>

#include <nlohmann/json.hpp>

#include "framework/errors.h"
#include "framework/net_connection.h"
#include "http_limits.h"

namespace framework {

namespace {

constexpr const char* kLogin = "login";

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
        throw ServerCallError(
            QStringLiteral("Não foi possível comunicar com o servidor de aplicação em %1:%2. "
                           "Verifique se ele está em execução e se o endereço está correto.")
                .arg(host)
                .arg(port),
            kLogin, {}, 0);
    }
    if (res->status == 401) {
        const QString message = serverMessage(res->body);
        throw ServerCallError(
            message.isEmpty() ? QStringLiteral("Usuário ou senha inválidos.") : message, kLogin,
            "unauthenticated", res->status);
    }
    if (res->status != 200) {
        RemoteResult refused;
        refused.status = RemoteResult::Status::ServerError;
        refused.method = kLogin;
        refused.httpStatus = res->status;
        refused.message = serverMessage(res->body).toStdString();
        if (refused.message.empty())
            refused.message = QStringLiteral("O servidor de aplicação recusou o login (estado %1).")
                                  .arg(res->status)
                                  .toStdString();
        CheckResultServ(refused);
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
            QStringLiteral("Resposta inválida do servidor de aplicação ao login."), kLogin, {},
            res->status);
    return answer;
}

}  // namespace framework

#include "host/session_login.h"

#include "framework/errors.h"
#include "framework/net_connection.h"

namespace host {

QString missingLoginField(const LoginRequest& request) {
    if (request.serverHost.trimmed().isEmpty())
        return QStringLiteral("Informe o servidor de aplicação.");
    if (request.serverPort < 1 || request.serverPort > 65535)
        return QStringLiteral("Informe a porta do servidor (1 a 65535).");
    if (request.user.trimmed().isEmpty()) return QStringLiteral("Informe o código do operador.");
    if (request.password.isEmpty()) return QStringLiteral("Informe a senha.");
    if (request.branch.trimmed().isEmpty()) return QStringLiteral("Informe a filial.");
    return {};
}

framework::LoginValues logIn(const LoginRequest& request) {
    if (const QString missing = missingLoginField(request); !missing.isEmpty())
        throw framework::Error(missing);
    const QString serverHost = request.serverHost.trimmed();
    const framework::LoginAnswer answer =
        framework::ServerLogin(serverHost, request.serverPort, request.user.trimmed(),
                               request.password, request.branch.trimmed());
    framework::LoginValues values;
    values.operador = answer.user.isEmpty() ? request.user.trimmed() : answer.user;
    values.nomeOperador = answer.name;
    values.filial = answer.branch.isEmpty() ? request.branch.trimmed() : answer.branch;
    values.webURL = serverHost;
    values.webPort = request.serverPort;
    values.sessionToken = answer.token;
    framework::SetLoginValues(values);
    return values;
}

}  // namespace host

#include "screen_server.h"

#include <QStringList>
#include <QTemporaryDir>

#include <stdexcept>

#include "framework/corvix.h"
#include "framework/net_connection.h"

namespace screen_testing {

namespace {

QStringList serveArgs(const QTemporaryDir& dir, const QString& seedFile,
                      const QStringList& extraArgs) {
    if (!dir.isValid()) throw std::runtime_error("no temporary folder");
    return QStringList{QStringLiteral("--db"),
                       QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("dados.db")),
                       QStringLiteral("--seed"),
                       seedFile,
                       QStringLiteral("--clock"),
                       QString::fromLatin1(kServerNow)} +
           extraArgs;
}

}  // namespace

ScreenServer::ScreenServer(const QStringList& extraArgs)
    : ScreenServer(QStringLiteral(APROP_SCREEN_SEED), extraArgs) {}

ScreenServer::ScreenServer(const QString& seedFile, const QStringList& extraArgs)
    : server_(QStringLiteral(APROP_APPSERVER), serveArgs(dir_, seedFile, extraArgs), 20) {}

ScreenServer::~ScreenServer() {
    framework::SetLoginValues({});
}

void ScreenServer::logIn(const QString& user, const QString& password, const QString& branch) {
    const QString host = QStringLiteral("127.0.0.1");
    const framework::LoginAnswer answer =
        framework::ServerLogin(host, port(), user, password, branch);
    framework::LoginValues values;
    values.operador = answer.user;
    values.nomeOperador = answer.name;
    values.filial = answer.branch;
    values.webURL = host;
    values.webPort = port();
    values.sessionToken = answer.token;
    framework::SetLoginValues(values);
}

}  // namespace screen_testing

#include "screen_server.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <stdexcept>

#include <signal.h>
#include <sys/prctl.h>

#include "framework/corvix.h"
#include "framework/net_connection.h"

namespace screen_testing {

ScreenServer::ScreenServer() {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
    const QString portFile = dir_.filePath(QStringLiteral("port"));
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test that dies takes its server with it.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_.start(
        QStringLiteral(APROP_APPSERVER),
        {QStringLiteral("serve"), QStringLiteral("--db"),
         QStringLiteral("sqlite:") + dir_.filePath(QStringLiteral("dados.db")),
         QStringLiteral("--seed"), QStringLiteral(APROP_SCREEN_SEED), QStringLiteral("--clock"),
         QString::fromLatin1(kServerNow), QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
         QStringLiteral("--port-file"), portFile, QStringLiteral("--log-level"),
         QStringLiteral("warn")});
    if (!process_.waitForStarted(10000)) throw std::runtime_error("appserver did not start");
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly)) {
            port_ = file.readAll().trimmed().toInt();
            if (port_ > 0) return;
        }
        if (process_.state() != QProcess::Running) break;
        QThread::msleep(20);
    }
    process_.kill();
    process_.waitForFinished(5000);
    throw std::runtime_error("appserver did not report its port");
}

ScreenServer::~ScreenServer() {
    framework::SetLoginValues({});
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

void ScreenServer::logIn(const QString& user, const QString& password, const QString& branch) {
    const QString host = QStringLiteral("127.0.0.1");
    const framework::LoginAnswer answer =
        framework::ServerLogin(host, port_, user, password, branch);
    framework::LoginValues values;
    values.operador = answer.user;
    values.nomeOperador = answer.name;
    values.filial = answer.branch;
    values.webURL = host;
    values.webPort = port_;
    values.sessionToken = answer.token;
    framework::SetLoginValues(values);
}

}  // namespace screen_testing

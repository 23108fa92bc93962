#include "appserver_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <stdexcept>

#include <signal.h>
#include <sys/prctl.h>

namespace aprop_testing {

AppServerProcess::AppServerProcess(const QString& appserver, const QStringList& serveArgs,
                                   int startSeconds) {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder for the server's port file");
    const QString portFile = dir_.filePath(QStringLiteral("port"));
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    QStringList args{QStringLiteral("serve")};
    args << serveArgs << QStringList{QStringLiteral("--listen"),    QStringLiteral("127.0.0.1:0"),
                                     QStringLiteral("--port-file"), portFile,
                                     QStringLiteral("--log-level"), QStringLiteral("warn")};
    process_.start(appserver, args);
    if (!process_.waitForStarted(10000))
        throw std::runtime_error("appserver did not start: " + appserver.toStdString());
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < startSeconds * 1000) {
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
    throw std::runtime_error("appserver did not report its port within " +
                             std::to_string(startSeconds) + " s");
}

AppServerProcess::~AppServerProcess() {
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

}  // namespace aprop_testing

#include "appserver_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <stdexcept>

#include <signal.h>
#include <sys/prctl.h>

namespace aprop_testing {

AppServerProcess::AppServerProcess(const QString& appserver, const QStringList& serveArgs,
                                   int startSeconds)
    : appserver_(appserver), serveArgs_(serveArgs), startSeconds_(startSeconds) {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder for the server's port file");
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    launch(0);
}

AppServerProcess::~AppServerProcess() {
    stop();
}

void AppServerProcess::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

void AppServerProcess::start() {
    if (running()) return;
    launch(port_);
}

void AppServerProcess::launch(int port) {
    const QString portFile = dir_.filePath(QStringLiteral("port"));
    QFile::remove(portFile);
    QStringList args{QStringLiteral("serve")};
    args << serveArgs_
         << QStringList{QStringLiteral("--listen"),    QStringLiteral("127.0.0.1:%1").arg(port),
                        QStringLiteral("--port-file"), portFile,
                        QStringLiteral("--log-level"), QStringLiteral("warn")};
    process_.start(appserver_, args);
    if (!process_.waitForStarted(10000))
        throw std::runtime_error("appserver did not start: " + appserver_.toStdString());
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < startSeconds_ * 1000) {
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
                             std::to_string(startSeconds_) + " s");
}

}  // namespace aprop_testing

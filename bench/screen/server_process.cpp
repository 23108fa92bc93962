#include "server_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <stdexcept>

#include <signal.h>
#include <sys/prctl.h>

namespace screen_bench {

ServerProcess::ServerProcess(const QString& appserver, const QString& databasePath, const QString& clock) {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder for the server's port file");
    const QString portFile = dir_.filePath(QStringLiteral("port"));
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A benchmark that dies takes its server with it.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_.start(appserver, {QStringLiteral("serve"), QStringLiteral("--db"), QStringLiteral("sqlite:") + databasePath,
                               QStringLiteral("--clock"), clock, QStringLiteral("--listen"),
                               QStringLiteral("127.0.0.1:0"), QStringLiteral("--port-file"), portFile,
                               QStringLiteral("--log-level"), QStringLiteral("warn")});
    if (!process_.waitForStarted(10000))
        throw std::runtime_error("appserver did not start: " + appserver.toStdString());
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 60000) {
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
    throw std::runtime_error("appserver did not report its port within 60 s");
}

ServerProcess::~ServerProcess() {
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

}  // namespace screen_bench

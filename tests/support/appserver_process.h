#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace aprop_testing {

/// `appserver serve` as a child process on a free loopback port, for tests
/// and benchmarks that talk to a real server; stopped at the end. A parent
/// that dies takes its server with it.
class AppServerProcess {
public:
    /// `serveArgs` follow "serve" (at least --db); the listening address,
    /// port file and log level are added here. Throws when the server does
    /// not report its port within `startSeconds`.
    AppServerProcess(const QString& appserver, const QStringList& serveArgs, int startSeconds = 60);
    ~AppServerProcess();
    AppServerProcess(const AppServerProcess&) = delete;
    AppServerProcess& operator=(const AppServerProcess&) = delete;

    int port() const { return port_; }
    /// A folder that lives as long as the server (for its database, say).
    QString filePath(const QString& name) const { return dir_.filePath(name); }

    /// Stops the server as its service does (SIGTERM), waiting for it.
    void stop();
    /// Starts it again with the same arguments, on the same port: a restart
    /// as its clients see it. Throws as the constructor does.
    void start();
    bool running() const { return process_.state() == QProcess::Running; }

private:
    void launch(int port);

    QTemporaryDir dir_;
    QProcess process_;
    QString appserver_;
    QStringList serveArgs_;
    int startSeconds_;
    int port_ = 0;
};

}  // namespace aprop_testing

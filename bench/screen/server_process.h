#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace screen_bench {

/// `appserver serve` on a free loopback port over an existing SQLite
/// database, with its clock started at `clock`; stopped at the end.
class ServerProcess {
public:
    ServerProcess(const QString& appserver, const QString& databasePath, const QString& clock);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const { return port_; }

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

}  // namespace screen_bench

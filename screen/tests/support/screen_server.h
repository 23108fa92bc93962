#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "appserver_process.h"

namespace screen_testing {

/// The server's "now" in the screen's tests: Monday 2025-03-31, 10:00:00,
/// a day the local clock is far from.
inline constexpr const char* kServerNow = "2025-03-31T10:00:00";

/// A real appserver on a free loopback port, over a temporary SQLite
/// database seeded from the screen's fixture (or the one given); stopped at
/// the end.
class ScreenServer {
public:
    /// `extraArgs` follow the usual ones of `appserver serve` (a session
    /// age, say).
    explicit ScreenServer(const QStringList& extraArgs = {});
    /// The same over another seed file (another screen's fixture).
    explicit ScreenServer(const QString& seedFile, const QStringList& extraArgs = {});
    ~ScreenServer();
    ScreenServer(const ScreenServer&) = delete;
    ScreenServer& operator=(const ScreenServer&) = delete;

    int port() const { return server_.port(); }
    /// Stops the server (its sessions with it, unless it keeps them in the
    /// database), then starts it again on the same port and database.
    void stop() { server_.stop(); }
    void start() { server_.start(); }
    /// Logs in and sets the framework's login values; throws on refusal.
    void logIn(const QString& user, const QString& password,
               const QString& branch = QStringLiteral("0001"));

private:
    QTemporaryDir dir_;  ///< the database's folder, made before the server starts
    aprop_testing::AppServerProcess server_;
};

}  // namespace screen_testing

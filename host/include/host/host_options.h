#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <utility>

namespace host {

/// A command line or environment value the host cannot use; the message
/// says which and why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Where the host logs in and what it does once logged in.
struct HostOptions {
    static constexpr int kDefaultPort = 8211;

    QString serverHost = QStringLiteral("127.0.0.1");
    int serverPort = kDefaultPort;
    QString user;
    QString password;
    QString branch;
    /// User and password came from the command line or the environment:
    /// log in without asking, and fail instead of asking again.
    bool scripted = false;
    /// The folder the screen module is loaded from.
    QString modulesDir;
    /// Non-empty: log in, open the screen, save a PNG of the main window
    /// here and quit.
    QString screenshotFile;
    /// Non-empty: log in and run this scenario file against the screen
    /// (see docs/scenarios.md), then quit with its result.
    QString scriptFile;
    /// The ini file that remembers the last login (never the password).
    QString settingsFile;
};

/// "HOST:PORT" split into its parts; throws UsageError for anything else.
std::pair<QString, int> parseServerAddress(const QString& text);

/// The settings file used when none is given: apropriacao/host.ini in the
/// user's configuration folder.
QString defaultSettingsFile();

/// The module folder used when none is given: `<exe>/../lib/aprop` when
/// that folder exists, else the executable's own folder.
QString defaultModulesDir(const QString& executableDir);

/// Builds the options from, in order of precedence, the command line
/// (`--server HOST:PORT`, `--user`, `--password`, `--branch`, `--modules
/// DIR`, `--screenshot FILE`, `--script FILE`, `--settings FILE`), the environment
/// (APROP_SERVER, APROP_USER, APROP_PASSWORD, APROP_BRANCH) and the
/// settings file (server, user and branch of the last login). `arguments`
/// starts with the program name. Throws UsageError; `--help` throws
/// HelpRequested with the help text.
HostOptions parseHostOptions(const QStringList& arguments, const QProcessEnvironment& environment,
                             const QString& executableDir);

/// `--help` was given; what() is the text to print.
class HelpRequested : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace host

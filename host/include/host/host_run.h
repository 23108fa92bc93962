#pragma once

#include <QProcessEnvironment>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

#include "host/host_options.h"

namespace host {

class MainWindow;
class ScreenLauncher;

/// One run of the host after its options are known: login, main window,
/// the screen module. Destroying it closes the screens before the module
/// is unloaded, and detaches the main window from the application object.
class HostSession {
public:
    explicit HostSession(HostOptions options);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    /// Scripted: one attempt with the given values. Interactive: the login
    /// dialog until a login succeeds or the user cancels; a success is
    /// remembered in the settings file. Returns the failure's message, or
    /// nullopt on success; "" when the user cancelled.
    std::optional<QString> logIn();

    /// Creates the main window (once) and makes it the application's main form.
    MainWindow& mainWindow();
    ScreenLauncher& launcher();

    /// Screenshot run: opens the screen, waits for its first activation
    /// (bounded by `timeout`), saves the PNG. Returns the failure's
    /// message, or nullopt.
    std::optional<QString> takeScreenshot(std::chrono::milliseconds timeout);

    const HostOptions& options() const { return options_; }

private:
    void closeScreens();

    HostOptions options_;
    std::unique_ptr<ScreenLauncher> launcher_;
    std::unique_ptr<MainWindow> mainWindow_;
};

/// Runs the scenario file of `--script` in a logged-in session; returns the
/// exit code (0 every expectation held, 1 otherwise).
using ScriptRunner =
    std::function<int(HostSession& session, const QString& file, std::ostream& err)>;

/// The whole program after QApplication exists: returns the exit code
/// (0 done, 1 login, screenshot or scenario failed, 2 bad options);
/// messages for the console go to `err`. `runScript` carries out
/// `--script` (the host without it refuses the option).
int runHost(const QStringList& arguments, const QProcessEnvironment& environment, std::ostream& err,
            const ScriptRunner& runScript = {});

}  // namespace host

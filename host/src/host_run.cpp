#include "host/host_run.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "framework/application.h"
#include "framework/screen_service.h"
#include "host/console_dialog_service.h"
#include "host/login_dialog.h"
#include "host/login_settings.h"
#include "host/main_window.h"
#include "host/screen_launcher.h"
#include "host/screenshot.h"
#include "host/session_login.h"
#include "host/session_renewal.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/qt_dialog_service.h"

namespace host {

namespace {

constexpr std::chrono::milliseconds kScreenshotTimeout(30000);

LoginRequest requestFrom(const HostOptions& o) {
    return LoginRequest{o.serverHost, o.serverPort, o.user, o.password, o.branch};
}

QString messageOf(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

}  // namespace

HostSession::HostSession(HostOptions options) : options_(std::move(options)) {}

HostSession::~HostSession() {
    framework::SetScreenOpener({});
    closeScreens();
    launcher_.reset();  // finalizes and unloads the module, its forms gone
    mainWindow_.reset();
}

void HostSession::closeScreens() {
    framework::Application().DestroyForms();
    if (mainWindow_) {
        // Windows the module made without the application object.
        for (QMdiSubWindow* window : mainWindow_->mdiArea()->subWindowList()) delete window;
    }
    // Deferred deletes may run code of the module: run them while it is loaded.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::optional<QString> HostSession::logIn() {
    if (options_.scripted) {
        try {
            host::logIn(requestFrom(options_));
            return std::nullopt;
        } catch (const std::exception& e) {
            return messageOf(e);
        }
    }
    LoginDialog dialog(requestFrom(options_), [](const LoginRequest& r) { host::logIn(r); });
    if (dialog.exec() != QDialog::Accepted) return QString();
    const LoginRequest used = dialog.request();
    options_.serverHost = used.serverHost;
    options_.serverPort = used.serverPort;
    options_.user = used.user;
    options_.branch = used.branch;
    // Remembering is a convenience: a settings file that cannot be written
    // is reported and the session goes on.
    platform::ui::dispatch([&] {
        writeRememberedLogin(options_.settingsFile,
                             {used.serverHost, used.serverPort, used.user, used.branch});
    });
    return std::nullopt;
}

ScreenLauncher& HostSession::launcher() {
    if (!launcher_) launcher_ = std::make_unique<ScreenLauncher>(options_.modulesDir.toStdString());
    return *launcher_;
}

MainWindow& HostSession::mainWindow() {
    if (!mainWindow_) {
        mainWindow_ = std::make_unique<MainWindow>([this] { launcher().openApropriacao(); });
        mainWindow_->addScreenEntry(QStringLiteral("mnuResumo"),
                                    QStringLiteral("Resumo da Apropriação"),
                                    [this] { launcher().openResumo(); });
        mainWindow_->showLoginInStatusBar();
        // A screen opens another module's screen (the summary's day cell
        // opens the day) through the host, which loads the module.
        framework::SetScreenOpener(
            [this](const QString& package, const framework::ScreenParams& params) {
                launcher().open(package, params);
            });
    }
    return *mainWindow_;
}

std::optional<QString> HostSession::takeScreenshot(std::chrono::milliseconds timeout) {
    MainWindow& window = mainWindow();
    window.show();
    window.activateWindow();
    try {
        launcher().openApropriacao();
    } catch (const std::exception& e) {
        return messageOf(e);
    }
    if (!waitForFirstActivation(window.mdiArea(), timeout)) {
        return QStringLiteral("A tela não terminou de abrir em %1 s.").arg(timeout.count() / 1000);
    }
    try {
        saveScreenshot(&window, options_.screenshotFile);
    } catch (const std::exception& e) {
        return messageOf(e);
    }
    return std::nullopt;
}

int runHost(const QStringList& arguments, const QProcessEnvironment& environment, std::ostream& err,
            const ScriptRunner& runScript) {
    HostOptions options;
    try {
        options = parseHostOptions(arguments, environment, QCoreApplication::applicationDirPath());
    } catch (const HelpRequested& help) {
        err << help.what();
        return 0;
    } catch (const UsageError& e) {
        err << e.what() << "\n";
        return 2;
    }
    if (!options.scriptFile.isEmpty() && !runScript) {
        err << "Este programa não executa roteiros (--script).\n";
        return 2;
    }

    // Nothing may wait for a person in an unattended run.
    ConsoleDialogService console(err);
    HostDialogService interactive;
    const bool unattended = !options.screenshotFile.isEmpty() || !options.scriptFile.isEmpty();
    platform::ui::ScopedDialogService dialogs(
        unattended ? static_cast<platform::ui::DialogService&>(console) : interactive);

    // A session the server ends (its age reached, a restart) is renewed by
    // asking the password again; the call it refused then goes on.
    SessionRenewal renewal;
    const framework::ScopedReauthenticationService renewing(renewal);

    HostSession session(options);
    if (const auto failure = session.logIn()) {
        if (failure->isEmpty()) return 1;  // cancelled
        err << failure->toStdString() << "\n";
        return 1;
    }

    if (!options.scriptFile.isEmpty()) return runScript(session, options.scriptFile, err);

    if (unattended) {
        if (const auto failure = session.takeScreenshot(kScreenshotTimeout)) {
            err << failure->toStdString() << "\n";
            return 1;
        }
        err << "Imagem gravada em " << options.screenshotFile.toStdString() << "\n";
        return 0;
    }

    MainWindow& window = session.mainWindow();
    window.show();
    return QApplication::exec();
}

}  // namespace host

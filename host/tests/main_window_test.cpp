#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <sstream>

#include "fake_login_server.h"
#include "framework/application.h"
#include "framework/busy.h"
#include "host/host_run.h"
#include "host/main_window.h"
#include "host/screen_launcher.h"
#include "host/screenshot.h"
#include "platform/ui/scripted_dialog_service.h"

using framework::Application;
using host::HostOptions;
using host::HostSession;
using host::ScreenLauncher;

namespace {

QString fixtureFolder(const char* name) {
    return QStringLiteral(APROP_HOST_FIXTURE_DIR "/") + QString::fromLatin1(name);
}

/// A host session without login whose modules come from `folder`, with
/// the dialogs recorded.
struct MainWindowTest : ::testing::Test {
    std::unique_ptr<HostSession> session(const QString& folder) {
        HostOptions options;
        options.modulesDir = folder;
        options.settingsFile = dir.filePath(QStringLiteral("host.ini"));
        auto s = std::make_unique<HostSession>(options);
        s->mainWindow().show();
        return s;
    }
    QStringList errors() const {
        return dialogs.texts(platform::ui::ScriptedDialogService::Kind::Error);
    }
    template <typename T>
    static T& exported(HostSession& s, const char* name) {
        return *static_cast<T*>(
            s.launcher().registry().find(ScreenLauncher::kModuleName)->symbol(name));
    }

    QTemporaryDir dir;
    platform::ui::ScriptedDialogService dialogs;
    platform::ui::ScopedDialogService installed{dialogs};
};

}  // namespace

TEST_F(MainWindowTest, TheMenuEntryLoadsTheModuleAndOpensOneScreen) {
    auto s = session(fixtureFolder("good"));
    host::MainWindow& window = s->mainWindow();
    EXPECT_EQ(Application().MainForm(), &window);
    EXPECT_EQ(Application().MdiArea(), window.mdiArea());
    QAction* entry = window.findChild<QAction*>(QStringLiteral("mnuApropriacao"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), QStringLiteral("Manutenção da Apropriação"));

    entry->trigger();
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    platform::module::Module* module = s->launcher().registry().find(ScreenLauncher::kModuleName);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->state(), platform::module::ModuleState::Initialized);
    EXPECT_EQ(exported<int>(*s, "FixtureIniProcCalls"), 1);
    EXPECT_TRUE(exported<bool>(*s, "FixtureFoundThroughReference"));
    ASSERT_EQ(window.mdiArea()->subWindowList().size(), 1);
    QMdiSubWindow* child = window.mdiArea()->subWindowList().constFirst();
    EXPECT_EQ(child->widget()->objectName(), QStringLiteral("frmFixture"));
    EXPECT_EQ(Application().ScreenCursor(), framework::ScreenCursorKind::Default);

    // The screen's first activation keeps the busy animation up for a while.
    EXPECT_TRUE(framework::busyShowing());
    EXPECT_TRUE(host::waitForFirstActivation(window.mdiArea(), std::chrono::seconds(10)));
    EXPECT_TRUE(exported<bool>(*s, "FixtureFirstActivationDone"));
    EXPECT_FALSE(framework::busyShowing());

    // Again, with the screen minimized: the same screen, back to normal.
    child->showMinimized();
    entry->trigger();
    EXPECT_EQ(exported<int>(*s, "FixtureIniProcCalls"), 2);
    EXPECT_EQ(window.mdiArea()->subWindowList().size(), 1);
    EXPECT_FALSE(child->isMinimized());
}

TEST_F(MainWindowTest, ClosingTheSessionDestroysTheScreensBeforeUnloadingTheModule) {
    auto s = session(fixtureFolder("good"));
    s->mainWindow().apropriacaoAction()->trigger();
    ASSERT_EQ(Application().Forms().size(), 1u);
    s.reset();
    EXPECT_TRUE(Application().Forms().empty());
    EXPECT_FALSE(
        framework::busyShowing());  // the screen closed before its load ended left nothing showing
    EXPECT_EQ(Application().MainForm(), nullptr);
    EXPECT_EQ(Application().MdiArea(), nullptr);
}

TEST_F(MainWindowTest, AMissingModuleIsReportedThroughTheDialogService) {
    auto s = session(dir.path());
    s->mainWindow().apropriacaoAction()->trigger();
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(errors().constFirst().contains(QStringLiteral("Pkg_Zep00700")));
    EXPECT_TRUE(errors().constFirst().contains(QStringLiteral("não encontrado")));
    EXPECT_TRUE(s->mainWindow().mdiArea()->subWindowList().isEmpty());
}

TEST_F(MainWindowTest, AModuleNeedingAPackageTheHostLacksShowsWhichOne) {
    auto s = session(fixtureFolder("needs_missing_package"));
    s->mainWindow().apropriacaoAction()->trigger();
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(errors().constFirst().contains(QStringLiteral("'reports'")))
        << errors().constFirst().toStdString();
    EXPECT_FALSE(errors().constFirst().contains(QStringLiteral("'framework'")));
    EXPECT_TRUE(s->mainWindow().mdiArea()->subWindowList().isEmpty());
}

TEST(ScreenLauncher, ProvidesTheEightPackagesTheModuleRequires) {
    EXPECT_EQ(ScreenLauncher::providedPackages(),
              (QStringList{QStringLiteral("runtime"), QStringLiteral("widgets"),
                           QStringLiteral("data"), QStringLiteral("datacontrols"),
                           QStringLiteral("remotedata"), QStringLiteral("framework"),
                           QStringLiteral("components"), QStringLiteral("dbcomponents")}));
    ScreenLauncher launcher(std::filesystem::temp_directory_path());
    for (const QString& package : ScreenLauncher::providedPackages()) {
        EXPECT_TRUE(launcher.registry().hasPackage(package.toStdString())) << package.toStdString();
    }
}

TEST(HostScreenshot, LogsInOpensTheScreenAndSavesTheMainWindow) {
    FakeLoginServer server;
    QTemporaryDir dir;
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    const QStringList args{QStringLiteral("host"),
                           QStringLiteral("--server"),
                           QStringLiteral("127.0.0.1:%1").arg(server.port()),
                           QStringLiteral("--user"),
                           QString::fromLatin1(FakeLoginServer::kUser),
                           QStringLiteral("--branch"),
                           QString::fromLatin1(FakeLoginServer::kBranch),
                           QStringLiteral("--modules"),
                           fixtureFolder("good"),
                           QStringLiteral("--settings"),
                           dir.filePath(QStringLiteral("host.ini")),
                           QStringLiteral("--screenshot"),
                           shot};
    QProcessEnvironment env;
    env.insert(QStringLiteral("APROP_PASSWORD"), QString::fromLatin1(FakeLoginServer::kPassword));
    std::ostringstream err;
    ASSERT_EQ(host::runHost(args, env, err), 0) << err.str();
    EXPECT_NE(err.str().find(shot.toStdString()), std::string::npos) << err.str();
    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), 320);
    EXPECT_GE(image.height(), 200);
    EXPECT_FALSE(framework::busyShowing());
    EXPECT_EQ(Application().MainForm(), nullptr);  // the run cleaned up after itself
}

TEST(HostScreenshot, AScreenThatCannotOpenFailsTheRunWithTheModulesMessage) {
    FakeLoginServer server;
    QTemporaryDir dir;
    const QStringList args{QStringLiteral("host"),
                           QStringLiteral("--server"),
                           QStringLiteral("127.0.0.1:%1").arg(server.port()),
                           QStringLiteral("--modules"),
                           dir.path(),
                           QStringLiteral("--settings"),
                           dir.filePath(QStringLiteral("host.ini")),
                           QStringLiteral("--screenshot"),
                           dir.filePath(QStringLiteral("shot.png"))};
    QProcessEnvironment env;
    env.insert(QStringLiteral("APROP_USER"), QString::fromLatin1(FakeLoginServer::kUser));
    env.insert(QStringLiteral("APROP_PASSWORD"), QString::fromLatin1(FakeLoginServer::kPassword));
    env.insert(QStringLiteral("APROP_BRANCH"), QString::fromLatin1(FakeLoginServer::kBranch));
    std::ostringstream err;
    EXPECT_EQ(host::runHost(args, env, err), 1);
    EXPECT_NE(err.str().find("não encontrado"), std::string::npos) << err.str();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("shot.png"))));
}

#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMdiArea>

#include <memory>

#include "framework/application.h"
#include "framework/busy.h"
#include "framework/net_connection.h"
#include "platform/ui/scripted_dialog_service.h"
#include "screen/cli_zep00700.h"
#include "screen_server.h"

namespace entry_testing {

/// The module's routines in-process: a main window for the screen, the
/// scripted dialogs, and a real server (seeded for the screen) with Ana
/// Souza logged in, shared by a suite.
class EntryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = std::make_unique<screen_testing::ScreenServer>();
        server->logIn(QStringLiteral("000000000101"), QStringLiteral("senha101"));
    }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override {
        window.setCentralWidget(area);
        window.resize(1000, 700);
        window.show();
        framework::Application().SetMainForm(&window, area);
        Cli_Zep00700::UnitInitialization();
        framework::NetScript::reset();
    }
    void TearDown() override {
        framework::Application().DestroyForms();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        framework::Application().SetMainForm(nullptr, nullptr);
        Cli_Zep00700::UnitFinalization();
        Cli_Zep00700::frmApropriacao = nullptr;
        Cli_Zep00700::boSimplificada = false;
    }

    /// Lets the screen's activation run, as the event loop would.
    static void settle() {
        QElapsedTimer waited;
        waited.start();
        do {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        } while (waited.elapsed() < 200 || (framework::busyShowing() && waited.elapsed() < 10000));
    }
    int screens() const { return static_cast<int>(area->subWindowList().size()); }
    QStringList errors() const {
        return dialogs.texts(platform::ui::ScriptedDialogService::Kind::Error);
    }

    static inline std::unique_ptr<screen_testing::ScreenServer> server;
    platform::ui::ScriptedDialogService dialogs;
    platform::ui::ScopedDialogService installed{dialogs};
    QMainWindow window;
    QMdiArea* area = new QMdiArea;
};

}  // namespace entry_testing

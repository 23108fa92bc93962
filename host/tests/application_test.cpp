#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>

#include <stdexcept>

#include "framework/application.h"
#include "framework/errors.h"

using framework::Application;
using framework::FormWindowState;
using framework::ScreenCursorKind;
using framework::TApplication;

namespace {

class RecordingForm;
RecordingForm* g_form = nullptr;
bool g_sawItselfThroughReference = false;
bool g_failConstruction = false;

class RecordingForm : public QWidget {
public:
    explicit RecordingForm(QWidget* parent) : QWidget(parent) {
        g_sawItselfThroughReference = static_cast<void*>(g_form) == static_cast<void*>(this);
        if (g_failConstruction) throw std::runtime_error("no server");
    }
};

/// A main window with an MDI area, set as the application's main form for
/// the test and detached afterwards.
struct ApplicationTest : ::testing::Test {
    ApplicationTest() {
        main.setCentralWidget(area);
        main.resize(800, 600);
        main.show();
        Application().SetMainForm(&main, area);
        g_form = nullptr;
        g_failConstruction = false;
        g_sawItselfThroughReference = false;
    }
    ~ApplicationTest() override {
        Application().DestroyForms();
        Application().SetMainForm(nullptr, nullptr);
        Application().SetScreenCursor(ScreenCursorKind::Default);
    }

    QMainWindow main;
    QMdiArea* area = new QMdiArea;
};

}  // namespace

TEST_F(ApplicationTest, CreateFormStoresTheReferenceBeforeTheConstructorRunsAndOwnsTheForm) {
    EXPECT_EQ(Application().MainForm(), &main);
    EXPECT_EQ(Application().MdiArea(), area);

    RecordingForm* form = Application().CreateForm(g_form);
    EXPECT_TRUE(g_sawItselfThroughReference);
    EXPECT_EQ(g_form, form);
    ASSERT_EQ(Application().Forms().size(), 1u);
    EXPECT_EQ(Application().Forms().front(), form);

    QPointer<QWidget> alive(form);
    Application().DestroyForms();
    EXPECT_TRUE(alive.isNull());
    EXPECT_TRUE(Application().Forms().empty());
}

TEST_F(ApplicationTest, AFailedConstructionClearsTheReferenceAndPassesTheErrorOn) {
    g_failConstruction = true;
    EXPECT_THROW(Application().CreateForm(g_form), std::runtime_error);
    EXPECT_TRUE(g_sawItselfThroughReference);  // it was set while the constructor ran
    EXPECT_EQ(g_form, nullptr);
    EXPECT_TRUE(Application().Forms().empty());
}

TEST_F(ApplicationTest, ShowChildWrapsTheFormOnceAndActivatesIt) {
    RecordingForm* form = Application().CreateForm(g_form);
    form->resize(420, 260);
    QMdiSubWindow* window = Application().ShowChild(form);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(form->size(), QSize(420, 260));  // the size it was made with, not the hint
    EXPECT_EQ(window->widget(), form);
    EXPECT_EQ(TApplication::SubWindowOf(form), window);
    EXPECT_EQ(area->subWindowList().size(), 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(area->activeSubWindow(), window);

    EXPECT_EQ(Application().ShowChild(form), window);  // shown again: the same window
    EXPECT_EQ(area->subWindowList().size(), 1);

    // Destroying the forms takes their MDI windows along.
    QPointer<QMdiSubWindow> watched(window);
    Application().DestroyForms();
    EXPECT_TRUE(watched.isNull());
    EXPECT_TRUE(area->subWindowList().isEmpty());
}

TEST_F(ApplicationTest, AClosedChildIsNoLongerAnOwnedForm) {
    RecordingForm* form = Application().CreateForm(g_form);
    QMdiSubWindow* window = Application().ShowChild(form);
    window->close();  // MDI windows delete themselves on close
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Application().Forms().empty());
    EXPECT_TRUE(area->subWindowList().isEmpty());
}

TEST_F(ApplicationTest, WindowStateActsOnTheMdiWindow) {
    RecordingForm* form = Application().CreateForm(g_form);
    QMdiSubWindow* window = Application().ShowChild(form);

    TApplication::SetWindowState(form, FormWindowState::Minimized);
    EXPECT_TRUE(window->isMinimized());
    EXPECT_EQ(TApplication::WindowState(form), FormWindowState::Minimized);

    TApplication::SetWindowState(form, FormWindowState::Normal);
    EXPECT_FALSE(window->isMinimized());
    EXPECT_EQ(TApplication::WindowState(form), FormWindowState::Normal);

    TApplication::SetWindowState(form, FormWindowState::Maximized);
    EXPECT_TRUE(window->isMaximized());
    EXPECT_EQ(TApplication::WindowState(form), FormWindowState::Maximized);

    TApplication::SetWindowState(form, FormWindowState::Normal);
    EXPECT_EQ(TApplication::WindowState(form), FormWindowState::Normal);
}

TEST_F(ApplicationTest, ShowChildWithoutAMainWindowFailsWithAMessage) {
    Application().SetMainForm(nullptr, nullptr);
    RecordingForm* form = Application().CreateForm(g_form);
    try {
        Application().ShowChild(form);
        FAIL() << "no MDI area, no child window";
    } catch (const framework::Error& e) {
        EXPECT_FALSE(e.message().isEmpty());
    }
    EXPECT_EQ(TApplication::SubWindowOf(form), nullptr);
}

TEST_F(ApplicationTest, TheMainFormIsForgottenWhenItIsDestroyed) {
    auto* other = new QMainWindow;
    auto* otherArea = new QMdiArea(other);
    Application().SetMainForm(other, otherArea);
    delete other;
    EXPECT_EQ(Application().MainForm(), nullptr);
    EXPECT_EQ(Application().MdiArea(), nullptr);
}

TEST_F(ApplicationTest, TheScreenCursorIsASettingNotAStack) {
    EXPECT_EQ(Application().ScreenCursor(), ScreenCursorKind::Default);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    Application().SetScreenCursor(ScreenCursorKind::Hourglass);
    Application().SetScreenCursor(ScreenCursorKind::Hourglass);
    EXPECT_EQ(Application().ScreenCursor(), ScreenCursorKind::Hourglass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

    Application().SetScreenCursor(ScreenCursorKind::Default);
    EXPECT_EQ(Application().ScreenCursor(), ScreenCursorKind::Default);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Application().SetScreenCursor(ScreenCursorKind::Default);  // harmless when already default
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dataset/errors.h"
#include "platform/ui/focus_manager.h"
#include "platform/ui/scripted_dialog_service.h"

using platform::ui::FocusManager;
using Kind = platform::ui::ScriptedDialogService::Kind;

namespace {

/// Counts FocusIn events of one widget, to prove a refused move never
/// reached it, not even for a moment.
struct FocusInCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::FocusIn) ++count;
        return false;
    }
};

// A screen:  root
//              panA: a1, a2
//              panB: b1, panB2: b3
//              table (a grid that uses Tab itself)
struct FocusFixture : ::testing::Test {
    FocusFixture() : installed(script) {
        auto* layout = new QVBoxLayout(&root);
        panA = new QFrame(&root);
        panB = new QFrame(&root);
        panB2 = new QFrame(panB);
        auto* la = new QVBoxLayout(panA);
        auto* lb = new QVBoxLayout(panB);
        auto* lb2 = new QVBoxLayout(panB2);
        a1 = new QLineEdit(panA);
        a2 = new QLineEdit(panA);
        b1 = new QLineEdit(panB);
        b3 = new QLineEdit(panB2);
        table = new QTableWidget(2, 2, &root);
        la->addWidget(a1);
        la->addWidget(a2);
        lb->addWidget(b1);
        lb->addWidget(panB2);
        lb2->addWidget(b3);
        layout->addWidget(panA);
        layout->addWidget(panB);
        layout->addWidget(table);

        manager = new FocusManager(&root);
        for (auto [w, name] : std::vector<std::pair<QWidget*, std::string>>{{panA, "panA"},
                                                                            {a1, "a1"},
                                                                            {a2, "a2"},
                                                                            {panB, "panB"},
                                                                            {panB2, "panB2"},
                                                                            {b1, "b1"},
                                                                            {b3, "b3"}}) {
            // Captured by name: clang before 16 (clang-tidy's) cannot capture a structured binding.
            manager->setOnEnter(w, [this, name = name] { log.push_back("enter " + name); });
            manager->setOnExit(w, [this, name = name] {
                log.push_back("exit " + name);
                if (auto it = failExit.find(name); it != failExit.end()) it->second();
            });
        }
        b1->installEventFilter(&b1FocusIns);

        root.resize(300, 400);
        root.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&root));
        manager->setFocusTo(a1);
        log.clear();
    }

    platform::ui::ScriptedDialogService script;
    platform::ui::ScopedDialogService installed;
    QWidget root;
    QFrame *panA, *panB, *panB2;
    QLineEdit *a1, *a2, *b1, *b3;
    QTableWidget* table;
    FocusManager* manager;
    FocusInCounter b1FocusIns;
    std::vector<std::string> log;
    std::map<std::string, std::function<void()>> failExit;
};

using Log = std::vector<std::string>;

}  // namespace

TEST_F(FocusFixture, ClickRunsExitsInnerToOuterThenEntersOuterToInner) {
    ASSERT_EQ(QApplication::focusWidget(), a1);
    QTest::mouseClick(b3, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), b3);
    EXPECT_EQ(log, (Log{"exit a1", "exit panA", "enter panB", "enter panB2", "enter b3"}));
}

TEST_F(FocusFixture, MovingWithinAContainerLeavesTheContainerAlone) {
    QTest::keyClick(a1, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), a2);
    EXPECT_EQ(log, (Log{"exit a1", "enter a2"}));

    log.clear();
    QTest::keyClick(a2, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), b1);
    EXPECT_EQ(log, (Log{"exit a2", "exit panA", "enter panB", "enter b1"}));

    log.clear();
    QTest::keyClick(b1, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), a2);
    EXPECT_EQ(log, (Log{"exit b1", "exit panB", "enter panA", "enter a2"}));
}

TEST_F(FocusFixture, AnErrorInAnExitKeepsTheFocusAndRunsNoEnter) {
    failExit["panA"] = [] { throw std::runtime_error("Operador deve ser informado."); };

    QTest::mouseClick(b1, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), a1);
    EXPECT_EQ(b1FocusIns.count, 0);
    EXPECT_EQ(log, (Log{"exit a1", "exit panA"}));
    EXPECT_EQ(script.texts(Kind::Error),
              QStringList{QStringLiteral("Operador deve ser informado.")});

    log.clear();
    QTest::keyClick(a1, Qt::Key_Tab);  // inside panA: allowed
    EXPECT_EQ(QApplication::focusWidget(), a2);
    log.clear();
    QTest::keyClick(a2, Qt::Key_Tab);  // out of panA: refused
    EXPECT_EQ(QApplication::focusWidget(), a2);
    EXPECT_EQ(b1FocusIns.count, 0);
    EXPECT_EQ(log, (Log{"exit a2", "exit panA"}));
}

TEST_F(FocusFixture, ASilentAbortInAnExitRefusesWithoutAMessage) {
    failExit["a1"] = [] { throw platform::dataset::Abort(); };
    EXPECT_FALSE(manager->setFocusTo(b1));
    EXPECT_EQ(QApplication::focusWidget(), a1);
    EXPECT_EQ(log, (Log{"exit a1"}));  // the container's exit is not reached
    EXPECT_TRUE(script.shown().empty());
}

TEST_F(FocusFixture, ProgramMovesFollowTheSameRules) {
    EXPECT_TRUE(manager->setFocusTo(b3));
    EXPECT_EQ(QApplication::focusWidget(), b3);
    EXPECT_EQ(log, (Log{"exit a1", "exit panA", "enter panB", "enter panB2", "enter b3"}));
    EXPECT_EQ(manager->current(), b3);

    log.clear();
    EXPECT_TRUE(manager->setFocusTo(b1));
    EXPECT_EQ(log, (Log{"exit b3", "exit panB2", "enter b1"}));

    log.clear();
    EXPECT_TRUE(manager->setFocusTo(b1));  // already there: nothing runs
    EXPECT_TRUE(log.empty());

    b3->setEnabled(false);
    EXPECT_FALSE(manager->setFocusTo(b3));
    EXPECT_TRUE(log.empty());
}

TEST_F(FocusFixture, AFocusChangeMadeBehindTheManagersBackIsCheckedAndUndoneOnRefusal) {
    failExit["a1"] = [] { throw std::runtime_error("Hora inválida."); };
    b1->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(QApplication::focusWidget(), a1);
    EXPECT_EQ(log, (Log{"exit a1"}));

    failExit.clear();
    log.clear();
    b1->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(QApplication::focusWidget(), b1);
    EXPECT_EQ(log, (Log{"exit a1", "exit panA", "enter panB", "enter b1"}));
}

TEST_F(FocusFixture, AnExitHandlerThatPlacesTheFocusDecidesWhereItGoes) {
    failExit["a1"] = [this] {
        manager->setFocusTo(a2);
        throw platform::dataset::Abort();
    };
    EXPECT_FALSE(manager->setFocusTo(b1));
    EXPECT_EQ(QApplication::focusWidget(), a2);
    EXPECT_EQ(manager->current(), a2);
    EXPECT_EQ(log, (Log{"exit a1"}));
    EXPECT_EQ(b1FocusIns.count, 0);
}

TEST_F(FocusFixture, AnEnterHandlerMayMoveTheFocusOnAndAnErrorEndsTheEnters) {
    manager->setOnEnter(panB, [this] {
        log.push_back("enter panB");
        manager->setFocusTo(b3);
    });
    EXPECT_TRUE(manager->setFocusTo(b1));
    EXPECT_EQ(QApplication::focusWidget(), b3);
    EXPECT_EQ(log, (Log{"exit a1", "exit panA", "enter panB", "enter b1", "exit b1", "enter panB2",
                        "enter b3"}));

    manager->setOnEnter(panA, [this] {
        log.push_back("enter panA");
        throw std::runtime_error("Falha ao carregar.");
    });
    log.clear();
    EXPECT_TRUE(manager->setFocusTo(a1));
    EXPECT_EQ(QApplication::focusWidget(), a1);  // the move itself stands
    EXPECT_EQ(log, (Log{"exit b3", "exit panB2", "exit panB", "enter panA"}));
    EXPECT_EQ(script.texts(Kind::Error), QStringList{QStringLiteral("Falha ao carregar.")});
}

TEST_F(FocusFixture, AGridThatUsesTabKeepsIt) {
    ASSERT_TRUE(table->tabKeyNavigation());
    EXPECT_TRUE(manager->setFocusTo(table));
    table->setCurrentCell(0, 0);
    log.clear();
    QTest::keyClick(table, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), table);
    EXPECT_EQ(table->currentColumn(), 1);
    EXPECT_TRUE(log.empty());
}

TEST_F(FocusFixture, HandlersOfADestroyedWidgetAreForgotten) {
    EXPECT_TRUE(manager->setFocusTo(b3));
    delete panB2;  // held the focus; Qt may pass it on within panB
    QApplication::processEvents();
    log.clear();
    EXPECT_TRUE(manager->setFocusTo(a1));
    EXPECT_EQ(QApplication::focusWidget(), a1);
    for (const auto& entry : log) EXPECT_EQ(entry.find("b3"), std::string::npos) << entry;
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], "exit panB");
    EXPECT_EQ(log[log.size() - 2], "enter panA");
    EXPECT_EQ(log.back(), "enter a1");
}

namespace {

// The screen inside an MDI window of a main window, beside another MDI
// window, with another program's window on the desktop:
//   main: area: screenWindow: root: filter (code, date), grid
//               otherWindow: otherEdit
//   otherProgram
struct WindowFocusFixture : ::testing::Test {
    WindowFocusFixture() : installed(script) {
        auto* root = new QWidget;
        auto* layout = new QVBoxLayout(root);
        filter = new QFrame(root);
        auto* filterLayout = new QVBoxLayout(filter);
        code = new QLineEdit(filter);
        date = new QLineEdit(filter);
        filterLayout->addWidget(code);
        filterLayout->addWidget(date);
        grid = new QLineEdit(root);
        layout->addWidget(filter);
        layout->addWidget(grid);
        manager = new FocusManager(root);
        for (auto [w, name] : std::vector<std::pair<QWidget*, std::string>>{
                 {filter, "filter"}, {code, "code"}, {date, "date"}, {grid, "grid"}}) {
            manager->setOnEnter(w, [this, name = name] { log.push_back("enter " + name); });
            manager->setOnExit(w, [this, name = name] { log.push_back("exit " + name); });
        }

        main.setCentralWidget(area);
        main.resize(800, 600);
        otherEdit = new QLineEdit;
        otherWindow = area->addSubWindow(otherEdit);
        screenWindow = area->addSubWindow(root);
        main.show();
        // Side by side, so that a click on one never lands on the other.
        screenWindow->setGeometry(0, 0, 380, 400);
        otherWindow->setGeometry(400, 0, 300, 200);
        otherProgram.resize(100, 100);
        otherProgram.show();
        main.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&main));
        area->setActiveSubWindow(screenWindow);
        settle();
    }

    /// The focus in `widget` as the user's click puts it there, the log cleared.
    void standIn(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton);
        ASSERT_EQ(QApplication::focusWidget(), widget);
        log.clear();
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }
    void expectStillIn(QWidget* widget, const char* after) {
        settle();
        EXPECT_EQ(QApplication::focusWidget(), widget) << after;
        EXPECT_EQ(manager->current(), widget) << after;
        EXPECT_TRUE(log.empty()) << after << ": " << log.front();
    }

    platform::ui::ScriptedDialogService script;
    platform::ui::ScopedDialogService installed;
    QMainWindow main;
    QMdiArea* area = new QMdiArea;
    QMdiSubWindow* screenWindow;
    QMdiSubWindow* otherWindow;
    QLineEdit* otherEdit;
    QWidget otherProgram;
    QFrame* filter;
    QLineEdit *code, *date, *grid;
    FocusManager* manager;
    std::vector<std::string> log;
};

TEST_F(WindowFocusFixture, MinimizingRestoringAndMaximizingRunNoHandlersAndKeepTheFocus) {
    for (QWidget* widget : {grid, date}) {
        standIn(widget);
        screenWindow->showMinimized();
        settle();
        EXPECT_TRUE(log.empty()) << "minimized: " << log.front();
        screenWindow->showNormal();
        expectStillIn(widget, "restored");
        screenWindow->showMaximized();
        expectStillIn(widget, "maximized");
        screenWindow->showMinimized();
        screenWindow->showMaximized();
        expectStillIn(widget, "maximized from minimized");
        screenWindow->showNormal();
        settle();
    }
}

TEST_F(WindowFocusFixture, AnotherWindowAndBackRunNoHandlersAndKeepTheFocus) {
    standIn(grid);
    area->setActiveSubWindow(otherWindow);
    otherEdit->setFocus();
    settle();
    EXPECT_EQ(QApplication::focusWidget(), otherEdit);
    area->setActiveSubWindow(screenWindow);
    expectStillIn(grid, "another MDI window and back");
    area->setActiveSubWindow(nullptr);
    settle();
    area->setActiveSubWindow(screenWindow);
    expectStillIn(grid, "no MDI window and back");
    QTest::mouseClick(otherWindow, Qt::LeftButton, {}, QPoint(otherWindow->width() / 2, 8));
    settle();
    QTest::mouseClick(screenWindow, Qt::LeftButton, {}, QPoint(screenWindow->width() / 2, 8));
    settle();
    expectStillIn(grid, "clicks on the windows' frames");

    otherProgram.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&otherProgram));
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    expectStillIn(grid, "another program and back");
}

TEST_F(WindowFocusFixture, AClickFromAnotherWindowOnAnotherControlIsAMove) {
    standIn(grid);
    area->setActiveSubWindow(otherWindow);
    otherEdit->setFocus();
    settle();
    QTest::mouseClick(date, Qt::LeftButton);
    settle();
    EXPECT_EQ(QApplication::focusWidget(), date);
    EXPECT_EQ(log, (Log{"exit grid", "enter filter", "enter date"}));
}

TEST_F(WindowFocusFixture, OnlyAMoveWithinOneVisibleScreenIsAMoveBetweenControls) {
    EXPECT_TRUE(FocusManager::isMoveBetweenControls(grid, code));
    EXPECT_FALSE(FocusManager::isMoveBetweenControls(grid, otherEdit)) << "another MDI window";
    EXPECT_FALSE(FocusManager::isMoveBetweenControls(grid, &otherProgram)) << "another window";
    EXPECT_FALSE(FocusManager::isMoveBetweenControls(grid, nullptr)) << "nowhere";
    EXPECT_FALSE(FocusManager::isMoveBetweenControls(grid, screenWindow)) << "its window's frame";
    grid->hide();
    EXPECT_TRUE(FocusManager::isMoveBetweenControls(grid, code)) << "hidden on its own";
    grid->show();
    screenWindow->showMinimized();
    settle();
    EXPECT_FALSE(FocusManager::isMoveBetweenControls(grid, code)) << "hidden with its window";
}

}  // namespace

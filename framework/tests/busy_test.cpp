#include <gtest/gtest.h>

#include <QMainWindow>
#include <QPointer>
#include <QTest>

#include <stdexcept>

#include "framework/application.h"
#include "framework/busy.h"
#include "framework/failures.h"
#include "qt_warnings.h"

using namespace framework;

TEST(BusyAnimation, NestedCallsHideWithTheLastAndExtraHidesAreHarmless) {
    QMainWindow main;
    main.resize(400, 300);
    main.show();
    ASSERT_FALSE(busyShowing());
    DeactiveShowAvi();  // nothing showing: harmless
    EXPECT_EQ(busyDepth(), 0);

    ActiveShowAvi(&main, 1);
    ASSERT_TRUE(busyShowing());
    QWidget* overlay = busyOverlay();
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->parentWidget(), &main);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(overlay->geometry().center(), main.rect().center());
    // Small and opaque: showing it redraws its own pixels, not the form's.
    EXPECT_LT(overlay->width() * overlay->height(), main.width() * main.height() / 20);
    EXPECT_TRUE(overlay->testAttribute(Qt::WA_OpaquePaintEvent));

    ActiveShowAvi(&main, 1);  // a routine called inside shows it again
    EXPECT_EQ(busyOverlay(), overlay);
    DeactiveShowAvi();
    EXPECT_TRUE(busyShowing());
    EXPECT_NE(busyOverlay(), nullptr);

    DeactiveShowAvi();
    EXPECT_FALSE(busyShowing());
    EXPECT_EQ(busyOverlay(), nullptr);
    DeactiveShowAvi();
    EXPECT_EQ(busyDepth(), 0);
}

TEST(BusyAnimation, StepsOfOneActionDrawItOnceAndTheEventLoopTakesItOff) {
    QMainWindow main;
    main.resize(400, 300);
    main.show();
    ActiveShowAvi(&main, 1);
    QPointer<QWidget> first = busyOverlay();
    DeactiveShowAvi();
    ActiveShowAvi(&main, 1);  // the next step of the same action
    EXPECT_EQ(busyOverlay(), first.data()) << "kept, not drawn again";
    DeactiveShowAvi();
    EXPECT_FALSE(first.isNull()) << "still on screen until the event loop runs";
    QTest::qWait(1);
    EXPECT_TRUE(first.isNull());
}

TEST(BusyAnimation, StaysInTheMiddleOfTheFormAsItResizesAndOutlivesNoForm) {
    auto* main = new QMainWindow;
    main->resize(300, 200);
    main->show();
    ActiveShowAvi(main);
    main->resize(500, 350);
    QTest::qWait(1);
    ASSERT_NE(busyOverlay(), nullptr);
    EXPECT_EQ(busyOverlay()->geometry().center(), main->rect().center());

    delete main;  // the form goes while the animation shows
    EXPECT_EQ(busyOverlay(), nullptr);
    EXPECT_TRUE(busyShowing());
    DeactiveShowAvi();
    EXPECT_FALSE(busyShowing());
}

TEST(BusyGuard, HidesWhatItShowedOnEveryWayOutAndRunsItsFailureActionOnlyOnAFailure) {
    QMainWindow main;
    main.show();
    Application().SetMainForm(&main, nullptr);
    int refocused = 0;
    {
        BusyGuard busy([&] { ++refocused; });
        busy.show();
        busy.show();  // one level, however often shown
        EXPECT_EQ(busyDepth(), 1);
    }
    EXPECT_EQ(busyDepth(), 0);
    EXPECT_EQ(refocused, 0) << "an ending without failure runs nothing";

    ActiveShowAvi(&main, 1);  // a caller's own level stays
    EXPECT_THROW(
        {
            BusyGuard busy([&] {
                ++refocused;
                EXPECT_EQ(busyDepth(), 1) << "the animation goes before the focus moves";
            });
            busy.show();
            throw std::runtime_error("falhou");
        },
        std::runtime_error);
    EXPECT_EQ(refocused, 1);
    EXPECT_EQ(busyDepth(), 1);
    DeactiveShowAvi();
    Application().SetMainForm(nullptr, nullptr);
}

TEST(Failures, ADroppedStepIsLoggedNotShownAndAnUndoRunsOnlyOnAFailure) {
    EXPECT_TRUE(RunDroppingFailure(QStringLiteral("nada"), [] {}));
    {
        const aprop_testing::ExpectedQtWarning logged(
            QStringLiteral("a carga não terminou: servidor fora"));
        EXPECT_FALSE(RunDroppingFailure(QStringLiteral("a carga"),
                                        [] { throw std::runtime_error("servidor fora"); }));
    }

    int undone = 0;
    {
        const OnFailure undo(QStringLiteral("desfazer"), [&] { ++undone; });
    }
    EXPECT_EQ(undone, 0);
    // An undo that fails itself cannot take the place of the failure on its
    // way: its own failure goes to the log.
    const aprop_testing::ExpectedQtWarning undoLogged(
        QStringLiteral("desfazer não terminou: o desfazer falhou"));
    EXPECT_THROW(
        {
            const OnFailure undo(QStringLiteral("desfazer"), [&] {
                ++undone;
                throw std::logic_error("o desfazer falhou");
            });
            throw std::runtime_error("a falha");
        },
        std::runtime_error);
    EXPECT_EQ(undone, 1);
}

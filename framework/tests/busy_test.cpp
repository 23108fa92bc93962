#include <gtest/gtest.h>

#include <QMainWindow>
#include <QPointer>
#include <QTest>

#include "framework/busy.h"

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

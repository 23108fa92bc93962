#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "framework/button_flat.h"
#include "framework/standard_icon.h"
#include "platform/ui/focus_manager.h"

TEST(TButtonFlat, PressingItLeavesTheFocusAndRunsNoExitHandler) {
    QWidget form;
    auto* layout = new QHBoxLayout(&form);
    auto* edit = new QLineEdit(&form);
    auto* button = new framework::TButtonFlat(&form);
    layout->addWidget(edit);
    layout->addWidget(button);
    platform::ui::FocusManager focus(&form);
    int exits = 0;
    focus.setOnExit(edit, [&] { ++exits; });
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ASSERT_TRUE(focus.setFocusTo(edit));

    QSignalSpy clicked(button, &QToolButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_EQ(exits, 0);
    EXPECT_TRUE(button->autoRaise());
}

TEST(StandardIcon, IsMadeOncePerIconForEveryScreenThatAsksIt) {
    QWidget one;
    QWidget two;
    const QIcon first = framework::StandardIcon(&one, QStyle::SP_DialogApplyButton);
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(framework::StandardIcon(&two, QStyle::SP_DialogApplyButton).cacheKey(),
              first.cacheKey());
    EXPECT_NE(framework::StandardIcon(&one, QStyle::SP_DialogCancelButton).cacheKey(),
              first.cacheKey());
}

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>

#include "platform/ui/masked_edit.h"

using platform::ui::MaskedEdit;
using platform::ui::MaskFill;

namespace {

struct MaskedEditFixture : ::testing::Test {
    MaskedEditFixture() {
        edit.setEditMask(QStringLiteral("!90:00:00;1; "));
        edit.show();
        edit.setFocus();
    }
    MaskedEdit edit;
};

}  // namespace

TEST_F(MaskedEditFixture, KeysTypedIntoTheHourMaskStoreWhatThePlatformStores) {
    EXPECT_EQ(edit.text(), QStringLiteral("  :  :  "));
    EXPECT_EQ(edit.storedText(), QString());
    EXPECT_EQ(edit.fill(), MaskFill::Empty);

    QTest::keyClicks(&edit, QStringLiteral("8:00:00"));
    EXPECT_EQ(edit.text(), QStringLiteral(" 8:00:00"));
    EXPECT_EQ(edit.storedText(), QStringLiteral(" 8:00:00"));
    EXPECT_EQ(edit.fill(), MaskFill::Complete);

    edit.setStoredText(QString());
    QTest::keyClicks(&edit, QStringLiteral("1730"));
    EXPECT_EQ(edit.text(), QStringLiteral("17:30:  "));
    EXPECT_EQ(edit.fill(), MaskFill::Incomplete);
}

TEST_F(MaskedEditFixture, BackspaceAndDeleteBlankPositionsAndKeepTheLiterals) {
    edit.setStoredText(QStringLiteral("12:34:56"));
    edit.setCursorPosition(8);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Backspace);  // jumps over the colon
    EXPECT_EQ(edit.text(), QStringLiteral("12:3 :  "));
    EXPECT_EQ(edit.cursorPosition(), 4);

    edit.setCursorPosition(0);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), QStringLiteral(" 2:3 :  "));

    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("  :  :  "));
}

TEST_F(MaskedEditFixture, TypingOverASelectionReplacesIt) {
    edit.setStoredText(QStringLiteral("12:34:56"));
    edit.setSelection(3, 2);
    QTest::keyClicks(&edit, QStringLiteral("07"));
    EXPECT_EQ(edit.text(), QStringLiteral("12:07:56"));
}

TEST_F(MaskedEditFixture, ReportsUserEditsButNotProgramChanges) {
    QSignalSpy spy(&edit, &MaskedEdit::storedTextEdited);
    edit.setStoredText(QStringLiteral("09:00:00"));
    EXPECT_EQ(spy.count(), 0);
    edit.setCursorPosition(0);
    QTest::keyClick(&edit, Qt::Key_1);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("19:00:00"));
    QTest::keyClick(&edit, Qt::Key_A);  // refused: no change, no signal
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(MaskedEditFixture, PasteIsTypedThroughTheMask) {
    QGuiApplication::clipboard()->setText(QStringLiteral("7:45:10"));
    if (QGuiApplication::clipboard()->text() != QStringLiteral("7:45:10"))
        GTEST_SKIP() << "no clipboard on this platform";
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.storedText(), QStringLiteral(" 7:45:10"));
}

TEST_F(MaskedEditFixture, ChangingTheMaskKeepsTheValueAndABadMaskIsRefused) {
    edit.setStoredText(QStringLiteral("08:15:00"));
    EXPECT_THROW(edit.setEditMask(QStringLiteral("00;7")), platform::ui::EditMaskError);
    EXPECT_EQ(edit.storedText(), QStringLiteral("08:15:00"));

    edit.setEditMask(QString());  // plain edit, no longer limited to the mask's length
    EXPECT_EQ(edit.text(), QStringLiteral("08:15:00"));
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("ab:c 123456"));
    EXPECT_EQ(edit.storedText(), QStringLiteral("ab:c 123456"));
}

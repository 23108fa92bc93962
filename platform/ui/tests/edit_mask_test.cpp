#include <gtest/gtest.h>

#include "platform/ui/edit_mask.h"

using platform::ui::checkFill;
using platform::ui::EditMask;
using platform::ui::EditMaskError;
using platform::ui::MaskEditState;
using platform::ui::MaskFill;

namespace {

constexpr const char* kHourMask = "!90:00:00;1; ";

// Types `keys` into an empty edit under `mask`; '\b' is Backspace, '\x7f' Delete.
MaskEditState typeKeys(const EditMask& mask, const QString& keys) {
    MaskEditState state{mask.emptyEditText(), 0};
    for (const QChar c : keys) {
        if (c == QLatin1Char('\b')) {
            platform::ui::eraseBackward(mask, state);
        } else if (c == QChar(0x7f)) {
            platform::ui::eraseForward(mask, state);
        } else {
            platform::ui::typeCharacter(mask, state, c);
        }
    }
    return state;
}

struct TypingCase {
    const char* mask;
    const char* keys;
    const char* editText;
    const char* stored;
    MaskFill fill;
};

}  // namespace

TEST(EditMask, TypedKeysGiveTheTextTheFieldStores) {
    const TypingCase cases[] = {
        {kHourMask, "08:00:00", "08:00:00", "08:00:00", MaskFill::Complete},
        {kHourMask, "8:00:00", " 8:00:00", " 8:00:00", MaskFill::Complete},
        {kHourMask, "080000", "08:00:00", "08:00:00", MaskFill::Complete},
        {kHourMask, "23:59:59", "23:59:59", "23:59:59", MaskFill::Complete},
        {kHourMask, "24:00:00", "24:00:00", "24:00:00",
         MaskFill::Complete},  // range is not the mask's concern
        {kHourMask, "", "  :  :  ", "", MaskFill::Empty},
        {kHourMask, "8", "8 :  :  ", "8 :  :  ", MaskFill::Incomplete},
        {kHourMask, "12:3", "12:3 :  ", "12:3 :  ", MaskFill::Incomplete},
        {kHourMask, "8:5:", " 8:5 :  ", " 8:5 :  ",
         MaskFill::Incomplete},  // a required minute is never blanked in front
        {kHourMask, "1a2x:3", "12:3 :  ", "12:3 :  ", MaskFill::Incomplete},
        {kHourMask, "123456789", "12:34:56", "12:34:56", MaskFill::Complete},
        {kHourMask, ":", "  :  :  ", "", MaskFill::Empty},
        {kHourMask, "12:34:56\b\b", "12:34:  ", "12:34:  ", MaskFill::Incomplete},
        {kHourMask, "12:\b9", "19:  :  ", "19:  :  ", MaskFill::Incomplete},
        {"90:00:00;1; ", "8:00:00", "8 :00:00", "8 :00:00",
         MaskFill::Incomplete},  // without '!' the blank trails
        {"!90:00:00;0; ", "8:15:00", " 8:15:00", " 81500", MaskFill::Complete},
        {"00/00/0000;1;_", "08122026", "08/12/2026", "08/12/2026", MaskFill::Complete},
        {"00/00/0000;1;_", "0812", "08/12/____", "08/12/    ", MaskFill::Incomplete},
        {">LL-000;1;_", "ab123", "AB-123", "AB-123", MaskFill::Complete},
        {"\\A999;1;_", "A12", "A12_", "A12 ", MaskFill::Complete},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " <- \"" + c.keys + "\"");
        const EditMask mask = EditMask::parse(QString::fromUtf8(c.mask));
        const MaskEditState state = typeKeys(mask, QString::fromUtf8(c.keys));
        EXPECT_EQ(state.text.toStdString(), c.editText);
        EXPECT_EQ(platform::ui::storedText(mask, state.text).toStdString(), c.stored);
        EXPECT_EQ(checkFill(mask, state.text), c.fill);
    }
}

TEST(EditMask, ParsesTheHourMaskAsThePlatformReadsIt) {
    const EditMask mask = EditMask::parse(QString::fromUtf8(kHourMask));
    ASSERT_EQ(mask.length(), 8);
    EXPECT_TRUE(mask.leadingBlanks());
    EXPECT_TRUE(mask.saveLiterals());
    EXPECT_EQ(mask.blank(), QLatin1Char(' '));
    EXPECT_EQ(mask.positions()[0].kind, EditMask::Kind::DigitOptional);
    EXPECT_EQ(mask.positions()[1].kind, EditMask::Kind::DigitRequired);
    EXPECT_TRUE(mask.positions()[2].isLiteral());
    EXPECT_EQ(mask.positions()[2].literal, QLatin1Char(':'));
    EXPECT_EQ(mask.emptyEditText(), QStringLiteral("  :  :  "));

    const EditMask defaults = EditMask::parse(QStringLiteral("000"));
    EXPECT_TRUE(defaults.saveLiterals());
    EXPECT_EQ(defaults.blank(), QLatin1Char('_'));
    EXPECT_TRUE(EditMask::parse(QString()).isEmpty());
}

TEST(EditMask, RejectsMalformedMasks) {
    for (const char* bad : {"00\\", "00;2", "00;1;ab", ";1;_", "!;1; "}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(EditMask::parse(QString::fromUtf8(bad)), EditMaskError);
    }
}

TEST(EditMask, StoredValuesShowInTheirPositions) {
    const EditMask mask = EditMask::parse(QString::fromUtf8(kHourMask));
    EXPECT_EQ(platform::ui::editTextFromStored(mask, QStringLiteral(" 8:00:00")),
              QStringLiteral(" 8:00:00"));
    EXPECT_EQ(platform::ui::editTextFromStored(mask, QStringLiteral("17:45:00")),
              QStringLiteral("17:45:00"));
    EXPECT_EQ(platform::ui::editTextFromStored(mask, QString()), QStringLiteral("  :  :  "));
    EXPECT_EQ(platform::ui::editTextFromStored(mask, QStringLiteral("  :  :  ")),
              QStringLiteral("  :  :  "));
    // Without literals, and in a shortened form read as typed.
    EXPECT_EQ(platform::ui::editTextFromStored(mask, QStringLiteral("080000")),
              QStringLiteral("08:00:00"));
    EXPECT_EQ(platform::ui::editTextFromStored(mask, QStringLiteral("8:00:00")),
              QStringLiteral(" 8:00:00"));
    // A stored value the mask does not allow is shown as it is and reported.
    const QString odd = platform::ui::editTextFromStored(mask, QStringLiteral("ab:00:00"));
    EXPECT_EQ(odd, QStringLiteral("ab:00:00"));
    EXPECT_EQ(checkFill(mask, odd), MaskFill::Invalid);
    EXPECT_EQ(checkFill(mask, QStringLiteral("08:00")), MaskFill::Invalid);
}

TEST(EditMask, ErasingBlanksEditablePositionsOnly) {
    const EditMask mask = EditMask::parse(QString::fromUtf8(kHourMask));
    MaskEditState state{QStringLiteral("12:34:56"), 3};
    platform::ui::eraseBackward(mask, state);  // skips the colon
    EXPECT_EQ(state, (MaskEditState{QStringLiteral("1 :34:56"), 1}));

    state = {QStringLiteral("12:34:56"), 2};
    platform::ui::eraseForward(mask, state);
    EXPECT_EQ(state, (MaskEditState{QStringLiteral("12: 4:56"), 2}));

    state = {QStringLiteral("12:34:56"), 0};
    platform::ui::eraseRange(mask, state, 1, 7);
    EXPECT_EQ(state, (MaskEditState{QStringLiteral("1 :  : 6"), 1}));

    state = {QStringLiteral("12:34:56"), 8};
    EXPECT_FALSE(platform::ui::typeCharacter(mask, state,
                                             QLatin1Char('7')));  // nothing after the last position
    EXPECT_EQ(state.text, QStringLiteral("12:34:56"));
}

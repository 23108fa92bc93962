#pragma once

#include <QChar>
#include <QString>

#include <stdexcept>
#include <vector>

#include "platform/ui/export.h"

namespace platform::ui {

/// A malformed edit mask (unknown field count, empty mask, dangling escape).
class PLATFORM_UI_EXPORT EditMaskError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// An edit mask as the platform reads it: "MASK;SAVE;BLANK".
///
/// MASK characters: `0` required digit, `9` optional digit, `#` optional
/// digit or sign, `L`/`l` required/optional letter, `A`/`a` required/optional
/// letter or digit, `C`/`c` required/optional any character; `>` upper-cases
/// and `<` lower-cases the following characters (`<>` ends the conversion);
/// `\` makes the next character a literal; `!` puts the blank of an unfilled
/// optional position in front (a "9" hour typed as one digit is kept as a
/// leading blank, " 8:00:00"); every other character is a literal that
/// appears in the text at its place.
/// SAVE: "1" (default) keeps the literals in the stored text, "0" drops them.
/// BLANK: the character shown in unfilled positions (default "_").
///
/// Unlike Qt's input masks, the letters above keep their platform meaning.
class PLATFORM_UI_EXPORT EditMask {
public:
    enum class Kind {
        Literal,
        DigitRequired,   // 0
        DigitOptional,   // 9
        DigitOrSign,     // #
        LetterRequired,  // L
        LetterOptional,  // l
        AlnumRequired,   // A
        AlnumOptional,   // a
        AnyRequired,     // C
        AnyOptional,     // c
    };
    enum class CaseRule { Keep, Upper, Lower };

    struct Slot {
        Kind kind = Kind::Literal;
        QChar literal;  ///< for Kind::Literal
        CaseRule caseRule = CaseRule::Keep;

        bool isLiteral() const { return kind == Kind::Literal; }
        bool isRequired() const;
    };

    EditMask() = default;
    /// Throws EditMaskError for a malformed mask. An empty text gives the
    /// empty mask, under which any text is accepted unchanged.
    static EditMask parse(const QString& text);

    bool isEmpty() const { return positions_.empty(); }
    const std::vector<Slot>& positions() const { return positions_; }
    int length() const { return static_cast<int>(positions_.size()); }
    bool leadingBlanks() const { return leadingBlanks_; }
    bool saveLiterals() const { return saveLiterals_; }
    QChar blank() const { return blank_; }

    /// The character `c` as it would be stored at `pos` (case rule applied),
    /// or a null QChar when the position does not accept it.
    QChar accept(int pos, QChar c) const;

    /// The text shown when nothing has been typed: literals and blanks.
    QString emptyEditText() const;

private:
    std::vector<Slot> positions_;
    bool leadingBlanks_ = false;
    bool saveLiterals_ = true;
    QChar blank_ = QLatin1Char('_');
};

/// The text being edited under a mask and the cursor position in it. The
/// edit text always has one character per mask position.
struct PLATFORM_UI_EXPORT MaskEditState {
    QString text;
    int cursor = 0;
    bool operator==(const MaskEditState&) const = default;
};

/// How far an edit text fills its mask.
enum class MaskFill {
    Empty,       ///< nothing typed
    Complete,    ///< every required position filled, every character allowed
    Incomplete,  ///< something typed, but a required position is blank
    Invalid,     ///< a position holds a character its mask does not allow
};

/// One typed character at the cursor. Returns false (state unchanged) when
/// the character is refused. Typing the literal that ends the current group
/// jumps past it; under `!` the digits typed in that group move to its end,
/// so "8:" in "!90:00:00" gives " 8:".
PLATFORM_UI_EXPORT bool typeCharacter(const EditMask& mask, MaskEditState& state, QChar c);
/// Backspace: blanks the editable position before the cursor.
PLATFORM_UI_EXPORT void eraseBackward(const EditMask& mask, MaskEditState& state);
/// Delete: blanks the editable position at or after the cursor.
PLATFORM_UI_EXPORT void eraseForward(const EditMask& mask, MaskEditState& state);
/// Blanks every editable position in [from, to) and puts the cursor at from.
PLATFORM_UI_EXPORT void eraseRange(const EditMask& mask, MaskEditState& state, int from, int to);

PLATFORM_UI_EXPORT MaskFill checkFill(const EditMask& mask, const QString& editText);

/// The value a field stores for an edit text: literals kept or dropped as
/// the mask says, unfilled positions as spaces, and the empty text when
/// nothing has been typed (a field left blank holds no value).
PLATFORM_UI_EXPORT QString storedText(const EditMask& mask, const QString& editText);
/// The edit text that shows a stored value: a text of the full mask length
/// (or of the editable positions only) is placed position by position;
/// any other text fills the editable positions in order, skipping its own
/// copies of the literals; the empty text gives the empty edit text.
PLATFORM_UI_EXPORT QString editTextFromStored(const EditMask& mask, const QString& stored);

}  // namespace platform::ui

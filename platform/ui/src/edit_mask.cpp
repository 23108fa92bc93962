#include "platform/ui/edit_mask.h"

#include <algorithm>

namespace platform::ui {

namespace {

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isBlankInput(const EditMask& mask, QChar c) {
    return c == QLatin1Char(' ') || c == mask.blank();
}

bool isLiteralAt(const EditMask& mask, int pos) {
    return mask.positions()[static_cast<std::size_t>(pos)].isLiteral();
}

int nextEditable(const EditMask& mask, int pos) {
    while (pos < mask.length() && isLiteralAt(mask, pos)) ++pos;
    return pos;
}

/// Moves the characters typed in [start, typedEnd) to the end of the group
/// [start, end), blanks in front, when every position accepts its new
/// character; otherwise blanks [typedEnd, end) and leaves the rest.
void closeGroup(const EditMask& mask, QString& text, int start, int typedEnd, int end) {
    QString typed;
    for (int i = start; i < typedEnd; ++i) {
        if (!isBlankInput(mask, text[i])) typed.append(text[i]);
    }
    if (mask.leadingBlanks()) {
        QString group(end - start, mask.blank());
        const int first = end - start - static_cast<int>(typed.size());
        for (int i = 0; i < typed.size(); ++i) group[first + i] = typed[i];
        bool fits = true;
        for (int i = 0; i < group.size() && fits; ++i) {
            const int position = start + i;
            const auto& slot = mask.positions()[static_cast<std::size_t>(position)];
            fits = isBlankInput(mask, group[i]) ? !slot.isRequired()
                                                : !mask.accept(position, group[i]).isNull();
        }
        if (fits) {
            text.replace(start, end - start, group);
            return;
        }
    }
    for (int i = typedEnd; i < end; ++i) text[i] = mask.blank();
}

}  // namespace

bool EditMask::Slot::isRequired() const {
    switch (kind) {
        case Kind::DigitRequired:
        case Kind::LetterRequired:
        case Kind::AlnumRequired:
        case Kind::AnyRequired:
            return true;
        default:
            return false;
    }
}

EditMask EditMask::parse(const QString& text) {
    EditMask mask;
    if (text.isEmpty()) return mask;

    CaseRule caseRule = CaseRule::Keep;
    int i = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char(';')) break;
        Slot slot;
        slot.caseRule = caseRule;
        switch (c.unicode()) {
            case '!':
                mask.leadingBlanks_ = true;
                continue;
            case '>':
                caseRule = CaseRule::Upper;
                continue;
            case '<':
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('>')) {
                    ++i;
                    caseRule = CaseRule::Keep;
                } else {
                    caseRule = CaseRule::Lower;
                }
                continue;
            case '\\':
                if (i + 1 >= text.size())
                    throw EditMaskError("Edit mask ends with an escape: \"" + text.toStdString() +
                                        "\"");
                slot.kind = Kind::Literal;
                slot.literal = text[++i];
                break;
            case '0':
                slot.kind = Kind::DigitRequired;
                break;
            case '9':
                slot.kind = Kind::DigitOptional;
                break;
            case '#':
                slot.kind = Kind::DigitOrSign;
                break;
            case 'L':
                slot.kind = Kind::LetterRequired;
                break;
            case 'l':
                slot.kind = Kind::LetterOptional;
                break;
            case 'A':
                slot.kind = Kind::AlnumRequired;
                break;
            case 'a':
                slot.kind = Kind::AlnumOptional;
                break;
            case 'C':
                slot.kind = Kind::AnyRequired;
                break;
            case 'c':
                slot.kind = Kind::AnyOptional;
                break;
            default:
                slot.kind = Kind::Literal;
                slot.literal = c;
                break;
        }
        mask.positions_.push_back(slot);
    }
    if (mask.positions_.empty())
        throw EditMaskError("Edit mask has no positions: \"" + text.toStdString() + "\"");

    if (i < text.size()) {  // ";SAVE[;BLANK]"
        const QString rest = text.mid(i + 1);
        const auto sep = rest.indexOf(QLatin1Char(';'));
        const QString save = sep < 0 ? rest : rest.left(sep);
        if (save == QLatin1String("0")) {
            mask.saveLiterals_ = false;
        } else if (save == QLatin1String("1") || save.isEmpty()) {
            mask.saveLiterals_ = true;
        } else {
            throw EditMaskError("Edit mask literal flag must be 0 or 1: \"" + text.toStdString() +
                                "\"");
        }
        if (sep >= 0) {
            const QString blank = rest.mid(sep + 1);
            if (blank.size() > 1)
                throw EditMaskError("Edit mask blank must be one character: \"" +
                                    text.toStdString() + "\"");
            if (blank.size() == 1) mask.blank_ = blank[0];
        }
    }
    return mask;
}

QChar EditMask::accept(int pos, QChar c) const {
    if (pos < 0 || pos >= length()) return {};
    const Slot& slot = positions_[static_cast<std::size_t>(pos)];
    bool ok = false;
    switch (slot.kind) {
        case Kind::Literal:
            return {};
        case Kind::DigitRequired:
        case Kind::DigitOptional:
            ok = isAsciiDigit(c);
            break;
        case Kind::DigitOrSign:
            ok = isAsciiDigit(c) || c == QLatin1Char('+') || c == QLatin1Char('-');
            break;
        case Kind::LetterRequired:
        case Kind::LetterOptional:
            ok = c.isLetter();
            break;
        case Kind::AlnumRequired:
        case Kind::AlnumOptional:
            ok = c.isLetterOrNumber();
            break;
        case Kind::AnyRequired:
        case Kind::AnyOptional:
            ok = c.isPrint() && c != blank_;
            break;
    }
    if (!ok) return {};
    switch (slot.caseRule) {
        case CaseRule::Upper:
            return c.toUpper();
        case CaseRule::Lower:
            return c.toLower();
        case CaseRule::Keep:
            break;
    }
    return c;
}

QString EditMask::emptyEditText() const {
    QString text;
    text.reserve(length());
    for (const Slot& slot : positions_) text.append(slot.isLiteral() ? slot.literal : blank_);
    return text;
}

bool typeCharacter(const EditMask& mask, MaskEditState& state, QChar c) {
    const int n = mask.length();
    int pos = std::clamp(state.cursor, 0, n);
    if (pos < n && isLiteralAt(mask, pos)) {
        if (c == mask.positions()[static_cast<std::size_t>(pos)].literal) {
            state.cursor = pos + 1;
            return true;
        }
        pos = nextEditable(mask, pos);
    }
    if (pos >= n) return false;

    if (const QChar stored = mask.accept(pos, c); !stored.isNull()) {
        state.text[pos] = stored;
        state.cursor = pos + 1;
        return true;
    }
    const auto& slot = mask.positions()[static_cast<std::size_t>(pos)];
    if (isBlankInput(mask, c) && !slot.isRequired()) {
        state.text[pos] = mask.blank();
        state.cursor = pos + 1;
        return true;
    }
    // The literal that closes the group being typed: the group is done.
    int end = pos;
    while (end < n && !isLiteralAt(mask, end)) ++end;
    if (end < n && mask.positions()[static_cast<std::size_t>(end)].literal == c) {
        int start = pos;
        while (start > 0 && !isLiteralAt(mask, start - 1)) --start;
        closeGroup(mask, state.text, start, pos, end);
        state.cursor = end + 1;
        return true;
    }
    return false;
}

void eraseBackward(const EditMask& mask, MaskEditState& state) {
    int pos = std::min(state.cursor, mask.length()) - 1;
    while (pos >= 0 && isLiteralAt(mask, pos)) --pos;
    if (pos < 0) return;
    state.text[pos] = mask.blank();
    state.cursor = pos;
}

void eraseForward(const EditMask& mask, MaskEditState& state) {
    const int pos = nextEditable(mask, std::max(state.cursor, 0));
    if (pos < mask.length()) state.text[pos] = mask.blank();
}

void eraseRange(const EditMask& mask, MaskEditState& state, int from, int to) {
    from = std::clamp(from, 0, mask.length());
    to = std::clamp(to, from, mask.length());
    for (int i = from; i < to; ++i) {
        if (!isLiteralAt(mask, i)) state.text[i] = mask.blank();
    }
    state.cursor = from;
}

MaskFill checkFill(const EditMask& mask, const QString& editText) {
    if (mask.isEmpty()) return editText.isEmpty() ? MaskFill::Empty : MaskFill::Complete;
    if (editText.size() != mask.length()) return MaskFill::Invalid;
    bool typed = false;
    bool missing = false;
    for (int i = 0; i < mask.length(); ++i) {
        const auto& slot = mask.positions()[static_cast<std::size_t>(i)];
        const QChar c = editText[i];
        if (slot.isLiteral()) {
            if (c != slot.literal) return MaskFill::Invalid;
        } else if (isBlankInput(mask, c)) {
            missing = missing || slot.isRequired();
        } else {
            if (mask.accept(i, c) != c) return MaskFill::Invalid;
            typed = true;
        }
    }
    if (!typed) return MaskFill::Empty;
    return missing ? MaskFill::Incomplete : MaskFill::Complete;
}

QString storedText(const EditMask& mask, const QString& editText) {
    if (mask.isEmpty()) return editText;
    QString out;
    bool typed = false;
    for (int i = 0; i < mask.length(); ++i) {
        const auto& slot = mask.positions()[static_cast<std::size_t>(i)];
        const QChar c = i < editText.size() ? editText[i] : mask.blank();
        if (slot.isLiteral()) {
            if (mask.saveLiterals()) out.append(slot.literal);
        } else if (isBlankInput(mask, c)) {
            out.append(QLatin1Char(' '));
        } else {
            out.append(c);
            typed = true;
        }
    }
    return typed ? out : QString();
}

QString editTextFromStored(const EditMask& mask, const QString& stored) {
    if (mask.isEmpty()) return stored;
    QString text = mask.emptyEditText();
    if (stored.isEmpty()) return text;

    int editable = 0;
    for (const auto& slot : mask.positions()) editable += slot.isLiteral() ? 0 : 1;
    const auto place = [&](int pos, QChar c) {
        text[pos] = c == QLatin1Char(' ') ? mask.blank() : c;
    };

    if (stored.size() == mask.length()) {
        for (int i = 0; i < mask.length(); ++i) {
            if (!isLiteralAt(mask, i)) place(i, stored[i]);
        }
        return text;
    }
    if (stored.size() == editable) {
        int k = 0;
        for (int i = 0; i < mask.length(); ++i) {
            if (!isLiteralAt(mask, i)) place(i, stored[k++]);
        }
        return text;
    }
    // Any other form is read as if typed, so "8:00:00" shows as " 8:00:00".
    MaskEditState state{text, 0};
    for (const QChar c : stored) typeCharacter(mask, state, c);
    return state.text;
}

}  // namespace platform::ui

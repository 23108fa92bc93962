#include "platform/ui/masked_edit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

namespace platform::ui {

namespace {
// QLineEdit's own default maximum length.
constexpr int kUnlimitedLength = 32767;
}  // namespace

MaskedEdit::MaskedEdit(QWidget* parent) : QLineEdit(parent) {}

void MaskedEdit::setEditMask(const QString& mask) {
    EditMask parsed = EditMask::parse(mask);
    const QString stored = storedText();
    const bool hadMask = !mask_.isEmpty();
    mask_ = std::move(parsed);
    maskText_ = mask;
    if (!mask_.isEmpty()) {
        setMaxLength(mask_.length());
    } else if (hadMask) {
        setMaxLength(kUnlimitedLength);  // the limit was the old mask's, not the caller's
    }
    setStoredText(stored);
}

QString MaskedEdit::storedText() const {
    return platform::ui::storedText(mask_, text());
}

void MaskedEdit::setStoredText(const QString& stored) {
    setText(editTextFromStored(mask_, stored));
    setCursorPosition(0);
}

MaskFill MaskedEdit::fill() const {
    return checkFill(mask_, text());
}

MaskEditState MaskedEdit::currentState() const {
    return {text(), hasSelectedText() ? selectionStart() : cursorPosition()};
}

void MaskedEdit::applyState(const MaskEditState& state, bool byUser) {
    const bool changed = state.text != text();
    if (changed) setText(state.text);
    setCursorPosition(state.cursor);
    if (changed && byUser) {
        emit textEdited(state.text);
        emit storedTextEdited(storedText());
    }
}

void MaskedEdit::typeText(const QString& typed) {
    MaskEditState state = currentState();
    if (hasSelectedText()) eraseRange(mask_, state, selectionStart(), selectionEnd());
    for (const QChar c : typed) typeCharacter(mask_, state, c);
    applyState(state, true);
}

void MaskedEdit::keyPressEvent(QKeyEvent* event) {
    if (mask_.isEmpty() || isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event == QKeySequence::Paste) {
        typeText(QGuiApplication::clipboard()->text());
        return;
    }
    if (event == QKeySequence::Cut || event == QKeySequence::Undo || event == QKeySequence::Redo) {
        return;  // editing history and cutting would shift positions out of the mask
    }
    MaskEditState state = currentState();
    switch (event->key()) {
        case Qt::Key_Backspace:
            if (hasSelectedText()) {
                eraseRange(mask_, state, selectionStart(), selectionEnd());
            } else {
                eraseBackward(mask_, state);
            }
            applyState(state, true);
            return;
        case Qt::Key_Delete:
            if (hasSelectedText()) {
                eraseRange(mask_, state, selectionStart(), selectionEnd());
            } else {
                eraseForward(mask_, state);
            }
            applyState(state, true);
            return;
        default:
            break;
    }
    const QString typed = event->text();
    const bool printable =
        !typed.isEmpty() && typed[0].isPrint() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (printable) {
        typeText(typed);
        return;
    }
    QLineEdit::keyPressEvent(event);  // cursor movement, Enter, shortcuts
}

void MaskedEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (!mask_.isEmpty() && text().isEmpty()) {
        setText(mask_.emptyEditText());
        setCursorPosition(0);
    }
}

}  // namespace platform::ui

#include "platform/dbcontrols/field_line_edit.h"

#include <QKeyEvent>

#include "platform/dataset/field.h"

namespace platform::dbcontrols {

FieldLineEdit::FieldLineEdit(QWidget* parent) : ui::MaskedEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, [this] { modified_ = true; });
}

void FieldLineEdit::loadFrom(const platform::dataset::Field* field) {
    const QString mask = field ? QString::fromStdString(field->editMask()) : QString();
    if (mask != editMaskText()) {
        setStoredText({});
        setEditMask(mask);
    }
    if (field && mask.isEmpty() && field->type() == platform::dataset::FieldType::String &&
        field->size() > 0) {
        setMaxLength(field->size());
    } else if (mask.isEmpty()) {
        setMaxLength(32767);
    }
    const QString stored = field ? QString::fromStdString(field->text()) : QString();
    // Showing the same text again keeps the cursor and selection where the
    // user left them (an edit starting under the user's first key reloads).
    if (ui::editTextFromStored(editMask(), stored) != text() ||
        stored.isEmpty() != text().isEmpty())
        setStoredText(stored);
    modified_ = false;
}

bool FieldLineEdit::writeTo(platform::dataset::Field& field) {
    if (!modified_) return false;
    modified_ = false;
    try {
        field.setText(storedText().toStdString());
    } catch (...) {
        modified_ = true;
        throw;
    }
    return true;
}

bool FieldLineEdit::changesText(const QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
        event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo))
        return true;
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) return true;
    const QString typed = event->text();
    return !typed.isEmpty() && typed[0].isPrint() &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

bool FieldLineEdit::maskRefuses(const QKeyEvent* event) const {
    const ui::EditMask& mask = editMask();
    const QString typed = event->text();
    if (mask.isEmpty() || typed.size() != 1 || event->key() == Qt::Key_Backspace ||
        event->key() == Qt::Key_Delete)
        return false;
    const QChar c = typed[0];
    const int from = hasSelectedText() ? selectionStart() : cursorPosition();
    const auto& places = mask.positions();
    for (int pos = 0; pos < mask.length(); ++pos) {
        const auto& place = places[static_cast<std::size_t>(pos)];
        if (place.isLiteral() ? place.literal == c : (pos >= from && !mask.accept(pos, c).isNull()))
            return false;
    }
    return true;
}

void FieldLineEdit::keyPressEvent(QKeyEvent* event) {
    if (changesText(event) && maskRefuses(event)) {
        // A character the mask takes nowhere changes nothing: no edit starts
        // and a selection stays as it is.
        event->accept();
        return;
    }
    if (!isReadOnly() && changesText(event) && beforeModify && !beforeModify()) {
        event->accept();  // refused: the key changes nothing
        return;
    }
    ui::MaskedEdit::keyPressEvent(event);
}

void FieldLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    // The menu's paste and cut would change the text without asking first.
    event->ignore();
}

}  // namespace platform::dbcontrols

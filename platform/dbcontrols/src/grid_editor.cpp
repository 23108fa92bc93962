#include "grid_editor.h"

#include <QKeyEvent>

#include "platform/dbcontrols/db_grid.h"

namespace platform::dbcontrols {

GridEditor::GridEditor(DBGrid& grid, QWidget* parent) : FieldLineEdit(parent), grid_(grid) {
    setFrame(false);
}

bool GridEditor::event(QEvent* event) {
    // Tab reaches QWidget::event's focus chain before keyPressEvent; the
    // grid decides what Tab does.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            grid_.hasOption(DBGrid::Option::Tabs) &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            grid_.handleKey(key);
            return true;
        }
    }
    return FieldLineEdit::event(event);
}

void GridEditor::keyPressEvent(QKeyEvent* event) {
    if (grid_.isNavigationKey(event)) {
        grid_.handleKey(event);
        return;
    }
    FieldLineEdit::keyPressEvent(event);
}

}  // namespace platform::dbcontrols

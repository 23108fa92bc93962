// DBGrid's moves between cells and rows, and the keys and clicks that ask for them.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

#include "grid_editor.h"
#include "platform/dataset/data_set.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/ui/dialog_service.h"
#include "platform/ui/dispatch.h"

namespace platform::dbcontrols {

using platform::dataset::DataSetState;

// --- Moves ------------------------------------------------------------------------------------

void DBGrid::commitEditor() {
    if (!editorOpen_ || !editor_->userModified()) return;
    platform::dataset::Field* field = selectedField();
    if (!field) return;
    editor_->writeTo(*field);
}

bool DBGrid::changeColumn(int index) {
    commitEditor();
    if (columns_.empty()) return false;
    index = std::clamp(index, 0, columnCount() - 1);
    const int old = selectedIndex_;
    if (index == old) return true;
    if (!inColExit_) {
        inColExit_ = true;
        try {
            if (onColExit) onColExit(*this);
        } catch (...) {
            inColExit_ = false;
            throw;
        }
        inColExit_ = false;
        // The handler chose a column itself (a field's focus request).
        if (selectedIndex_ != old) return false;
    }
    hideEditor();
    selectedIndex_ = index;
    ensureCurrentVisible();
    refresh();
    if (onColEnter) onColEnter(*this);
    return true;
}

void DBGrid::moveToRow(int row) {
    platform::dataset::DataSet* ds = dataSet();
    if (!ds) return;
    commitEditor();
    const int current = currentRow();
    if (row == current || row < 0) return;
    int target = row;
    if (ds->state() == DataSetState::Insert) {
        const int inserted = ds->insertDisplayRow();
        const int before = ds->recordCount();
        ds->checkBrowseMode();
        const bool posted = ds->recordCount() > before;
        // Rows shown below a cancelled new row move up by one.
        if (!posted && row > inserted) target = row - 1;
    } else {
        ds->checkBrowseMode();
    }
    if (ds->isEmpty()) return;
    target = std::clamp(target, 0, ds->recordCount() - 1);
    if (ds->recNo() != target + 1) ds->setRecNo(target + 1);
}

void DBGrid::moveToCell(int row, int column) {
    commitEditor();
    if (column != selectedIndex_ && !changeColumn(column)) return;
    if (selectedIndex_ != column) return;
    moveToRow(row);
}

bool DBGrid::canAppend() const {
    return hasOption(Option::Editing) && !readOnly_;
}

void DBGrid::nextRow(bool mayAppend) {
    platform::dataset::DataSet* ds = dataSet();
    if (!ds) return;
    commitEditor();
    if (ds->state() == DataSetState::Insert && !ds->modified()) {
        if (ds->appending()) return;  // already on the new last row
        ds->cancel();                 // the row below the new one becomes current
        return;
    }
    const bool wasEmpty = ds->isEmpty();
    if (!wasEmpty) ds->next();
    if ((wasEmpty || ds->eof()) && mayAppend && canAppend()) ds->append();
}

void DBGrid::priorRow() {
    platform::dataset::DataSet* ds = dataSet();
    if (!ds) return;
    commitEditor();
    if (ds->state() == DataSetState::Insert && !ds->modified() && ds->appending()) {
        ds->cancel();
        return;
    }
    if (!ds->isEmpty()) ds->prior();
}

void DBGrid::tabMove(bool forward) {
    if (columns_.empty()) return;
    commitEditor();
    if (forward) {
        if (selectedIndex_ < columnCount() - 1) {
            changeColumn(selectedIndex_ + 1);
        } else {
            nextRow(false);
            changeColumn(0);
        }
    } else {
        if (selectedIndex_ > 0) {
            changeColumn(selectedIndex_ - 1);
        } else {
            priorRow();
            changeColumn(columnCount() - 1);
        }
    }
}

void DBGrid::cancelKey() {
    if (editorOpen_ && editor_->userModified()) {
        reloadEditor();
        return;
    }
    if (platform::dataset::DataSet* ds = dataSet(); ds && ds->editing()) ds->cancel();
    hideEditor();
}

void DBGrid::deleteCurrentRow() {
    platform::dataset::DataSet* ds = dataSet();
    if (!ds || ds->isEmpty() || readOnly_) return;
    if (hasOption(Option::ConfirmDelete) && !ui::dialogs().confirm(deleteQuestion_)) return;
    hideEditor();
    ds->deleteRecord();
}

void DBGrid::insertRow() {
    platform::dataset::DataSet* ds = dataSet();
    if (!ds || !canAppend()) return;
    commitEditor();
    ds->insert();
}

void DBGrid::editButtonClick() {
    if (selectedIndex_ < 0 || !columnShowsButton(selectedIndex_)) return;
    // A pick writes the field; text typed before it must not overwrite it later.
    commitEditor();
    if (onEditButtonClick) onEditButtonClick(*this);
}

bool DBGrid::beginModify() {
    bool allowed = false;
    ui::dispatch([&] {
        platform::dataset::DataSet* ds = dataSet();
        const platform::dataset::Field* field = selectedField();
        if (!ds || !field || !canShowEditor()) return;
        if (!ds->editing()) ds->edit();
        allowed = ds->editing();
    });
    return allowed;
}

// --- Keys ---------------------------------------------------------------------------------------

bool DBGrid::isNavigationKey(const QKeyEvent* event) const {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F2:
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return hasOption(Option::Tabs);
        case Qt::Key_Delete:
            return ctrl;
        case Qt::Key_Insert:
            return event->modifiers() == Qt::NoModifier;
        default:
            return false;
    }
}

void DBGrid::handleKey(QKeyEvent* event) {
    event->accept();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    ui::dispatch([&] {
        switch (event->key()) {
            case Qt::Key_Down:
                nextRow(true);
                break;
            case Qt::Key_Up:
                priorRow();
                break;
            case Qt::Key_PageDown:
                moveToRow(
                    std::min(currentRow() + std::max(1, visibleRowCount() - 1), rowCount() - 1));
                break;
            case Qt::Key_PageUp:
                moveToRow(std::max(currentRow() - std::max(1, visibleRowCount() - 1), 0));
                break;
            case Qt::Key_Home:
                if (ctrl) {
                    commitEditor();
                    if (platform::dataset::DataSet* ds = dataSet()) ds->first();
                } else {
                    changeColumn(0);
                }
                break;
            case Qt::Key_End:
                if (ctrl) {
                    commitEditor();
                    if (platform::dataset::DataSet* ds = dataSet()) ds->last();
                } else {
                    changeColumn(columnCount() - 1);
                }
                break;
            case Qt::Key_Left:
                changeColumn(selectedIndex_ - 1);
                break;
            case Qt::Key_Right:
                changeColumn(selectedIndex_ + 1);
                break;
            case Qt::Key_Tab:
                tabMove(!shift);
                break;
            case Qt::Key_Backtab:
                tabMove(false);
                break;
            case Qt::Key_Escape:
                cancelKey();
                break;
            case Qt::Key_Insert:
                if (!ctrl && !shift) insertRow();
                break;
            case Qt::Key_Delete:
                if (ctrl) deleteCurrentRow();
                break;
            case Qt::Key_F2:
                if (!editorOpen_) showEditor();
                break;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                if (ctrl) {
                    editButtonClick();
                } else if (editorOpen_) {
                    commitEditor();
                    hideEditor();
                } else {
                    showEditor();
                }
                break;
            default:
                event->ignore();
                break;
        }
    });
}

void DBGrid::typeIntoCell(QKeyEvent* event) {
    if (!canShowEditor() || !beginModify()) return;
    if (!editorOpen_) showEditor();
    if (!editorOpen_) return;
    editor_->selectAll();
    forwardKeyToEditor(event);
}

void DBGrid::forwardKeyToEditor(QKeyEvent* event) {
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(),
                   event->isAutoRepeat(), static_cast<quint16>(event->count()));
    forwardingKey_ = true;
    QApplication::sendEvent(editor_, &copy);
    forwardingKey_ = false;
    event->setAccepted(copy.isAccepted());
}

bool DBGrid::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            hasOption(Option::Tabs) &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            handleKey(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void DBGrid::keyPressEvent(QKeyEvent* event) {
    if (forwardingKey_) {
        // The editor left the key it was given; it comes back up here.
        event->ignore();
        return;
    }
    if (editorOpen_ && !isNavigationKey(event)) {
        // Keys sent to the grid while its editor is open are the editor's.
        forwardKeyToEditor(event);
        return;
    }
    const QString text = event->text();
    const bool printable =
        !text.isEmpty() && text[0].isPrint() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (printable) {
        event->accept();
        typeIntoCell(event);
        return;
    }
    handleKey(event);
    if (!event->isAccepted()) QAbstractScrollArea::keyPressEvent(event);
}

// --- Mouse
// ------------------------------------------------------------------------------------------

void DBGrid::clickAt(int row, int column, bool wasFocused) {
    if (row == currentRow() && column == selectedIndex_) {
        if (wasFocused && !editorOpen_) showEditor();
        return;
    }
    moveToCell(row, column);
}

void DBGrid::clickCell(int row, int column) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
    const bool wasFocused = focusWithin();
    if (!wasFocused) {
        takeFocus(Qt::MouseFocusReason);
        focusedByMouse_ = false;
        if (!focusWithin()) return;
    }
    ui::dispatch([&] { clickAt(row, column, wasFocused); });
}

void DBGrid::mousePressEvent(QMouseEvent* event) {
    const bool wasFocused = focusWithin() && !focusedByMouse_;
    focusedByMouse_ = false;
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    if (const int handle = resizeHandleAt(pos); handle >= 0) {
        resizingColumn_ = handle;
        resizeStartX_ = pos.x();
        resizeStartWidth_ = column(handle).width();
        return;
    }
    if (editButtonRect().contains(pos)) {
        ui::dispatch([this] { editButtonClick(); });
        return;
    }
    const auto [row, col] = cellAt(pos);
    if (row < 0 || col < 0) return;
    if (!focusWithin()) takeFocus(Qt::MouseFocusReason);
    // Captured by name: clang before 16 (clang-tidy's) cannot capture a structured binding.
    ui::dispatch([&, row = row, col = col] { clickAt(row, col, wasFocused); });
}

void DBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const auto [row, col] = cellAt(event->position().toPoint());
    if (row >= 0 && row == currentRow() && col == selectedIndex_ && !editorOpen_)
        ui::dispatch([this] { showEditor(); });
}

void DBGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (resizingColumn_ >= 0) {
        column(resizingColumn_).setWidth(std::max(8, resizeStartWidth_ + pos.x() - resizeStartX_));
        return;
    }
    viewport()->setCursor(resizeHandleAt(pos) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void DBGrid::mouseReleaseEvent(QMouseEvent*) {
    resizingColumn_ = -1;
}

}  // namespace platform::dbcontrols

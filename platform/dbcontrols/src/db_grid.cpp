#include "platform/db_grid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>
#include <stdexcept>

#include "dataset/data_set.h"
#include "dataset/data_source.h"
#include "grid_editor.h"
#include "platform/dialog_service.h"
#include "platform/dispatch.h"
#include "platform/focus_lookup.h"
#include "platform/focus_manager.h"

namespace platform {

using dataset::DataSetState;

// --- Data link -------------------------------------------------------------------

class DBGrid::Link : public dataset::DataLink {
public:
    explicit Link(DBGrid& grid) : grid_(grid) {}

protected:
    void activeChanged() override { grid_.linkActiveChanged(); }
    void editingChanged() override { grid_.linkEditingChanged(); }
    void dataSetChanged() override { grid_.linkDataChanged(false); }
    void dataSetScrolled() override { grid_.linkDataChanged(true); }
    void recordChanged(dataset::Field* field) override { grid_.linkRecordChanged(field); }
    void updateData() override { grid_.linkUpdateData(); }
    bool focusControl(dataset::Field& field) override { return grid_.linkFocusControl(field); }

private:
    DBGrid& grid_;
};

// --- Construction and binding ---------------------------------------------------------

DBGrid::DBGrid(QWidget* parent)
    : QAbstractScrollArea(parent), link_(std::make_unique<Link>(*this)),
      deleteQuestion_(QStringLiteral("Excluir registro?")) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    editor_ = new GridEditor(*this, viewport());
    editor_->hide();
    editor_->beforeModify = [this] { return beginModify(); };
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        const auto inside = [this](const QWidget* w) { return w && (w == this || isAncestorOf(w)); };
        // Only a move to another control of the same window is an exit; a
        // dialog or another window taking the focus is not.
        if (inside(old) && now && !inside(now) && now->window() == window()) focusLeft();
    });
}

DBGrid::~DBGrid() {
    // The link calls back into the grid: detach it while the grid is whole.
    link_->setDataSource(nullptr);
}

void DBGrid::setDataSource(dataset::DataSource* source) {
    link_->setDataSource(source);
    linkActiveChanged();
}

dataset::DataSource* DBGrid::dataSource() const { return link_->dataSource(); }

dataset::DataSet* DBGrid::dataSet() const { return link_->active() ? link_->dataSet() : nullptr; }

// --- Columns ---------------------------------------------------------------------------

void DBGrid::setColumns(const std::vector<DBGridColumnDef>& columns) {
    hideEditor();
    columns_.clear();
    declaredColumns_ = !columns.empty();
    if (declaredColumns_) {
        for (const DBGridColumnDef& def : columns)
            columns_.push_back(std::unique_ptr<DBGridColumn>(new DBGridColumn(*this, 0, def)));
        renumberColumns();
    } else {
        rebuildDefaultColumns();
    }
    selectedIndex_ = columns_.empty() ? -1 : std::clamp(selectedIndex_, 0, columnCount() - 1);
    refresh();
}

void DBGrid::rebuildDefaultColumns() {
    if (declaredColumns_) return;
    std::vector<QString> names;
    if (dataset::DataSet* ds = dataSet()) {
        for (int i = 0; i < ds->fieldCount(); ++i) {
            if (ds->field(i).visible()) names.push_back(QString::fromStdString(ds->field(i).name()));
        }
    }
    bool same = names.size() == columns_.size();
    for (std::size_t i = 0; same && i < names.size(); ++i) same = names[i] == columns_[i]->fieldName();
    if (same) return;
    hideEditor();
    columns_.clear();
    for (const QString& name : names)
        columns_.push_back(std::unique_ptr<DBGridColumn>(new DBGridColumn(*this, 0, DBGridColumnDef{name})));
    renumberColumns();
    selectedIndex_ = columns_.empty() ? -1 : std::clamp(selectedIndex_, 0, columnCount() - 1);
}

void DBGrid::renumberColumns() {
    for (std::size_t i = 0; i < columns_.size(); ++i) columns_[i]->index_ = static_cast<int>(i);
}

DBGridColumn& DBGrid::column(int index) const {
    if (index < 0 || index >= columnCount())
        throw std::out_of_range("Grid column " + std::to_string(index) + " does not exist");
    return *columns_[static_cast<std::size_t>(index)];
}

int DBGrid::columnIndex(const QString& fieldName) const {
    for (const auto& c : columns_) {
        if (c->fieldName().compare(fieldName, Qt::CaseInsensitive) == 0) return c->index();
    }
    return -1;
}

void DBGrid::columnChanged() {
    if (editorOpen_ && !canShowEditor()) hideEditor();
    refresh();
}

// --- Options -----------------------------------------------------------------------------

void DBGrid::setOptions(Options options) {
    options_ = options;
    registerTabUse();
    if (editorOpen_ && !canShowEditor()) hideEditor();
    refresh();
}

void DBGrid::setOption(Option option, bool on) { setOptions(on ? options_ | option : options_ & ~Options(option)); }

void DBGrid::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    if (editorOpen_ && !canShowEditor()) hideEditor();
    refresh();
}

void DBGrid::setDefaultDrawing(bool on) {
    defaultDrawing_ = on;
    viewport()->update();
}

void DBGrid::setCellColor(const QColor& color) {
    cellColor_ = color;
    viewport()->update();
}

QColor DBGrid::cellColor() const { return cellColor_.isValid() ? cellColor_ : palette().color(QPalette::Base); }

// --- Current cell ---------------------------------------------------------------------------

int DBGrid::currentRow() const {
    const dataset::DataSet* ds = dataSet();
    return ds ? ds->displayRowOfCursor() : -1;
}

int DBGrid::rowCount() const {
    const dataset::DataSet* ds = dataSet();
    return ds ? ds->displayRowCount() : 0;
}

dataset::Field* DBGrid::selectedField() const {
    return selectedIndex_ >= 0 && selectedIndex_ < columnCount() ? column(selectedIndex_).field() : nullptr;
}

bool DBGrid::setSelectedIndex(int index) {
    if (index < 0 || index >= columnCount()) return false;
    changeColumn(index);
    return selectedIndex_ == index;
}

bool DBGrid::setSelectedField(const dataset::Field& field) { return setSelectedField(QString::fromStdString(field.name())); }

bool DBGrid::setSelectedField(const QString& fieldName) { return setSelectedIndex(columnIndex(fieldName)); }

// --- Link callbacks ---------------------------------------------------------------------------

void DBGrid::linkActiveChanged() {
    hideEditor();
    rebuildDefaultColumns();
    if (selectedIndex_ < 0 && !columns_.empty()) selectedIndex_ = 0;
    drawings_.clear();
    refresh();
}

void DBGrid::linkDataChanged(bool scrolled) {
    rebuildDefaultColumns();
    if (editorOpen_) {
        if (scrolled || currentRow() != editorRow_ || !canShowEditor()) {
            hideEditor();
        } else {
            reloadEditor();
        }
    }
    if (!scrolled) drawings_.clear();
    ensureCurrentVisible();
    refresh();
}

void DBGrid::linkRecordChanged(dataset::Field* field) {
    if (editorOpen_ && !editor_->userModified() && (!field || field == selectedField())) reloadEditor();
    viewport()->update();
}

void DBGrid::linkEditingChanged() {
    // A post or cancel ends what the editor held; an edit that starts shows
    // the row's values.
    if (editorOpen_) {
        if (currentRow() != editorRow_ || !canShowEditor()) {
            hideEditor();
        } else if (!link_->editing() || !editor_->userModified()) {
            reloadEditor();
        }
    }
    refresh();
}

void DBGrid::linkUpdateData() { commitEditor(); }

bool DBGrid::linkFocusControl(dataset::Field& field) {
    const int index = columnIndex(QString::fromStdString(field.name()));
    if (index < 0) return false;
    if (selectedIndex_ != index) changeColumn(index);
    if (selectedIndex_ != index) return false;
    takeFocus(Qt::OtherFocusReason);
    if (!focusWithin()) return false;
    if (canShowEditor()) showEditor();
    return true;
}

// --- Moves ------------------------------------------------------------------------------------

void DBGrid::commitEditor() {
    if (!editorOpen_ || !editor_->userModified()) return;
    dataset::Field* field = selectedField();
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
    dataset::DataSet* ds = dataSet();
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
    dataset::DataSet* ds = dataSet();
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
    dataset::DataSet* ds = dataSet();
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
    if (dataset::DataSet* ds = dataSet(); ds && ds->editing()) ds->cancel();
    hideEditor();
}

void DBGrid::deleteCurrentRow() {
    dataset::DataSet* ds = dataSet();
    if (!ds || ds->isEmpty() || readOnly_) return;
    if (hasOption(Option::ConfirmDelete) && !dialogs().confirm(deleteQuestion_)) return;
    hideEditor();
    ds->deleteRecord();
}

void DBGrid::insertRow() {
    dataset::DataSet* ds = dataSet();
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
    dispatch([&] {
        dataset::DataSet* ds = dataSet();
        const dataset::Field* field = selectedField();
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
    dispatch([&] {
        switch (event->key()) {
        case Qt::Key_Down: nextRow(true); break;
        case Qt::Key_Up: priorRow(); break;
        case Qt::Key_PageDown: moveToRow(std::min(currentRow() + std::max(1, visibleRowCount() - 1), rowCount() - 1)); break;
        case Qt::Key_PageUp: moveToRow(std::max(currentRow() - std::max(1, visibleRowCount() - 1), 0)); break;
        case Qt::Key_Home:
            if (ctrl) {
                commitEditor();
                if (dataset::DataSet* ds = dataSet()) ds->first();
            } else {
                changeColumn(0);
            }
            break;
        case Qt::Key_End:
            if (ctrl) {
                commitEditor();
                if (dataset::DataSet* ds = dataSet()) ds->last();
            } else {
                changeColumn(columnCount() - 1);
            }
            break;
        case Qt::Key_Left: changeColumn(selectedIndex_ - 1); break;
        case Qt::Key_Right: changeColumn(selectedIndex_ + 1); break;
        case Qt::Key_Tab: tabMove(!shift); break;
        case Qt::Key_Backtab: tabMove(false); break;
        case Qt::Key_Escape: cancelKey(); break;
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
        default: event->ignore(); break;
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
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat(),
                   static_cast<quint16>(event->count()));
    forwardingKey_ = true;
    QApplication::sendEvent(editor_, &copy);
    forwardingKey_ = false;
    event->setAccepted(copy.isAccepted());
}

bool DBGrid::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && hasOption(Option::Tabs) &&
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
    const bool printable = !text.isEmpty() && text[0].isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (printable) {
        event->accept();
        typeIntoCell(event);
        return;
    }
    handleKey(event);
    if (!event->isAccepted()) QAbstractScrollArea::keyPressEvent(event);
}

// --- Mouse ------------------------------------------------------------------------------------------

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
    dispatch([&] { clickAt(row, column, wasFocused); });
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
        dispatch([this] { editButtonClick(); });
        return;
    }
    const auto [row, col] = cellAt(pos);
    if (row < 0 || col < 0) return;
    if (!focusWithin()) takeFocus(Qt::MouseFocusReason);
    dispatch([&] { clickAt(row, col, wasFocused); });
}

void DBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const auto [row, col] = cellAt(event->position().toPoint());
    if (row >= 0 && row == currentRow() && col == selectedIndex_ && !editorOpen_) dispatch([this] { showEditor(); });
}

void DBGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (resizingColumn_ >= 0) {
        column(resizingColumn_).setWidth(std::max(8, resizeStartWidth_ + pos.x() - resizeStartX_));
        return;
    }
    viewport()->setCursor(resizeHandleAt(pos) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void DBGrid::mouseReleaseEvent(QMouseEvent*) { resizingColumn_ = -1; }

// --- Editor ---------------------------------------------------------------------------------------------

bool DBGrid::canShowEditor() const {
    if (!hasOption(Option::Editing) || hasOption(Option::RowSelect) || readOnly_) return false;
    const dataset::DataSet* ds = dataSet();
    if (!ds || selectedIndex_ < 0 || selectedIndex_ >= columnCount()) return false;
    const DBGridColumn& col = column(selectedIndex_);
    const dataset::Field* field = col.field();
    return field && !col.readOnly() && !field->readOnly();
}

bool DBGrid::editorMode() const { return editorOpen_; }

void DBGrid::setEditorMode(bool open) {
    if (open) {
        showEditor();
    } else if (editorOpen_) {
        commitEditor();
        hideEditor();
    }
}

QString DBGrid::editorText() const { return editorOpen_ ? editor_->text() : QString(); }

QWidget* DBGrid::editorWidget() const { return editorOpen_ ? editor_ : nullptr; }

void DBGrid::showEditor() {
    if (!canShowEditor() || currentRow() < 0) return;
    if (!editorOpen_) {
        editorOpen_ = true;
        editorRow_ = currentRow();
        editor_->loadFrom(selectedField());
        ensureCurrentVisible();
        placeEditor();
        editor_->show();
        editor_->selectAll();
    }
    if (focusWithin() || !window()->isActiveWindow()) editor_->setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

void DBGrid::hideEditor() {
    if (!editorOpen_) return;
    editorOpen_ = false;
    editorRow_ = -1;
    const bool hadFocus = editor_->hasFocus();
    editor_->setUserModified(false);
    editor_->hide();
    if (hadFocus) setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

void DBGrid::reloadEditor() {
    editor_->loadFrom(selectedField());
    editor_->selectAll();
}

void DBGrid::placeEditor() {
    if (!editorOpen_) return;
    QRect rect = cellRect(currentRow(), selectedIndex_);
    if (rect.isEmpty()) {
        editor_->setGeometry(QRect(-1000, -1000, 10, 10));  // scrolled away; stays open
        return;
    }
    if (const QRect button = editButtonRect(); !button.isEmpty()) rect.setRight(button.left() - 1);
    editor_->setGeometry(rect);
}

// --- Focus --------------------------------------------------------------------------------------------------

bool DBGrid::focusWithin() const {
    const QWidget* focused = QApplication::focusWidget();
    return focused && (focused == this || isAncestorOf(focused));
}

FocusManager* DBGrid::focusManager() const {
    if (focusManager_) return focusManager_;
    return findFocusManager(const_cast<DBGrid*>(this));
}

void DBGrid::setFocusManager(FocusManager* manager) {
    focusManager_ = manager;
    registerTabUse();
}

void DBGrid::registerTabUse() {
    FocusManager* manager = focusManager();
    if (!manager) return;
    const bool tabs = hasOption(Option::Tabs);
    // Told only when something changed: screens switch options often.
    if (manager == tabRegisteredWith_ && tabs == tabRegistered_) return;
    manager->setOwnsTab(this, tabs);
    tabRegisteredWith_ = manager;
    tabRegistered_ = tabs;
}

void DBGrid::takeFocus(Qt::FocusReason reason) {
    if (focusWithin()) return;
    if (FocusManager* manager = focusManager()) {
        manager->setFocusTo(this, reason);
    } else {
        setFocus(reason);
    }
}

void DBGrid::focusInEvent(QFocusEvent* event) {
    focusedByMouse_ = event->reason() == Qt::MouseFocusReason;
    if (focusManager() != tabRegisteredWith_) registerTabUse();
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void DBGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void DBGrid::focusLeft() {
    dispatch([this] {
        dataset::DataSet* ds = dataSet();
        if (!ds) return;
        const bool editorChanged = editorOpen_ && editor_->userModified();
        if (hasOption(Option::CancelOnExit) && ds->state() == DataSetState::Insert && !ds->modified() &&
            !editorChanged) {
            ds->cancel();
        } else {
            commitEditor();
        }
    });
    viewport()->update();
}

}  // namespace platform

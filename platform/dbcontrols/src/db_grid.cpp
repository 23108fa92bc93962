// DBGrid: binding, columns, options, data-link callbacks, the in-place editor and focus.
#include "platform/dbcontrols/db_grid.h"

#include <QApplication>
#include <QFocusEvent>

#include <algorithm>
#include <stdexcept>

#include "grid_editor.h"
#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"
#include "platform/dbcontrols/focus_lookup.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/focus_manager.h"

namespace platform::dbcontrols {

using platform::dataset::DataSetState;

// --- Construction and binding ---------------------------------------------------------

DBGrid::DBGrid(QWidget* parent)
    : QAbstractScrollArea(parent),
      link_({.activeChanged = [this] { linkActiveChanged(); },
             .editingChanged = [this] { linkEditingChanged(); },
             .dataSetChanged = [this] { linkDataChanged(false); },
             .dataSetScrolled = [this] { linkDataChanged(true); },
             .recordChanged = [this](platform::dataset::Field* field) { linkRecordChanged(field); },
             .updateData = [this] { linkUpdateData(); },
             .focusControl =
                 [this](platform::dataset::Field& field) { return linkFocusControl(field); }}),
      deleteQuestion_(QStringLiteral("Excluir registro?")) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    editor_ = new GridEditor(*this, viewport());
    editor_->hide();
    editor_->beforeModify = [this] { return beginModify(); };
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        const auto inside = [this](const QWidget* w) {
            return w && (w == this || isAncestorOf(w));
        };
        // Only a move to another control of the same screen is an exit; a
        // dialog, another window or the window being minimized is not.
        if (inside(old) && !inside(now) && ui::FocusManager::isMoveBetweenControls(old, now))
            focusLeft();
    });
}

DBGrid::~DBGrid() {
    // The link calls back into the grid: detach it while the grid is whole.
    link_.setDataSource(nullptr);
}

void DBGrid::setDataSource(platform::dataset::DataSource* source) {
    link_.setDataSource(source);
    linkActiveChanged();
}

platform::dataset::DataSource* DBGrid::dataSource() const {
    return link_.dataSource();
}

platform::dataset::DataSet* DBGrid::dataSet() const {
    return link_.active() ? link_.dataSet() : nullptr;
}

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
    if (platform::dataset::DataSet* ds = dataSet()) {
        for (int i = 0; i < ds->fieldCount(); ++i) {
            if (ds->field(i).visible())
                names.push_back(QString::fromStdString(ds->field(i).name()));
        }
    }
    bool same = names.size() == columns_.size();
    for (std::size_t i = 0; same && i < names.size(); ++i)
        same = names[i] == columns_[i]->fieldName();
    if (same) return;
    hideEditor();
    columns_.clear();
    for (const QString& name : names)
        columns_.push_back(
            std::unique_ptr<DBGridColumn>(new DBGridColumn(*this, 0, DBGridColumnDef{name})));
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

void DBGrid::setOption(Option option, bool on) {
    setOptions(on ? options_ | option : options_ & ~Options(option));
}

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

QColor DBGrid::cellColor() const {
    return cellColor_.isValid() ? cellColor_ : palette().color(QPalette::Base);
}

// --- Current cell ---------------------------------------------------------------------------

int DBGrid::currentRow() const {
    const platform::dataset::DataSet* ds = dataSet();
    return ds ? ds->displayRowOfCursor() : -1;
}

int DBGrid::rowCount() const {
    const platform::dataset::DataSet* ds = dataSet();
    return ds ? ds->displayRowCount() : 0;
}

platform::dataset::Field* DBGrid::selectedField() const {
    return selectedIndex_ >= 0 && selectedIndex_ < columnCount() ? column(selectedIndex_).field()
                                                                 : nullptr;
}

bool DBGrid::setSelectedIndex(int index) {
    if (index < 0 || index >= columnCount()) return false;
    changeColumn(index);
    return selectedIndex_ == index;
}

bool DBGrid::setSelectedField(const platform::dataset::Field& field) {
    return setSelectedField(QString::fromStdString(field.name()));
}

bool DBGrid::setSelectedField(const QString& fieldName) {
    return setSelectedIndex(columnIndex(fieldName));
}

// --- Link callbacks ---------------------------------------------------------------------------

void DBGrid::linkActiveChanged() {
    hideEditor();
    rebuildDefaultColumns();
    if (selectedIndex_ < 0 && !columns_.empty()) selectedIndex_ = 0;
    drawings_.clear();
    if (dataSet()) {
        refresh();
        return;
    }
    // Closed, most often to be opened again at once (a load): the scroll
    // bars keep their range until the event loop runs, so that a load that
    // ends with the extent it began with does not draw them again.
    placeEditor();
    viewport()->update();
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!dataSet()) updateScrollBars();
        },
        Qt::QueuedConnection);
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

void DBGrid::linkRecordChanged(platform::dataset::Field* field) {
    if (editorOpen_ && !editor_->userModified() && (!field || field == selectedField()))
        reloadEditor();
    viewport()->update();
}

void DBGrid::linkEditingChanged() {
    // A post or cancel ends what the editor held; an edit that starts shows
    // the row's values.
    if (editorOpen_) {
        if (currentRow() != editorRow_ || !canShowEditor()) {
            hideEditor();
        } else if (!link_.editing() || !editor_->userModified()) {
            reloadEditor();
        }
    }
    refresh();
}

void DBGrid::linkUpdateData() {
    commitEditor();
}

bool DBGrid::linkFocusControl(platform::dataset::Field& field) {
    const int index = columnIndex(QString::fromStdString(field.name()));
    if (index < 0) return false;
    if (selectedIndex_ != index) changeColumn(index);
    if (selectedIndex_ != index) return false;
    takeFocus(Qt::OtherFocusReason);
    if (!focusWithin()) return false;
    if (canShowEditor()) showEditor();
    return true;
}

// --- Editor
// ---------------------------------------------------------------------------------------------

bool DBGrid::canShowEditor() const {
    if (!hasOption(Option::Editing) || hasOption(Option::RowSelect) || readOnly_) return false;
    const platform::dataset::DataSet* ds = dataSet();
    if (!ds || selectedIndex_ < 0 || selectedIndex_ >= columnCount()) return false;
    const DBGridColumn& col = column(selectedIndex_);
    const platform::dataset::Field* field = col.field();
    return field && !col.readOnly() && !field->readOnly();
}

bool DBGrid::editorMode() const {
    return editorOpen_;
}

void DBGrid::setEditorMode(bool open) {
    if (open) {
        showEditor();
    } else if (editorOpen_) {
        commitEditor();
        hideEditor();
    }
}

QString DBGrid::editorText() const {
    return editorOpen_ ? editor_->text() : QString();
}

QWidget* DBGrid::editorWidget() const {
    return editorOpen_ ? editor_ : nullptr;
}

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
    // The grid takes the focus back before the editor goes: hiding a focused
    // widget first would hand the focus to the next control of the window
    // for a moment, which is a move out of the grid (a new row cancelled).
    if (editor_->hasFocus()) setFocus(Qt::OtherFocusReason);
    editor_->setUserModified(false);
    editor_->hide();
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

// --- Focus
// -------------------------------------------------------------------------------------------------

bool DBGrid::focusWithin() const {
    const QWidget* focused = QApplication::focusWidget();
    return focused && (focused == this || isAncestorOf(focused));
}

ui::FocusManager* DBGrid::focusManager() const {
    if (focusManager_) return focusManager_;
    return findFocusManager(const_cast<DBGrid*>(this));
}

void DBGrid::setFocusManager(ui::FocusManager* manager) {
    focusManager_ = manager;
    registerTabUse();
}

void DBGrid::registerTabUse() {
    ui::FocusManager* manager = focusManager();
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
    if (ui::FocusManager* manager = focusManager()) {
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
    ui::dispatch([this] {
        platform::dataset::DataSet* ds = dataSet();
        if (!ds) return;
        const bool editorChanged = editorOpen_ && editor_->userModified();
        if (hasOption(Option::CancelOnExit) && ds->state() == DataSetState::Insert &&
            !ds->modified() && !editorChanged) {
            ds->cancel();
        } else {
            commitEditor();
        }
    });
    viewport()->update();
}

}  // namespace platform::dbcontrols

#include "platform/dbcontrols/db_edit.h"

#include <QApplication>
#include <QKeyEvent>

#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"
#include "platform/dbcontrols/focus_lookup.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/focus_manager.h"

namespace platform::dbcontrols {

DBEdit::DBEdit(QWidget* parent)
    : FieldLineEdit(parent),
      link_({.activeChanged = [this] { load(); },
             .editingChanged = [this] { load(); },
             .dataSetChanged = [this] { load(); },
             .dataSetScrolled = [this] { load(); },
             .recordChanged =
                 [this](platform::dataset::Field* changed) {
                     if (!changed || changed == field()) load();
                 },
             .updateData = [this] { updateRecord(); },
             .focusControl =
                 [this](platform::dataset::Field& wanted) { return takeFocusFor(wanted); }}) {
    beforeModify = [this] { return startEdit(); };
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (old == this && ui::FocusManager::isMoveBetweenControls(old, now)) focusLeft();
    });
    applyReadOnly();
}

DBEdit::~DBEdit() {
    link_.setDataSource(nullptr);
}

void DBEdit::setDataSource(platform::dataset::DataSource* source) {
    link_.setDataSource(source);
    load();
}

platform::dataset::DataSource* DBEdit::dataSource() const {
    return link_.dataSource();
}

void DBEdit::setDataField(const QString& fieldName) {
    link_.setDataField(fieldName);
    load();
}

platform::dataset::Field* DBEdit::field() const {
    return link_.field();
}

bool DBEdit::takeFocusFor(platform::dataset::Field& wanted) {
    if (&wanted != field() || !isEnabled()) return false;
    if (ui::FocusManager* manager = findFocusManager(this)) {
        manager->setFocusTo(this);
    } else {
        setFocus(Qt::OtherFocusReason);
    }
    return hasFocus();
}

void DBEdit::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    applyReadOnly();
}

void DBEdit::applyReadOnly() {
    const platform::dataset::Field* f = field();
    QLineEdit::setReadOnly(readOnly_ || !f || f->readOnly());
}

void DBEdit::load() {
    // A change of the row or of the data set replaces what the user typed;
    // a change of another field of the same row does not.
    loadFrom(field());
    applyReadOnly();
}

void DBEdit::updateRecord() {
    if (platform::dataset::Field* f = field()) writeTo(*f);
}

bool DBEdit::startEdit() {
    bool allowed = false;
    ui::dispatch([&] {
        platform::dataset::DataSet* ds = link_.openDataSet();
        if (!ds || !field() || readOnly_) return;
        if (!ds->editing()) ds->edit();
        allowed = ds->editing();
    });
    return allowed;
}

void DBEdit::focusLeft() {
    ui::dispatch([this] { updateRecord(); });
}

void DBEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && userModified()) {
        load();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        ui::dispatch([this] { updateRecord(); });
    }
    FieldLineEdit::keyPressEvent(event);
}

}  // namespace platform::dbcontrols

#include "platform/db_edit.h"

#include <QApplication>
#include <QKeyEvent>

#include "dataset/data_set.h"
#include "dataset/data_source.h"
#include "platform/dispatch.h"
#include "platform/focus_lookup.h"
#include "platform/focus_manager.h"

namespace platform {

DBEdit::DBEdit(QWidget* parent)
    : FieldLineEdit(parent),
      link_({.activeChanged = [this] { load(); },
             .editingChanged = [this] { load(); },
             .dataSetChanged = [this] { load(); },
             .dataSetScrolled = [this] { load(); },
             .recordChanged =
                 [this](dataset::Field* changed) {
                     if (!changed || changed == field()) load();
                 },
             .updateData = [this] { updateRecord(); },
             .focusControl = [this](dataset::Field& wanted) { return takeFocusFor(wanted); }}) {
    beforeModify = [this] { return startEdit(); };
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (old == this && FocusManager::isMoveBetweenControls(old, now)) focusLeft();
    });
    applyReadOnly();
}

DBEdit::~DBEdit() { link_.setDataSource(nullptr); }

void DBEdit::setDataSource(dataset::DataSource* source) {
    link_.setDataSource(source);
    load();
}

dataset::DataSource* DBEdit::dataSource() const { return link_.dataSource(); }

void DBEdit::setDataField(const QString& fieldName) {
    link_.setDataField(fieldName);
    load();
}

dataset::Field* DBEdit::field() const { return link_.field(); }

bool DBEdit::takeFocusFor(dataset::Field& wanted) {
    if (&wanted != field() || !isEnabled()) return false;
    if (FocusManager* manager = findFocusManager(this)) {
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
    const dataset::Field* f = field();
    QLineEdit::setReadOnly(readOnly_ || !f || f->readOnly());
}

void DBEdit::load() {
    // A change of the row or of the data set replaces what the user typed;
    // a change of another field of the same row does not.
    loadFrom(field());
    applyReadOnly();
}

void DBEdit::updateRecord() {
    if (dataset::Field* f = field()) writeTo(*f);
}

bool DBEdit::startEdit() {
    bool allowed = false;
    dispatch([&] {
        dataset::DataSet* ds = link_.openDataSet();
        if (!ds || !field() || readOnly_) return;
        if (!ds->editing()) ds->edit();
        allowed = ds->editing();
    });
    return allowed;
}

void DBEdit::focusLeft() { dispatch([this] { updateRecord(); }); }

void DBEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && userModified()) {
        load();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        dispatch([this] { updateRecord(); });
    }
    FieldLineEdit::keyPressEvent(event);
}

}  // namespace platform

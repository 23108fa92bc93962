#include "platform/db_edit.h"

#include <QApplication>
#include <QKeyEvent>

#include "dataset/data_set.h"
#include "dataset/data_source.h"
#include "platform/dispatch.h"
#include "platform/focus_lookup.h"
#include "platform/focus_manager.h"

namespace platform {

class DBEdit::Link : public dataset::DataLink {
public:
    explicit Link(DBEdit& edit) : edit_(edit) {}

protected:
    void activeChanged() override { edit_.load(); }
    void editingChanged() override { edit_.load(); }
    void dataSetChanged() override { edit_.load(); }
    void dataSetScrolled() override { edit_.load(); }
    void recordChanged(dataset::Field* field) override {
        if (!field || field == edit_.field()) edit_.load();
    }
    void updateData() override { edit_.updateRecord(); }
    bool focusControl(dataset::Field& field) override {
        if (&field != edit_.field() || !edit_.isEnabled()) return false;
        if (FocusManager* manager = findFocusManager(&edit_)) {
            manager->setFocusTo(&edit_);
        } else {
            edit_.setFocus(Qt::OtherFocusReason);
        }
        return edit_.hasFocus();
    }

private:
    DBEdit& edit_;
};

DBEdit::DBEdit(QWidget* parent) : FieldLineEdit(parent), link_(std::make_unique<Link>(*this)) {
    beforeModify = [this] { return startEdit(); };
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (old == this && FocusManager::isMoveBetweenControls(old, now)) focusLeft();
    });
    applyReadOnly();
}

DBEdit::~DBEdit() { link_->setDataSource(nullptr); }

void DBEdit::setDataSource(dataset::DataSource* source) {
    link_->setDataSource(source);
    load();
}

dataset::DataSource* DBEdit::dataSource() const { return link_->dataSource(); }

void DBEdit::setDataField(const QString& fieldName) {
    fieldName_ = fieldName;
    load();
}

dataset::Field* DBEdit::field() const {
    dataset::DataSet* ds = link_->active() ? link_->dataSet() : nullptr;
    return ds && !fieldName_.isEmpty() ? ds->findField(fieldName_.toStdString()) : nullptr;
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
        dataset::DataSet* ds = link_->active() ? link_->dataSet() : nullptr;
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

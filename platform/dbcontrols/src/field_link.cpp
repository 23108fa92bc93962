#include "platform/field_link.h"

#include "dataset/data_set.h"

namespace platform {

namespace {

void run(const std::function<void()>& handler) {
    if (handler) handler();
}

}  // namespace

FieldLink::~FieldLink() {
    setDataSource(nullptr);
}

dataset::Field* FieldLink::field() const {
    dataset::DataSet* ds = openDataSet();
    return ds && !fieldName_.isEmpty() ? ds->findField(fieldName_.toStdString()) : nullptr;
}

void FieldLink::activeChanged() {
    run(handlers_.activeChanged);
}
void FieldLink::editingChanged() {
    run(handlers_.editingChanged);
}
void FieldLink::dataSetChanged() {
    run(handlers_.dataSetChanged);
}
void FieldLink::dataSetScrolled() {
    run(handlers_.dataSetScrolled);
}
void FieldLink::updateData() {
    run(handlers_.updateData);
}

void FieldLink::recordChanged(dataset::Field* field) {
    if (handlers_.recordChanged) handlers_.recordChanged(field);
}

bool FieldLink::focusControl(dataset::Field& field) {
    return handlers_.focusControl && handlers_.focusControl(field);
}

}  // namespace platform

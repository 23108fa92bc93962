#include "platform/dbcontrols/field_link.h"

#include "platform/dataset/data_set.h"

namespace platform::dbcontrols {

namespace {

void run(const std::function<void()>& handler) {
    if (handler) handler();
}

}  // namespace

FieldLink::~FieldLink() {
    setDataSource(nullptr);
}

platform::dataset::Field* FieldLink::field() const {
    platform::dataset::DataSet* ds = openDataSet();
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

void FieldLink::recordChanged(platform::dataset::Field* field) {
    if (handlers_.recordChanged) handlers_.recordChanged(field);
}

bool FieldLink::focusControl(platform::dataset::Field& field) {
    return handlers_.focusControl && handlers_.focusControl(field);
}

}  // namespace platform::dbcontrols

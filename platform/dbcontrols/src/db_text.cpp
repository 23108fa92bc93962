#include "platform/dbcontrols/db_text.h"

#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"

namespace platform::dbcontrols {

DBText::DBText(QWidget* parent)
    : QLabel(parent),
      link_({.activeChanged = [this] { load(); },
             .dataSetChanged = [this] { load(); },
             .dataSetScrolled = [this] { load(); },
             .recordChanged = [this](platform::dataset::Field*) { load(); }}) {}

DBText::~DBText() {
    link_.setDataSource(nullptr);
}

void DBText::setDataSource(platform::dataset::DataSource* source) {
    link_.setDataSource(source);
    load();
}

platform::dataset::DataSource* DBText::dataSource() const {
    return link_.dataSource();
}

void DBText::setDataField(const QString& fieldName) {
    link_.setDataField(fieldName);
    load();
}

platform::dataset::Field* DBText::field() const {
    return link_.field();
}

void DBText::load() {
    const platform::dataset::Field* f = field();
    setText(f ? QString::fromStdString(f->displayText()) : QString());
}

}  // namespace platform::dbcontrols

#include "platform/db_text.h"

#include "dataset/data_set.h"
#include "dataset/data_source.h"

namespace platform {

DBText::DBText(QWidget* parent)
    : QLabel(parent),
      link_({.activeChanged = [this] { load(); },
             .dataSetChanged = [this] { load(); },
             .dataSetScrolled = [this] { load(); },
             .recordChanged = [this](dataset::Field*) { load(); }}) {}

DBText::~DBText() { link_.setDataSource(nullptr); }

void DBText::setDataSource(dataset::DataSource* source) {
    link_.setDataSource(source);
    load();
}

dataset::DataSource* DBText::dataSource() const { return link_.dataSource(); }

void DBText::setDataField(const QString& fieldName) {
    link_.setDataField(fieldName);
    load();
}

dataset::Field* DBText::field() const { return link_.field(); }

void DBText::load() {
    const dataset::Field* f = field();
    setText(f ? QString::fromStdString(f->displayText()) : QString());
}

}  // namespace platform

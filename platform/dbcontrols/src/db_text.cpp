#include "platform/db_text.h"

#include "dataset/data_set.h"
#include "dataset/data_source.h"

namespace platform {

class DBText::Link : public dataset::DataLink {
public:
    explicit Link(DBText& label) : label_(label) {}

protected:
    void activeChanged() override { label_.load(); }
    void dataSetChanged() override { label_.load(); }
    void dataSetScrolled() override { label_.load(); }
    void recordChanged(dataset::Field*) override { label_.load(); }

private:
    DBText& label_;
};

DBText::DBText(QWidget* parent) : QLabel(parent), link_(std::make_unique<Link>(*this)) {}

DBText::~DBText() { link_->setDataSource(nullptr); }

void DBText::setDataSource(dataset::DataSource* source) {
    link_->setDataSource(source);
    load();
}

dataset::DataSource* DBText::dataSource() const { return link_->dataSource(); }

void DBText::setDataField(const QString& fieldName) {
    fieldName_ = fieldName;
    load();
}

dataset::Field* DBText::field() const {
    dataset::DataSet* ds = link_->active() ? link_->dataSet() : nullptr;
    return ds && !fieldName_.isEmpty() ? ds->findField(fieldName_.toStdString()) : nullptr;
}

void DBText::load() {
    const dataset::Field* f = field();
    setText(f ? QString::fromStdString(f->displayText()) : QString());
}

}  // namespace platform

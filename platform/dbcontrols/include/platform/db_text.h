#pragma once

#include <QLabel>

#include "platform/field_link.h"

namespace dataset {
class DataSource;
class Field;
}  // namespace dataset

namespace platform {

/// A label showing the display text of one field of the current row; empty
/// while the data set is closed or lacks the field.
class DBText : public QLabel {
    Q_OBJECT
public:
    explicit DBText(QWidget* parent = nullptr);
    ~DBText() override;

    void setDataSource(dataset::DataSource* source);
    dataset::DataSource* dataSource() const;
    void setDataField(const QString& fieldName);
    const QString& dataField() const { return link_.dataField(); }
    dataset::Field* field() const;

private:
    void load();

    FieldLink link_;
};

}  // namespace platform

#pragma once

#include <QLabel>

#include "platform/dbcontrols/export.h"
#include "platform/dbcontrols/field_link.h"

namespace platform::dataset {
class DataSource;
class Field;
}  // namespace platform::dataset

namespace platform::dbcontrols {

/// A label showing the display text of one field of the current row; empty
/// while the data set is closed or lacks the field.
class PLATFORM_DBCONTROLS_EXPORT DBText : public QLabel {
    Q_OBJECT
public:
    explicit DBText(QWidget* parent = nullptr);
    ~DBText() override;

    void setDataSource(platform::dataset::DataSource* source);
    platform::dataset::DataSource* dataSource() const;
    void setDataField(const QString& fieldName);
    const QString& dataField() const { return link_.dataField(); }
    platform::dataset::Field* field() const;

private:
    void load();

    FieldLink link_;
};

}  // namespace platform::dbcontrols

#pragma once

#include <QString>

#include "platform/dbcontrols/export.h"
#include "platform/dbcontrols/field_line_edit.h"
#include "platform/dbcontrols/field_link.h"

namespace platform::dataset {
class DataSet;
class DataSource;
class Field;
}  // namespace platform::dataset

namespace platform::dbcontrols {

/// A line edit bound to one field of a data source. It shows the field's
/// edit text of the current row (under the field's edit mask); the first
/// change the user makes starts the data set's edit, which a before-edit
/// handler may refuse (the key then changes nothing). The text goes back
/// into the field when the data set posts, when the focus moves to another
/// control of the window, and on Enter; Esc brings back the field's text.
/// The edit is read-only while the data set is closed, the field is missing
/// or read-only, or setReadOnly(true) was called.
class PLATFORM_DBCONTROLS_EXPORT DBEdit : public FieldLineEdit {
    Q_OBJECT
public:
    explicit DBEdit(QWidget* parent = nullptr);
    ~DBEdit() override;

    void setDataSource(platform::dataset::DataSource* source);
    platform::dataset::DataSource* dataSource() const;
    void setDataField(const QString& fieldName);
    const QString& dataField() const { return link_.dataField(); }
    /// The bound field of the open data set, or nullptr.
    platform::dataset::Field* field() const;

    /// The control's own read-only flag (hides QLineEdit's).
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return readOnly_; }

    /// Writes the text the user changed into the field now (may throw).
    void updateRecord();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void load();
    void applyReadOnly();
    bool startEdit();
    void focusLeft();
    bool takeFocusFor(platform::dataset::Field& wanted);

    FieldLink link_;
    bool readOnly_ = false;
};

}  // namespace platform::dbcontrols

#pragma once

#include <QString>

#include <functional>

#include "platform/dataset/data_source.h"
#include "platform/dbcontrols/export.h"

namespace platform::dataset {
class DataSet;
class Field;
}  // namespace platform::dataset

namespace platform::dbcontrols {

/// The link every data-aware control holds to its data source: it hands the
/// data set's notifications (see platform::dataset::DataLink) to the control's own
/// handlers, and names the one field the control shows (a grid or a
/// navigator names none). A handler left empty ignores its notification; an
/// empty focus handler takes no focus.
class PLATFORM_DBCONTROLS_EXPORT FieldLink : public platform::dataset::DataLink {
public:
    struct Handlers {
        std::function<void()> activeChanged;
        std::function<void()> editingChanged;
        std::function<void()> dataSetChanged;
        std::function<void()> dataSetScrolled;
        std::function<void(platform::dataset::Field* field)> recordChanged;
        std::function<void()> updateData;
        std::function<bool(platform::dataset::Field& field)> focusControl;
    };

    explicit FieldLink(Handlers handlers) : handlers_(std::move(handlers)) {}
    ~FieldLink() override;

    void setDataField(const QString& fieldName) { fieldName_ = fieldName; }
    const QString& dataField() const { return fieldName_; }
    /// The data set while it is open (as seen through the source), else nullptr.
    platform::dataset::DataSet* openDataSet() const { return active() ? dataSet() : nullptr; }
    /// The named field of the open data set, or nullptr.
    platform::dataset::Field* field() const;

protected:
    void activeChanged() override;
    void editingChanged() override;
    void dataSetChanged() override;
    void dataSetScrolled() override;
    void recordChanged(platform::dataset::Field* field) override;
    void updateData() override;
    bool focusControl(platform::dataset::Field& field) override;

private:
    Handlers handlers_;
    QString fieldName_;
};

}  // namespace platform::dbcontrols

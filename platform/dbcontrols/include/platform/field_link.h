#pragma once

#include <QString>

#include <functional>

#include "dataset/data_source.h"

namespace dataset {
class DataSet;
class Field;
}  // namespace dataset

namespace platform {

/// The link every data-aware control holds to its data source: it hands the
/// data set's notifications (see dataset::DataLink) to the control's own
/// handlers, and names the one field the control shows (a grid or a
/// navigator names none). A handler left empty ignores its notification; an
/// empty focus handler takes no focus.
class FieldLink : public dataset::DataLink {
public:
    struct Handlers {
        std::function<void()> activeChanged;
        std::function<void()> editingChanged;
        std::function<void()> dataSetChanged;
        std::function<void()> dataSetScrolled;
        std::function<void(dataset::Field* field)> recordChanged;
        std::function<void()> updateData;
        std::function<bool(dataset::Field& field)> focusControl;
    };

    explicit FieldLink(Handlers handlers) : handlers_(std::move(handlers)) {}
    ~FieldLink() override;

    void setDataField(const QString& fieldName) { fieldName_ = fieldName; }
    const QString& dataField() const { return fieldName_; }
    /// The data set while it is open (as seen through the source), else nullptr.
    dataset::DataSet* openDataSet() const { return active() ? dataSet() : nullptr; }
    /// The named field of the open data set, or nullptr.
    dataset::Field* field() const;

protected:
    void activeChanged() override;
    void editingChanged() override;
    void dataSetChanged() override;
    void dataSetScrolled() override;
    void recordChanged(dataset::Field* field) override;
    void updateData() override;
    bool focusControl(dataset::Field& field) override;

private:
    Handlers handlers_;
    QString fieldName_;
};

}  // namespace platform

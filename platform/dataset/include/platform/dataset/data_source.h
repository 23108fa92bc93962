#pragma once

#include <functional>
#include <vector>

#include "platform/dataset/data_set_state.h"
#include "platform/dataset/export.h"

namespace platform::dataset {

class DataSet;
class DataSource;
class Field;

/// The observer interface of data-aware controls. A control owns a DataLink
/// (or derives from one), attaches it to a DataSource and overrides the
/// callbacks it cares about. All callbacks run synchronously inside the data
/// set operation that caused them, on the caller's thread. A callback may
/// throw; the exception passes through the data set operation to its caller.
///
///   activeChanged    the data set opened or closed (or the link changed source)
///   editingChanged   the data set entered or left edit/insert
///   dataSetChanged   rows changed as a whole: load, post, cancel, insert, delete,
///                    filter, cancel-updates, merge; redraw everything
///   dataSetScrolled  the cursor moved to another row
///   recordChanged    a field of the current row was written (the field), or
///                    the whole current row changed (nullptr: edit started)
///   updateData       a post is starting: write any pending edit held by the
///                    control into its field now (may throw to stop the post)
///   focusControl     asked to take the input focus for `field`; return true
///                    when this control shows it and took the focus
///
/// A link detaches itself when destroyed; a data source detaches its links
/// when destroyed; a data set destroyed before its sources leaves them without
/// one (inactive) and tells nobody, as nothing may run during its destruction.
class PLATFORM_DATASET_EXPORT DataLink {
public:
    DataLink() = default;
    virtual ~DataLink();
    DataLink(const DataLink&) = delete;
    DataLink& operator=(const DataLink&) = delete;

    /// Attaches to `source` (nullptr detaches); calls activeChanged when the
    /// activeness seen through the link changes.
    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return source_; }
    /// The data set behind the source, or nullptr.
    DataSet* dataSet() const;
    /// The data set is open, as seen through the source.
    bool active() const;
    /// The data set is in edit or insert state, as seen through the source.
    bool editing() const;

protected:
    virtual void activeChanged() {}
    virtual void editingChanged() {}
    virtual void dataSetChanged() {}
    virtual void dataSetScrolled() {}
    virtual void recordChanged(Field* field) { (void)field; }
    virtual void updateData() {}
    virtual bool focusControl(Field& field) {
        (void)field;
        return false;
    }

private:
    friend class DataSource;
    DataSource* source_ = nullptr;
};

/// The link between one data set and several controls. It passes the data
/// set's notifications on to its links, then to its own handlers, and tells
/// the data set's state as seen through it (inactive when it has no data set
/// or is disabled).
class PLATFORM_DATASET_EXPORT DataSource {
public:
    explicit DataSource(DataSet* dataSet = nullptr);
    ~DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    void setDataSet(DataSet* dataSet);
    DataSet* dataSet() const { return dataSet_; }

    /// A disabled source shows its links an inactive data set and passes nothing on.
    void setEnabled(bool enabled);
    bool enabled() const { return enabled_; }

    DataSetState state() const;
    const std::vector<DataLink*>& links() const { return links_; }

    /// After the links were told that the state changed.
    std::function<void(DataSource&)> onStateChange;
    /// After the links were told of a data change: `field` is the written
    /// field, or nullptr for a change of the whole row or of the rows.
    std::function<void(DataSource&, Field* field)> onDataChange;
    /// Before a post, after the links wrote their pending edits.
    std::function<void(DataSource&)> onUpdateData;

private:
    friend class DataSet;
    friend class DataLink;
    enum class Event { StateChanged, DataSetChanged, Scrolled, RecordChanged, UpdateData };

    void notify(Event event, Field* field);
    bool requestFocus(Field& field);
    void refreshState();
    void addLink(DataLink* link);
    void removeLink(DataLink* link);
    bool hasLink(const DataLink* link) const;

    DataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    DataSetState seenState_ = DataSetState::Inactive;
    std::vector<DataLink*> links_;
};

}  // namespace platform::dataset

#include "platform/dataset/data_source.h"

#include <algorithm>

#include "platform/dataset/data_set.h"

namespace platform::dataset {

std::string_view stateName(DataSetState state) {
    switch (state) {
        case DataSetState::Inactive:
            return "inactive";
        case DataSetState::Browse:
            return "browse";
        case DataSetState::Edit:
            return "edit";
        case DataSetState::Insert:
            return "insert";
    }
    return "inactive";
}

// --- DataLink ----------------------------------------------------------------

DataLink::~DataLink() {
    if (source_) source_->removeLink(this);
}

void DataLink::setDataSource(DataSource* source) {
    if (source == source_) return;
    const bool wasActive = active();
    if (source_) source_->removeLink(this);
    source_ = source;
    if (source_) source_->addLink(this);
    if (wasActive != active()) activeChanged();
}

DataSet* DataLink::dataSet() const {
    return source_ ? source_->dataSet() : nullptr;
}

bool DataLink::active() const {
    return source_ && source_->state() != DataSetState::Inactive;
}

bool DataLink::editing() const {
    return source_ && isEditingState(source_->state());
}

// --- DataSource ----------------------------------------------------------------

DataSource::DataSource(DataSet* dataSet) {
    setDataSet(dataSet);
}

DataSource::~DataSource() {
    for (DataLink* link : links_) link->source_ = nullptr;
    if (dataSet_) dataSet_->detachSource(this);
}

void DataSource::setDataSet(DataSet* dataSet) {
    if (dataSet == dataSet_) return;
    if (dataSet_) dataSet_->detachSource(this);
    dataSet_ = dataSet;
    if (dataSet_) dataSet_->attachSource(this);
    refreshState();
    if (state() != DataSetState::Inactive) notify(Event::DataSetChanged, nullptr);
}

void DataSource::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    refreshState();
}

DataSetState DataSource::state() const {
    return enabled_ && dataSet_ ? dataSet_->state() : DataSetState::Inactive;
}

bool DataSource::hasLink(const DataLink* link) const {
    return std::find(links_.begin(), links_.end(), link) != links_.end();
}

void DataSource::addLink(DataLink* link) {
    if (!hasLink(link)) links_.push_back(link);
}

void DataSource::removeLink(DataLink* link) {
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

void DataSource::refreshState() {
    const DataSetState now = state();
    if (now == seenState_) return;
    const bool wasActive = seenState_ != DataSetState::Inactive;
    const bool wasEditing = isEditingState(seenState_);
    seenState_ = now;
    const bool isActive = now != DataSetState::Inactive;
    const bool isEditing = isEditingState(now);
    // Links may detach (or others attach) while being told: walk a copy and
    // skip any that left meanwhile.
    const std::vector<DataLink*> links = links_;
    for (DataLink* link : links) {
        if (!hasLink(link)) continue;
        if (wasActive != isActive) link->activeChanged();
        if (hasLink(link) && wasEditing != isEditing) link->editingChanged();
    }
    if (onStateChange) onStateChange(*this);
}

void DataSource::notify(Event event, Field* field) {
    if (event == Event::StateChanged) {
        refreshState();
        return;
    }
    if (!enabled_ || !dataSet_) return;
    const std::vector<DataLink*> links = links_;
    for (DataLink* link : links) {
        if (!hasLink(link)) continue;
        switch (event) {
            case Event::DataSetChanged:
                link->dataSetChanged();
                break;
            case Event::Scrolled:
                link->dataSetScrolled();
                break;
            case Event::RecordChanged:
                link->recordChanged(field);
                break;
            case Event::UpdateData:
                link->updateData();
                break;
            case Event::StateChanged:
                break;
        }
    }
    if (event == Event::UpdateData) {
        if (onUpdateData) onUpdateData(*this);
    } else if (onDataChange) {
        onDataChange(*this, field);
    }
}

bool DataSource::requestFocus(Field& field) {
    if (!enabled_) return false;
    const std::vector<DataLink*> links = links_;
    for (DataLink* link : links)
        if (hasLink(link) && link->focusControl(field)) return true;
    return false;
}

}  // namespace platform::dataset

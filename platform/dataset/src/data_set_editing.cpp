// Editing states and the change log of DataSet.
#include <fmt/format.h>

#include <algorithm>

#include "platform/dataset/data_set.h"
#include "platform/dataset/errors.h"

namespace platform::dataset {

void DataSet::edit() {
    checkActive();
    if (editing()) return;
    if (recordCount() == 0) {
        insert();
        return;
    }
    fire(events.beforeEdit);
    const Record* rec = currentRecord();
    if (!rec) fail("Cannot edit: no current row");
    buffer_ = rec->values;
    modified_ = false;
    setState(DataSetState::Edit);
    notify(Notice::RecordChanged);
    fire(events.afterEdit);
}

void DataSet::insert() {
    startInsert(false);
}

void DataSet::append() {
    startInsert(true);
}

void DataSet::startInsert(bool append) {
    checkActive();
    checkBrowseMode();
    fire(events.beforeInsert);
    fire(events.beforeScroll);
    appending_ = append || cursor_ < 0;
    insertAt_ = appending_ ? records_.size() : view_[static_cast<std::size_t>(cursor_)];
    insertViewPos_ = appending_ ? static_cast<int>(view_.size()) : cursor_;
    appending_ = append;
    buffer_.assign(fields_.size(), Value());
    modified_ = false;
    setState(DataSetState::Insert);
    try {
        fire(events.onNewRecord);
    } catch (...) {
        buffer_.clear();
        modified_ = false;
        setState(DataSetState::Browse);
        notify(Notice::DataSetChanged);
        throw;
    }
    // Values set by onNewRecord are defaults, not the user's changes.
    modified_ = false;
    notify(Notice::DataSetChanged);
    fire(events.afterInsert);
    fire(events.afterScroll);
}

void DataSet::post() {
    if (!editing()) return;
    notify(Notice::UpdateData);
    fire(events.beforePost);
    if (!editing()) return;  // a handler finished or dropped the edit itself
    std::uint64_t id = 0;
    int fallback = 0;
    if (state_ == DataSetState::Insert) {
        Record rec;
        rec.id = id = nextId_++;
        rec.values = std::move(buffer_);
        rec.status = UpdateStatus::Inserted;
        rec.origin = static_cast<std::size_t>(-1);
        rec.logSeq = nextSeq_++;
        const std::size_t at = std::min(insertAt_, records_.size());
        records_.insert(records_.begin() + static_cast<std::ptrdiff_t>(at), std::move(rec));
        fallback = insertViewPos_;
    } else {
        Record* rec = currentRecord();
        if (!rec) fail("Cannot post: the edited row is gone");
        if (rec->status == UpdateStatus::Unmodified) {
            if (buffer_ != rec->values) {
                rec->original = std::move(rec->values);
                rec->status = UpdateStatus::Modified;
                rec->logSeq = nextSeq_++;
            }
        } else if (rec->status == UpdateStatus::Modified && buffer_ == *rec->original) {
            rec->original.reset();
            rec->status = UpdateStatus::Unmodified;
            rec->logSeq = 0;
        }
        rec->values = std::move(buffer_);
        id = rec->id;
        fallback = cursor_;
    }
    buffer_.clear();
    modified_ = false;
    rebuildView(id, fallback);
    setState(DataSetState::Browse);
    notify(Notice::DataSetChanged);
    fire(events.afterPost);
}

void DataSet::cancel() {
    if (!editing()) return;
    fire(events.beforeCancel);
    const bool wasInsert = state_ == DataSetState::Insert;
    if (wasInsert) fire(events.beforeScroll);
    buffer_.clear();
    modified_ = false;
    setState(DataSetState::Browse);
    notify(Notice::DataSetChanged);
    fire(events.afterCancel);
    if (wasInsert) fire(events.afterScroll);
}

void DataSet::deleteRecord() {
    checkActive();
    if (state_ == DataSetState::Insert) {
        cancel();
        return;
    }
    if (recordCount() == 0) fail("Cannot perform this operation on an empty dataset");
    fire(events.beforeDelete);
    fire(events.beforeScroll);
    Record* rec = currentRecord();
    if (!rec) fail("Cannot delete: no current row");
    const bool wasEditing = state_ == DataSetState::Edit;
    if (rec->status != UpdateStatus::Inserted) {
        DeletedRecord gone;
        gone.original = rec->status == UpdateStatus::Modified ? std::move(*rec->original)
                                                              : std::move(rec->values);
        gone.origin = rec->origin;
        gone.logSeq = nextSeq_++;
        deleted_.push_back(std::move(gone));
    }
    const int pos = cursor_;
    records_.erase(records_.begin() +
                   static_cast<std::ptrdiff_t>(view_[static_cast<std::size_t>(pos)]));
    buffer_.clear();
    modified_ = false;
    rebuildView(std::nullopt, pos);
    if (wasEditing) setState(DataSetState::Browse);
    notify(Notice::DataSetChanged);
    fire(events.afterDelete);
    fire(events.afterScroll);
}

void DataSet::checkBrowseMode() {
    if (!editing()) return;
    if (modified_)
        post();
    else
        cancel();
}

UpdateStatus DataSet::updateStatus() const {
    if (state_ == DataSetState::Insert) return UpdateStatus::Inserted;
    const Record* rec = currentRecord();
    return rec ? rec->status : UpdateStatus::Unmodified;
}

// --- Change log ------------------------------------------------------------------

int DataSet::changeCount() const {
    std::size_t n = deleted_.size();
    for (const Record& rec : records_)
        if (rec.status != UpdateStatus::Unmodified) ++n;
    return static_cast<int>(n);
}

ChangePacket DataSet::changePacket() const {
    std::vector<std::pair<std::uint64_t, RowChange>> changes;
    for (const Record& rec : records_) {
        if (rec.status == UpdateStatus::Inserted)
            changes.push_back({rec.logSeq, RowChange{RowChange::Op::Insert, {}, rec.values}});
        else if (rec.status == UpdateStatus::Modified)
            changes.push_back(
                {rec.logSeq, RowChange{RowChange::Op::Update, *rec.original, rec.values}});
    }
    for (const DeletedRecord& gone : deleted_)
        changes.push_back({gone.logSeq, RowChange{RowChange::Op::Delete, gone.original, {}}});
    std::sort(changes.begin(), changes.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    ChangePacket packet;
    packet.fields = fieldDefs();
    packet.changes.reserve(changes.size());
    for (auto& c : changes) packet.changes.push_back(std::move(c.second));
    return packet;
}

void DataSet::cancelUpdates() {
    if (!active()) return;
    cancel();
    const Record* current = currentRecord();
    const std::optional<std::uint64_t> keepId =
        current ? std::optional<std::uint64_t>(current->id) : std::nullopt;
    const int pos = cursor_;
    std::vector<Record> restored;
    restored.reserve(records_.size() + deleted_.size());
    for (Record& rec : records_) {
        if (rec.status == UpdateStatus::Inserted) continue;
        if (rec.status == UpdateStatus::Modified) {
            rec.values = std::move(*rec.original);
            rec.original.reset();
            rec.status = UpdateStatus::Unmodified;
            rec.logSeq = 0;
        }
        restored.push_back(std::move(rec));
    }
    for (DeletedRecord& gone : deleted_) {
        Record rec;
        rec.id = nextId_++;
        rec.values = std::move(gone.original);
        rec.origin = gone.origin;
        restored.push_back(std::move(rec));
    }
    std::stable_sort(restored.begin(), restored.end(),
                     [](const Record& a, const Record& b) { return a.origin < b.origin; });
    records_ = std::move(restored);
    deleted_.clear();
    rebuildView(keepId, pos);
    notify(Notice::DataSetChanged);
}

void DataSet::mergeChangeLog() {
    if (!active()) return;
    checkBrowseMode();
    for (std::size_t i = 0; i < records_.size(); ++i) {
        Record& rec = records_[i];
        rec.original.reset();
        rec.status = UpdateStatus::Unmodified;
        rec.origin = i;
        rec.logSeq = 0;
    }
    deleted_.clear();
    notify(Notice::DataSetChanged);
}

}  // namespace platform::dataset

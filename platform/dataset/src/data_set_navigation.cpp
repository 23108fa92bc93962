// Cursor, locate, filter and the display rows of DataSet.
#include <fmt/format.h>

#include <algorithm>

#include "platform/dataset/data_set.h"
#include "platform/dataset/errors.h"
#include "platform/dataset/text.h"
#include "platform/dataset/value_text.h"

namespace platform::dataset {

bool DataSet::isEmpty() const {
    return view_.empty() && state_ != DataSetState::Insert;
}

int DataSet::recordCount() const {
    return static_cast<int>(view_.size());
}

int DataSet::recNo() const {
    if (state_ == DataSetState::Insert) return insertViewPos_ + 1;
    return cursor_ + 1;
}

bool DataSet::passesFilter(const Row& row) const {
    return !filtered_ || !filterExpr_ || filterExpr_->matches(row);
}

void DataSet::rebuildView(std::optional<std::uint64_t> keepId, int fallbackPos) {
    view_.clear();
    view_.reserve(records_.size());
    int found = -1;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (!passesFilter(records_[i].values)) continue;
        if (keepId && records_[i].id == *keepId) found = static_cast<int>(view_.size());
        view_.push_back(i);
    }
    if (view_.empty()) {
        cursor_ = -1;
        bof_ = eof_ = true;
        return;
    }
    cursor_ = found >= 0 ? found : std::clamp(fallbackPos, 0, static_cast<int>(view_.size()) - 1);
    bof_ = eof_ = false;
}

template <typename Move>
void DataSet::scrollTo(Notice notice, Move move) {
    checkActive();
    checkBrowseMode();
    fire(events.beforeScroll);
    move();
    notify(notice);
    fire(events.afterScroll);
}

void DataSet::first() {
    scrollTo(Notice::Scrolled, [this] {
        cursor_ = view_.empty() ? -1 : 0;
        bof_ = true;
        eof_ = view_.empty();
    });
}

void DataSet::last() {
    scrollTo(Notice::Scrolled, [this] {
        cursor_ = static_cast<int>(view_.size()) - 1;
        eof_ = true;
        bof_ = view_.empty();
    });
}

void DataSet::next() {
    moveBy(1);
}

void DataSet::prior() {
    moveBy(-1);
}

int DataSet::moveBy(int distance) {
    int moved = 0;
    scrollTo(Notice::Scrolled, [this, distance, &moved] {
        if (view_.empty() || distance == 0) return;
        const int last = static_cast<int>(view_.size()) - 1;
        const int target = std::clamp(cursor_ + distance, 0, last);
        moved = target - cursor_;
        cursor_ = target;
        bof_ = distance < 0 && moved != distance;
        eof_ = distance > 0 && moved != distance;
    });
    return moved;
}

void DataSet::setRecNo(int recNo) {
    checkActive();
    if (recNo < 1) fail(fmt::format("Record number {} is out of range", recNo));
    checkBrowseMode();
    if (view_.empty()) return;
    const int target = std::min(recNo, static_cast<int>(view_.size())) - 1;
    if (target == cursor_) return;
    fire(events.beforeScroll);
    cursor_ = target;
    bof_ = eof_ = false;
    notify(Notice::Scrolled);
    fire(events.afterScroll);
}

namespace {

bool sameValue(const Value& stored, const Value& wanted, bool caseInsensitive) {
    if (stored.isNull() || wanted.isNull()) return stored.isNull() && wanted.isNull();
    if (stored.isString() && wanted.isString())
        return caseInsensitive ? equalsIgnoringCase(stored.asString(), wanted.asString())
                               : stored.asString() == wanted.asString();
    if (stored.isFloat() || wanted.isFloat()) {
        auto num = [](const Value& v) {
            return v.isInteger() ? static_cast<double>(v.asInteger()) : v.asFloat();
        };
        return (stored.isFloat() || stored.isInteger()) &&
               (wanted.isFloat() || wanted.isInteger()) && num(stored) == num(wanted);
    }
    return stored == wanted;
}

}  // namespace

bool DataSet::locate(std::string_view fieldName, const Value& value, LocateOptions options) {
    checkActive();
    const Field& f = fieldByName(fieldName);
    const Value wanted =
        value.isString() && f.type() == FieldType::String ? value : convertForField(f.def(), value);
    checkBrowseMode();
    fire(events.beforeScroll);
    const auto column = static_cast<std::size_t>(f.index());
    for (std::size_t k = 0; k < view_.size(); ++k) {
        if (!sameValue(records_[view_[k]].values[column], wanted, options.caseInsensitive))
            continue;
        cursor_ = static_cast<int>(k);
        bof_ = eof_ = false;
        notify(Notice::Scrolled);
        fire(events.afterScroll);
        return true;
    }
    return false;
}

// --- Filter ----------------------------------------------------------------------

void DataSet::refilter() {
    scrollTo(Notice::DataSetChanged, [this] {
        rebuildView(std::nullopt, 0);
        bof_ = true;
        eof_ = view_.empty();
    });
}

void DataSet::setFilter(std::string_view text) {
    if (trimBlanks(text).empty()) {
        filterText_.clear();
        filterExpr_.reset();
    } else {
        FilterExpression expr = FilterExpression::parse(text);
        // With the fields known the names are checked now; otherwise at the next load.
        if (active() || declared_) expr.bind(fieldDefs(), filterCaseInsensitive_);
        filterText_ = std::string(text);
        if (active() || declared_)
            filterExpr_ = std::move(expr);
        else
            filterExpr_.reset();
    }
    if (filtered_ && active()) refilter();
}

void DataSet::setFiltered(bool filtered) {
    if (filtered == filtered_) return;
    if (filtered && !filterText_.empty() && active() && !filterExpr_) {
        FilterExpression expr = FilterExpression::parse(filterText_);
        expr.bind(fieldDefs(), filterCaseInsensitive_);
        filterExpr_ = std::move(expr);
    }
    filtered_ = filtered;
    if (active()) refilter();
}

void DataSet::setFilterCaseInsensitive(bool caseInsensitive) {
    if (caseInsensitive == filterCaseInsensitive_) return;
    filterCaseInsensitive_ = caseInsensitive;
    if (filterExpr_) filterExpr_->bind(fieldDefs(), filterCaseInsensitive_);
    if (filtered_ && active()) refilter();
}

// --- Display rows ----------------------------------------------------------------

int DataSet::displayRowCount() const {
    return static_cast<int>(view_.size()) + (state_ == DataSetState::Insert ? 1 : 0);
}

int DataSet::displayRowOfCursor() const {
    if (state_ == DataSetState::Insert) return insertViewPos_;
    return cursor_;
}

int DataSet::insertDisplayRow() const {
    return state_ == DataSetState::Insert ? insertViewPos_ : -1;
}

int DataSet::displayToView(int displayRow, bool& isInsertRow) const {
    isInsertRow = false;
    if (state_ == DataSetState::Insert) {
        if (displayRow == insertViewPos_) {
            isInsertRow = true;
            return -1;
        }
        if (displayRow > insertViewPos_) return displayRow - 1;
    }
    return displayRow;
}

const Row* DataSet::displayRowValues(int row, const Record** record, bool& isBuffer) const {
    *record = nullptr;
    isBuffer = false;
    bool isInsertRow = false;
    const int k = displayToView(row, isInsertRow);
    if (isInsertRow) {
        isBuffer = true;
        return &buffer_;
    }
    if (k < 0 || k >= static_cast<int>(view_.size())) return nullptr;
    *record = &records_[view_[static_cast<std::size_t>(k)]];
    if (state_ == DataSetState::Edit && k == cursor_) {
        isBuffer = true;
        return &buffer_;
    }
    return &(*record)->values;
}

UpdateStatus DataSet::displayRowStatus(int row) const {
    const Record* rec = nullptr;
    bool isBuffer = false;
    displayRowValues(row, &rec, isBuffer);
    return rec ? rec->status : (isBuffer ? UpdateStatus::Inserted : UpdateStatus::Unmodified);
}

void DataSet::moveToDisplayRow(int row) {
    checkActive();
    bool isInsertRow = false;
    const int k = displayToView(row, isInsertRow);
    if (isInsertRow) return;  // the row being inserted is already current
    if (k < 0 || k >= static_cast<int>(view_.size()))
        fail(fmt::format("Display row {} is out of range", row));
    const std::uint64_t id = records_[view_[static_cast<std::size_t>(k)]].id;
    checkBrowseMode();
    int target = -1;
    for (std::size_t i = 0; i < view_.size(); ++i)
        if (records_[view_[i]].id == id) target = static_cast<int>(i);
    if (target < 0 || target == cursor_) return;
    fire(events.beforeScroll);
    cursor_ = target;
    bof_ = eof_ = false;
    notify(Notice::Scrolled);
    fire(events.afterScroll);
}

DataSet::DisplayRowScope DataSet::showDisplayRow(int row) {
    return DisplayRowScope(*this, row);
}

DataSet::DisplayRowScope::DisplayRowScope(DataSet& dataSet, int row)
    : dataSet_(dataSet), previous_(dataSet.displayOverride_) {
    if (row < 0 || row >= dataSet.displayRowCount())
        dataSet.fail(fmt::format("Display row {} is out of range", row));
    dataSet.displayOverride_ = row;
}

DataSet::DisplayRowScope::~DisplayRowScope() {
    dataSet_.displayOverride_ = previous_;
}

}  // namespace platform::dataset

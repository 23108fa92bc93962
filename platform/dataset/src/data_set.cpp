// Fields, opening and closing, and the plumbing shared by the other parts of
// DataSet (data_set_editing.cpp, data_set_navigation.cpp).
#include "platform/dataset/data_set.h"

#include <fmt/format.h>

#include <algorithm>

#include "platform/dataset/data_source.h"
#include "platform/dataset/errors.h"
#include "platform/dataset/value_text.h"

namespace platform::dataset {

DataSet::DataSet(std::string name) : name_(std::move(name)) {}

DataSet::~DataSet() {
    for (DataSource* source : sources_) {
        source->dataSet_ = nullptr;
        source->seenState_ = DataSetState::Inactive;
    }
}

void DataSet::fail(const std::string& message) const {
    throw Error(name_.empty() ? message : fmt::format("{}: {}", name_, message));
}

void DataSet::checkActive() const {
    if (!active()) fail("Cannot perform this operation on a closed dataset");
}

void DataSet::fire(const DataSetEvent& handler) {
    if (handler) handler(*this);
}

void DataSet::setState(DataSetState state) {
    if (state == state_) return;
    state_ = state;
    notify(Notice::StateChanged);
}

void DataSet::notify(Notice notice, Field* field) {
    DataSource::Event event = DataSource::Event::DataSetChanged;
    switch (notice) {
        case Notice::StateChanged:
            event = DataSource::Event::StateChanged;
            break;
        case Notice::DataSetChanged:
            event = DataSource::Event::DataSetChanged;
            break;
        case Notice::Scrolled:
            event = DataSource::Event::Scrolled;
            break;
        case Notice::RecordChanged:
            event = DataSource::Event::RecordChanged;
            break;
        case Notice::UpdateData:
            event = DataSource::Event::UpdateData;
            break;
    }
    const std::vector<DataSource*> sources = sources_;
    for (DataSource* source : sources)
        if (std::find(sources_.begin(), sources_.end(), source) != sources_.end())
            source->notify(event, field);
}

void DataSet::attachSource(DataSource* source) {
    if (std::find(sources_.begin(), sources_.end(), source) == sources_.end())
        sources_.push_back(source);
}

void DataSet::detachSource(DataSource* source) {
    sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

bool DataSet::requestFocus(Field& field) {
    const std::vector<DataSource*> sources = sources_;
    for (DataSource* source : sources)
        if (std::find(sources_.begin(), sources_.end(), source) != sources_.end() &&
            source->requestFocus(field))
            return true;
    return false;
}

// --- Fields --------------------------------------------------------------------

Field& DataSet::addField(FieldDef def) {
    if (active()) fail(fmt::format("Cannot add field {} to an open dataset", def.name));
    if (def.name.empty()) fail("A field needs a name");
    if (def.type == FieldType::String && def.size <= 0)
        fail(fmt::format("Field {} needs a size above 0", def.name));
    if (!declared_) fields_.clear();
    if (findField(def.name)) fail(fmt::format("Field '{}' already exists", def.name));
    declared_ = true;
    const int index = static_cast<int>(fields_.size());
    fields_.push_back(std::unique_ptr<Field>(new Field(*this, index, std::move(def))));
    return *fields_.back();
}

Field& DataSet::field(int index) const {
    if (index < 0 || index >= fieldCount()) fail(fmt::format("Field index {} out of range", index));
    return *fields_[static_cast<std::size_t>(index)];
}

Field* DataSet::findField(std::string_view name) const {
    for (const auto& f : fields_)
        if (sameName(f->name(), name)) return f.get();
    return nullptr;
}

Field& DataSet::fieldByName(std::string_view name) const {
    if (Field* f = findField(name)) return *f;
    fail(fmt::format("Field '{}' not found", name));
}

std::vector<FieldDef> DataSet::fieldDefs() const {
    std::vector<FieldDef> defs;
    defs.reserve(fields_.size());
    for (const auto& f : fields_) defs.push_back(f->def());
    return defs;
}

void DataSet::resetFieldsFromPacket(const std::vector<FieldDef>& defs) {
    fields_.clear();
    fields_.reserve(defs.size());
    for (std::size_t i = 0; i < defs.size(); ++i)
        fields_.push_back(std::unique_ptr<Field>(new Field(*this, static_cast<int>(i), defs[i])));
}

// --- Loading -------------------------------------------------------------------

namespace {

bool compatible(FieldType declared, FieldType carried) {
    return declared == carried || (declared == FieldType::Float && carried == FieldType::Integer);
}

}  // namespace

std::vector<DataSet::Record> DataSet::buildRecords(DataPacket&& packet,
                                                   std::vector<FieldDef>& defs) const {
    packet.validate();
    std::vector<Row> rows;
    if (!declared_) {
        defs = std::move(packet.fields);
        rows = std::move(packet.rows);
    } else {
        defs = fieldDefs();
        // Where each declared field sits in the packet, and whether its values
        // need a check or conversion beyond what the packet's own validation did.
        std::vector<std::size_t> source(defs.size());
        std::vector<bool> recheck(defs.size(), false);
        bool identity = defs.size() == packet.fields.size();
        for (std::size_t i = 0; i < defs.size(); ++i) {
            const int at = packet.fieldIndex(defs[i].name);
            if (at < 0)
                throw PacketError(fmt::format("{}the packet has no field {}",
                                              name_.empty() ? "" : name_ + ": ", defs[i].name));
            const FieldDef& carried = packet.fields[static_cast<std::size_t>(at)];
            if (!compatible(defs[i].type, carried.type))
                throw PacketError(
                    fmt::format("{}field {} arrives as {}; the data set holds it as {}",
                                name_.empty() ? "" : name_ + ": ", defs[i].name,
                                fieldTypeName(carried.type), fieldTypeName(defs[i].type)));
            source[i] = static_cast<std::size_t>(at);
            recheck[i] = defs[i].type != carried.type ||
                         (defs[i].type == FieldType::String && defs[i].size < carried.size);
            if (source[i] != i || recheck[i]) identity = false;
        }
        if (identity) {
            rows = std::move(packet.rows);
        } else {
            rows.reserve(packet.rows.size());
            for (std::size_t r = 0; r < packet.rows.size(); ++r) {
                Row& in = packet.rows[r];
                Row out;
                out.reserve(defs.size());
                for (std::size_t i = 0; i < defs.size(); ++i) {
                    Value v = std::move(in[source[i]]);
                    if (recheck[i]) {
                        if (v.isInteger() && defs[i].type == FieldType::Float)
                            v = Value(static_cast<double>(v.asInteger()));
                        try {
                            checkValueFits(defs[i], v);
                        } catch (const PacketError& e) {
                            throw PacketError(fmt::format("Row {}: {}", r + 1, e.what()));
                        }
                    }
                    out.push_back(std::move(v));
                }
                rows.push_back(std::move(out));
            }
        }
    }
    std::vector<Record> records;
    records.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Record rec;
        rec.values = std::move(rows[i]);
        rec.origin = i;
        records.push_back(std::move(rec));
    }
    return records;
}

void DataSet::load(DataPacket packet) {
    std::vector<FieldDef> defs;
    std::vector<Record> records = buildRecords(std::move(packet), defs);
    openWith(defs, std::move(records));
}

void DataSet::createDataSet() {
    if (fields_.empty()) fail("Cannot create a dataset without fields");
    openWith(fieldDefs(), {});
}

void DataSet::openWith(const std::vector<FieldDef>& defs, std::vector<Record> records) {
    // The filter must fit the new fields before anything changes.
    std::optional<FilterExpression> expr;
    if (!filterText_.empty()) {
        expr = FilterExpression::parse(filterText_);
        try {
            expr->bind(defs, filterCaseInsensitive_);
        } catch (const Error&) {
            if (filtered_) throw;
            expr.reset();
        }
    }
    close();
    fire(events.beforeOpen);
    if (!declared_) resetFieldsFromPacket(defs);
    for (Record& rec : records) rec.id = nextId_++;
    records_ = std::move(records);
    deleted_.clear();
    filterExpr_ = std::move(expr);
    buffer_.clear();
    modified_ = false;
    rebuildView(std::nullopt, 0);
    bof_ = true;
    eof_ = view_.empty();
    setState(DataSetState::Browse);
    notify(Notice::DataSetChanged);
    fire(events.afterOpen);
    if (!isEmpty()) fire(events.afterScroll);
}

void DataSet::close() {
    if (!active()) return;
    fire(events.beforeClose);
    buffer_.clear();
    modified_ = false;
    setState(DataSetState::Inactive);
    records_.clear();
    deleted_.clear();
    view_.clear();
    cursor_ = -1;
    bof_ = eof_ = true;
    if (!declared_) fields_.clear();
    fire(events.afterClose);
}

DataPacket DataSet::data() const {
    DataPacket p;
    p.fields = fieldDefs();
    p.rows.reserve(records_.size());
    for (const Record& rec : records_) p.rows.push_back(rec.values);
    return p;
}

// --- Field access ----------------------------------------------------------------

const DataSet::Record* DataSet::currentRecord() const {
    if (cursor_ < 0 || cursor_ >= static_cast<int>(view_.size())) return nullptr;
    return &records_[view_[static_cast<std::size_t>(cursor_)]];
}

DataSet::Record* DataSet::currentRecord() {
    return const_cast<Record*>(static_cast<const DataSet*>(this)->currentRecord());
}

const Value& DataSet::currentValue(int field) const {
    static const Value kNull;
    const auto i = static_cast<std::size_t>(field);
    if (displayOverride_ >= 0) {
        const Record* rec = nullptr;
        bool isBuffer = false;
        const Row* row = displayRowValues(displayOverride_, &rec, isBuffer);
        return row && i < row->size() ? (*row)[i] : kNull;
    }
    if (editing()) return i < buffer_.size() ? buffer_[i] : kNull;
    if (const Record* rec = currentRecord()) return rec->values[i];
    return kNull;
}

std::optional<Value> DataSet::currentOldValue(int field) const {
    const auto i = static_cast<std::size_t>(field);
    const Record* rec = nullptr;
    if (displayOverride_ >= 0) {
        bool isBuffer = false;
        displayRowValues(displayOverride_, &rec, isBuffer);
    } else if (state_ != DataSetState::Insert) {
        rec = currentRecord();
    }
    if (!rec)
        return state_ == DataSetState::Inactive || isEmpty() ? std::optional<Value>(Value())
                                                             : std::nullopt;
    switch (rec->status) {
        case UpdateStatus::Inserted:
            return std::nullopt;
        case UpdateStatus::Modified:
            return (*rec->original)[i];
        case UpdateStatus::Unmodified:
            break;
    }
    return rec->values[i];
}

void DataSet::writeField(int field, Value value) {
    if (displayOverride_ >= 0) fail("Cannot change a field while a row is shown for display");
    checkActive();
    if (!editing()) fail("Dataset not in edit or insert mode");
    Field& f = *fields_[static_cast<std::size_t>(field)];
    if (f.readOnly()) fail(fmt::format("Field '{}' cannot be modified", f.name()));
    if (value.isString() && value.asString().empty()) value = Value();
    Value converted = convertForField(f.def(), value);
    checkFieldSize(f.def(), converted);
    buffer_[static_cast<std::size_t>(field)] = std::move(converted);
    modified_ = true;
    notify(Notice::RecordChanged, &f);
}

}  // namespace platform::dataset

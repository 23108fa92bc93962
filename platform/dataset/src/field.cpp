#include "platform/dataset/field.h"

#include "platform/dataset/data_set.h"
#include "platform/dataset/errors.h"
#include "platform/dataset/value_text.h"

namespace platform::dataset {

namespace {
FieldDef asType(const FieldDef& def, FieldType type) {
    FieldDef d = def;
    d.type = type;
    return d;
}
}  // namespace

const Value& Field::value() const {
    return dataSet_->currentValue(index_);
}

std::string Field::asString() const {
    return defaultText(value());
}

std::int64_t Field::asInteger() const {
    const Value& v = value();
    if (v.isNull()) return 0;
    return convertForField(asType(def_, FieldType::Integer), v).asInteger();
}

double Field::asFloat() const {
    const Value& v = value();
    if (v.isNull()) return 0.0;
    return convertForField(asType(def_, FieldType::Float), v).asFloat();
}

bool Field::asBoolean() const {
    const Value& v = value();
    if (v.isNull()) return false;
    return convertForField(asType(def_, FieldType::Boolean), v).asBoolean();
}

DateTime Field::asDateTime() const {
    const Value& v = value();
    if (v.isNull()) return {};
    const Value converted = convertForField(asType(def_, FieldType::DateTime), v);
    return converted.isNull() ? DateTime{} : converted.asDateTime();
}

std::string Field::text() const {
    if (!onGetText) return asString();
    std::string t;
    onGetText(const_cast<Field&>(*this), t, false);
    return t;
}

std::string Field::displayText() const {
    if (!onGetText) return asString();
    std::string t;
    onGetText(const_cast<Field&>(*this), t, true);
    return t;
}

std::optional<Value> Field::oldValue() const {
    return dataSet_->currentOldValue(index_);
}

void Field::setValue(const Value& value) {
    dataSet_->writeField(index_, value);
}

void Field::setText(std::string_view text) {
    dataSet_->writeField(index_, Value(std::string(text)));
}

bool Field::focusControl() {
    return dataSet_->requestFocus(*this);
}

}  // namespace platform::dataset

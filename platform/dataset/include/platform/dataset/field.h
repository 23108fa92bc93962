#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dataset/export.h"
#include "platform/dataset/field_def.h"
#include "platform/dataset/value.h"

namespace platform::dataset {

class DataSet;

/// One field of a data set, seen on the data set's current row. A Field is
/// owned by its data set and stays at the same address for the data set's
/// life when the data set declared it (`DataSet::addField`); a field the data
/// set took from a packet lives until the next load or close.
///
/// Reading a field of a closed or empty data set gives null. Writing goes
/// through the data set (the one mutation path): the data set must be in edit
/// or insert state, the field must not be read-only, the value must convert
/// to the field's type, and a text must fit the field's size; otherwise
/// platform::dataset::Error, naming the field, and nothing is written.
class PLATFORM_DATASET_EXPORT Field {
public:
    /// Supplies the text of the field instead of the default text. `text`
    /// starts empty; `displayText` is true for display, false for editing.
    using GetTextHandler = std::function<void(Field& field, std::string& text, bool displayText)>;

    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    DataSet& dataSet() const { return *dataSet_; }
    /// Position of the field in its data set, 0-based.
    int index() const { return index_; }
    const FieldDef& def() const { return def_; }
    const std::string& name() const { return def_.name; }
    FieldType type() const { return def_.type; }
    int size() const { return def_.size; }
    const std::string& displayLabel() const { return def_.displayLabel(); }
    bool visible() const { return def_.visible; }
    bool readOnly() const { return def_.readOnly; }
    int displayWidth() const { return def_.displayWidth; }
    const std::string& editMask() const { return def_.editMask; }
    void setVisible(bool visible) { def_.visible = visible; }
    void setReadOnly(bool readOnly) { def_.readOnly = readOnly; }
    void setDisplayLabel(std::string label) { def_.label = std::move(label); }

    // Reading the current row.
    const Value& value() const;
    bool isNull() const { return value().isNull(); }
    /// The default text (see defaultText in value_text.h): "" for null,
    /// "dd/mm/yyyy hh:nn:ss" for a date-time.
    std::string asString() const;
    /// 0 for null; a text field's text converted; throws Error when it does not convert.
    std::int64_t asInteger() const;
    /// 0 for null; an integer widened; a text converted.
    double asFloat() const;
    /// false for null.
    bool asBoolean() const;
    /// The zero DateTime for null; a text converted.
    DateTime asDateTime() const;
    /// The edit text: the get-text handler's text (asked with displayText false), else the default
    /// text.
    std::string text() const;
    /// The display text: the get-text handler's text (asked with displayText true), else the
    /// default text.
    std::string displayText() const;
    /// The value as last loaded or merged; nullopt on an inserted row, which has none.
    std::optional<Value> oldValue() const;

    // Writing the current row (see the class comment).
    void setValue(const Value& value);
    /// Empty text writes null.
    void setText(std::string_view text);
    void setAsString(std::string_view text) { setText(text); }
    void setAsInteger(std::int64_t value) { setValue(Value(value)); }
    void setAsFloat(double value) { setValue(Value(value)); }
    void setAsBoolean(bool value) { setValue(Value(value)); }
    void setAsDateTime(const DateTime& value) { setValue(Value(value)); }
    void clear() { setValue(Value()); }

    /// Asks the controls linked to the data set to put the input focus on
    /// the control that shows this field (the first link that takes it wins).
    /// Returns whether a control took it.
    bool focusControl();

    GetTextHandler onGetText;

private:
    friend class DataSet;
    Field(DataSet& dataSet, int index, FieldDef def)
        : dataSet_(&dataSet), index_(index), def_(std::move(def)) {}

    DataSet* dataSet_;
    int index_;
    FieldDef def_;
};

}  // namespace platform::dataset

#pragma once

#include <string>
#include <string_view>

#include "platform/dataset/export.h"
#include "platform/dataset/field_def.h"
#include "platform/dataset/value.h"

namespace platform::dataset {

// Conversions between values and the texts the user reads and types, in the
// user's settings: dates "dd/mm/yyyy", times "hh:nn:ss", decimal comma.

/// The default text of a value: "" for null, the text itself, the integer in
/// decimal, a float with a decimal comma, "True"/"False", a date-time as
/// "dd/mm/yyyy hh:nn:ss".
PLATFORM_DATASET_EXPORT std::string defaultText(const Value& value);

/// The value that `text` stands for in a field of `def`. Empty text (or, for
/// other types than text, blanks only) is null. Date-times are read as
/// `DateTime::parseDisplay` reads them; floats accept a decimal comma or point;
/// booleans "True"/"False"/"T"/"F" in any letter case. Throws Error naming the
/// field when the text does not convert. Sizes are not checked here.
PLATFORM_DATASET_EXPORT Value valueFromText(const FieldDef& def, std::string_view text);

/// `value` converted for a field of `def`: null and values of the field's own
/// type pass, an integer becomes a float for a float field, a text is read by
/// `valueFromText`, any value becomes its default text for a text field.
/// Throws Error naming the field when no conversion exists.
PLATFORM_DATASET_EXPORT Value convertForField(const FieldDef& def, const Value& value);

/// Throws Error naming the field when `value` (already of the field's type) is
/// a text longer than the field's size. Never cuts the text.
PLATFORM_DATASET_EXPORT void checkFieldSize(const FieldDef& def, const Value& value);

}  // namespace platform::dataset

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dataset/export.h"
#include "platform/dataset/field_def.h"
#include "platform/dataset/row.h"
#include "platform/dataset/value.h"

namespace platform::dataset {

/// A remote method's tabular result: field definitions and rows in field order.
struct PLATFORM_DATASET_EXPORT DataPacket {
    std::vector<FieldDef> fields;
    std::vector<Row> rows;

    /// Index of the field named `name` (case-insensitive), or -1.
    int fieldIndex(std::string_view name) const;

    /// Checks row widths, value types against field types and text sizes;
    /// throws PacketError naming the row and field at fault.
    void validate() const;
};

/// One pending change of a change packet.
struct PLATFORM_DATASET_EXPORT RowChange {
    enum class Op { Insert, Update, Delete };
    Op op = Op::Insert;
    Row oldValues;  ///< empty for an insert
    Row newValues;  ///< empty for a delete
};

PLATFORM_DATASET_EXPORT std::string_view changeOpName(RowChange::Op op);

/// The inserted, changed and deleted rows of a data set, with the fields'
/// update flags, sent back to the server to be applied.
struct PLATFORM_DATASET_EXPORT ChangePacket {
    std::vector<FieldDef> fields;
    std::vector<RowChange> changes;

    int fieldIndex(std::string_view name) const;
    void validate() const;
};

/// Checks that `value` may be stored in a field of `def`; throws PacketError
/// (message naming `def.name`) otherwise. Null is always accepted.
PLATFORM_DATASET_EXPORT void checkValueFits(const FieldDef& def, const Value& value);

}  // namespace platform::dataset

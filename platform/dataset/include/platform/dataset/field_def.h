#pragma once

#include <string>
#include <string_view>

#include "platform/dataset/export.h"

namespace platform::dataset {

enum class FieldType { String, DateTime, Integer, Float, Boolean };

/// The wire name of a field type ("string", "datetime", …).
PLATFORM_DATASET_EXPORT std::string_view fieldTypeName(FieldType type);
/// Throws PacketError for an unknown name.
PLATFORM_DATASET_EXPORT FieldType fieldTypeFromName(std::string_view name);

/// Update flags carried into a change packet: `where` (the column identifies
/// the row when the server applies a change), `key` and `hidden`.
struct PLATFORM_DATASET_EXPORT UpdateFlags {
    bool where = false;
    bool key = false;
    bool hidden = false;
    bool operator==(const UpdateFlags&) const = default;
};

inline constexpr int kDefaultStringSize = 20;

/// The definition of one field: what a data packet carries (name, type,
/// size, flags) and what the screen declares on top of it for its controls.
struct PLATFORM_DATASET_EXPORT FieldDef {
    std::string name;
    FieldType type = FieldType::String;
    int size = kDefaultStringSize;  ///< maximum characters of a text field
    std::string label;              ///< display label; the name when empty
    bool visible = true;
    bool readOnly = false;
    int displayWidth = 0;  ///< in characters; 0 means the type's default
    std::string editMask;  ///< kept for the controls
    UpdateFlags flags;

    const std::string& displayLabel() const { return label.empty() ? name : label; }
};

/// Case-insensitive ASCII equality of field names.
PLATFORM_DATASET_EXPORT bool sameName(std::string_view a, std::string_view b);

}  // namespace platform::dataset

#include "platform/dataset/packet.h"

#include <fmt/format.h>

#include <unordered_set>

#include "platform/dataset/errors.h"
#include "platform/dataset/text.h"

namespace platform::dataset {

std::string_view fieldTypeName(FieldType type) {
    switch (type) {
        case FieldType::String:
            return "string";
        case FieldType::DateTime:
            return "datetime";
        case FieldType::Integer:
            return "integer";
        case FieldType::Float:
            return "float";
        case FieldType::Boolean:
            return "boolean";
    }
    return "string";
}

FieldType fieldTypeFromName(std::string_view name) {
    if (name == "string") return FieldType::String;
    if (name == "datetime") return FieldType::DateTime;
    if (name == "integer") return FieldType::Integer;
    if (name == "float") return FieldType::Float;
    if (name == "boolean") return FieldType::Boolean;
    throw PacketError(fmt::format("Unknown field type \"{}\"", name));
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

namespace {

int indexOf(const std::vector<FieldDef>& fields, std::string_view name) {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (sameName(fields[i].name, name)) return static_cast<int>(i);
    return -1;
}

bool typeMatches(FieldType type, const Value& v) {
    switch (type) {
        case FieldType::String:
            return v.isString();
        case FieldType::DateTime:
            return v.isDateTime();
        case FieldType::Integer:
            return v.isInteger();
        case FieldType::Float:
            return v.isFloat() || v.isInteger();
        case FieldType::Boolean:
            return v.isBoolean();
    }
    return false;
}

void validateRow(const std::vector<FieldDef>& fields, const Row& row, const std::string& where) {
    if (row.size() != fields.size())
        throw PacketError(fmt::format("{} has {} values; the packet has {} fields", where,
                                      row.size(), fields.size()));
    for (std::size_t i = 0; i < row.size(); ++i) {
        try {
            checkValueFits(fields[i], row[i]);
        } catch (const PacketError& e) {
            throw PacketError(fmt::format("{}: {}", where, e.what()));
        }
    }
}

void validateFields(const std::vector<FieldDef>& fields) {
    // Names compare as sameName does, by their ASCII upper case; a set keeps
    // the check linear in a packet that a client may have filled with fields.
    std::unordered_set<std::string> seen;
    seen.reserve(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name.empty()) throw PacketError(fmt::format("Field {} has no name", i + 1));
        if (fields[i].type == FieldType::String && fields[i].size <= 0)
            throw PacketError(fmt::format("Field {} has an invalid size", fields[i].name));
        if (!seen.insert(upperAscii(fields[i].name)).second)
            throw PacketError(fmt::format("Field {} appears twice", fields[i].name));
    }
}

}  // namespace

void checkValueFits(const FieldDef& def, const Value& value) {
    if (value.isNull()) return;
    if (!typeMatches(def.type, value))
        throw PacketError(
            fmt::format("Field {} expects a value of type {}", def.name, fieldTypeName(def.type)));
    // A text no longer in bytes than the size holds no more characters: only
    // a longer one is counted (every value of a large answer passes here).
    const auto size = static_cast<std::size_t>(def.size);
    if (def.type == FieldType::String && value.asString().size() > size &&
        utf8Length(value.asString()) > size)
        throw PacketError(fmt::format("Field {} holds at most {} characters", def.name, def.size));
}

int DataPacket::fieldIndex(std::string_view name) const {
    return indexOf(fields, name);
}

void DataPacket::validate() const {
    validateFields(fields);
    for (std::size_t r = 0; r < rows.size(); ++r)
        validateRow(fields, rows[r], fmt::format("Row {}", r + 1));
}

std::string_view changeOpName(RowChange::Op op) {
    switch (op) {
        case RowChange::Op::Insert:
            return "insert";
        case RowChange::Op::Update:
            return "update";
        case RowChange::Op::Delete:
            return "delete";
    }
    return "insert";
}

int ChangePacket::fieldIndex(std::string_view name) const {
    return indexOf(fields, name);
}

void ChangePacket::validate() const {
    validateFields(fields);
    for (std::size_t c = 0; c < changes.size(); ++c) {
        const RowChange& ch = changes[c];
        const std::string where = fmt::format("Change {}", c + 1);
        const bool needOld = ch.op != RowChange::Op::Insert;
        const bool needNew = ch.op != RowChange::Op::Delete;
        if (needOld)
            validateRow(fields, ch.oldValues, where + " (old)");
        else if (!ch.oldValues.empty())
            throw PacketError(where + ": an insert has no old values");
        if (needNew)
            validateRow(fields, ch.newValues, where + " (new)");
        else if (!ch.newValues.empty())
            throw PacketError(where + ": a delete has no new values");
    }
}

}  // namespace platform::dataset

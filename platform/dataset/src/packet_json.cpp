#include "dataset/packet_json.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "dataset/errors.h"

namespace dataset {

using nlohmann::json;

namespace {

json fieldsToJson(const std::vector<FieldDef>& fields) {
    json out = json::array();
    for (const FieldDef& f : fields) {
        json jf = {{"name", f.name}, {"type", fieldTypeName(f.type)}};
        if (f.type == FieldType::String) jf["size"] = f.size;
        json flags = json::array();
        if (f.flags.where) flags.push_back("where");
        if (f.flags.key) flags.push_back("key");
        if (f.flags.hidden) flags.push_back("hidden");
        if (!flags.empty()) jf["flags"] = std::move(flags);
        out.push_back(std::move(jf));
    }
    return out;
}

json rowToJson(const Row& row) {
    json out = json::array();
    for (const Value& v : row) out.push_back(valueToJson(v));
    return out;
}

std::vector<FieldDef> fieldsFromJson(const json& j) {
    if (!j.is_object()) throw PacketError("A packet must be a JSON object");
    auto it = j.find("fields");
    if (it == j.end() || !it->is_array()) throw PacketError("A packet needs a \"fields\" array");
    std::vector<FieldDef> fields;
    fields.reserve(it->size());
    for (std::size_t i = 0; i < it->size(); ++i) {
        const json& jf = (*it)[i];
        const std::string where = fmt::format("Field {}", i + 1);
        if (!jf.is_object()) throw PacketError(where + " must be an object");
        auto name = jf.find("name");
        auto type = jf.find("type");
        if (name == jf.end() || !name->is_string())
            throw PacketError(where + " needs a \"name\" text");
        if (type == jf.end() || !type->is_string())
            throw PacketError(where + " needs a \"type\" text");
        FieldDef def;
        def.name = name->get<std::string>();
        def.type = fieldTypeFromName(type->get<std::string>());
        if (auto size = jf.find("size"); size != jf.end()) {
            if (!size->is_number_integer() || size->get<long long>() <= 0 ||
                size->get<long long>() > 1000000)
                throw PacketError(fmt::format("Field {} has an invalid size", def.name));
            def.size = size->get<int>();
        }
        if (auto flags = jf.find("flags"); flags != jf.end()) {
            if (!flags->is_array())
                throw PacketError(fmt::format("Field {}: \"flags\" must be an array", def.name));
            for (const json& fl : *flags) {
                if (!fl.is_string())
                    throw PacketError(fmt::format("Field {}: a flag must be a text", def.name));
                const std::string s = fl.get<std::string>();
                if (s == "where")
                    def.flags.where = true;
                else if (s == "key")
                    def.flags.key = true;
                else if (s == "hidden")
                    def.flags.hidden = true;
                else
                    throw PacketError(fmt::format("Field {}: unknown flag \"{}\"", def.name, s));
            }
        }
        fields.push_back(std::move(def));
    }
    return fields;
}

Row rowFromJson(const json& j, const std::vector<FieldDef>& fields, const std::string& where) {
    if (!j.is_array()) throw PacketError(where + " must be an array");
    if (j.size() != fields.size())
        throw PacketError(fmt::format("{} has {} values; the packet has {} fields", where, j.size(),
                                      fields.size()));
    Row row;
    row.reserve(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        try {
            row.push_back(valueFromJson(j[i], fields[i]));
        } catch (const PacketError& e) {
            throw PacketError(fmt::format("{}: {}", where, e.what()));
        }
    }
    return row;
}

}  // namespace

json valueToJson(const Value& value) {
    return std::visit(
        [](const auto& v) -> json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return nullptr;
            else if constexpr (std::is_same_v<T, DateTime>)
                return v.toIso();
            else
                return v;
        },
        value.storage());
}

Value valueFromJson(const json& j, const FieldDef& def) {
    if (j.is_null()) return {};
    Value v;
    switch (def.type) {
        case FieldType::String:
            if (!j.is_string()) break;
            v = Value(j.get<std::string>());
            checkValueFits(def, v);
            return v;
        case FieldType::DateTime:
            if (!j.is_string()) break;
            if (auto dt = DateTime::parseIso(j.get_ref<const std::string&>())) return Value(*dt);
            throw PacketError(fmt::format("Field {}: \"{}\" is not a date-time YYYY-MM-DDTHH:MM:SS",
                                          def.name, j.get<std::string>()));
        case FieldType::Integer:
            if (j.is_number_integer()) return Value(j.get<std::int64_t>());
            break;
        case FieldType::Float:
            if (j.is_number()) return Value(j.get<double>());
            break;
        case FieldType::Boolean:
            if (j.is_boolean()) return Value(j.get<bool>());
            break;
    }
    throw PacketError(
        fmt::format("Field {} expects a value of type {}", def.name, fieldTypeName(def.type)));
}

json toJson(const DataPacket& packet) {
    json rows = json::array();
    for (const Row& r : packet.rows) rows.push_back(rowToJson(r));
    return {{"fields", fieldsToJson(packet.fields)}, {"rows", std::move(rows)}};
}

json toJson(const ChangePacket& packet) {
    json changes = json::array();
    for (const RowChange& c : packet.changes) {
        json jc = {{"op", changeOpName(c.op)}};
        if (c.op != RowChange::Op::Insert) jc["old"] = rowToJson(c.oldValues);
        if (c.op != RowChange::Op::Delete) jc["new"] = rowToJson(c.newValues);
        changes.push_back(std::move(jc));
    }
    return {{"fields", fieldsToJson(packet.fields)}, {"changes", std::move(changes)}};
}

std::string encodeDataPacket(const DataPacket& packet) {
    return toJson(packet).dump();
}
std::string encodeChangePacket(const ChangePacket& packet) {
    return toJson(packet).dump();
}

DataPacket dataPacketFromJson(const json& j) {
    DataPacket p;
    p.fields = fieldsFromJson(j);
    auto rows = j.find("rows");
    if (rows == j.end() || !rows->is_array())
        throw PacketError("A data packet needs a \"rows\" array");
    p.rows.reserve(rows->size());
    for (std::size_t r = 0; r < rows->size(); ++r)
        p.rows.push_back(rowFromJson((*rows)[r], p.fields, fmt::format("Row {}", r + 1)));
    p.validate();
    return p;
}

ChangePacket changePacketFromJson(const json& j) {
    ChangePacket p;
    p.fields = fieldsFromJson(j);
    auto changes = j.find("changes");
    if (changes == j.end() || !changes->is_array())
        throw PacketError("A change packet needs a \"changes\" array");
    for (std::size_t c = 0; c < changes->size(); ++c) {
        const json& jc = (*changes)[c];
        const std::string where = fmt::format("Change {}", c + 1);
        if (!jc.is_object()) throw PacketError(where + " must be an object");
        auto op = jc.find("op");
        if (op == jc.end() || !op->is_string()) throw PacketError(where + " needs an \"op\"");
        RowChange rc;
        const std::string ops = op->get<std::string>();
        if (ops == "insert")
            rc.op = RowChange::Op::Insert;
        else if (ops == "update")
            rc.op = RowChange::Op::Update;
        else if (ops == "delete")
            rc.op = RowChange::Op::Delete;
        else
            throw PacketError(fmt::format("{}: unknown op \"{}\"", where, ops));
        auto oldv = jc.find("old");
        auto newv = jc.find("new");
        if (rc.op != RowChange::Op::Insert) {
            if (oldv == jc.end()) throw PacketError(where + " needs \"old\" values");
            rc.oldValues = rowFromJson(*oldv, p.fields, where + " (old)");
        }
        if (rc.op != RowChange::Op::Delete) {
            if (newv == jc.end()) throw PacketError(where + " needs \"new\" values");
            rc.newValues = rowFromJson(*newv, p.fields, where + " (new)");
        }
        p.changes.push_back(std::move(rc));
    }
    p.validate();
    return p;
}

namespace {
json parse(std::string_view text) {
    json j = json::parse(text, nullptr, false);
    if (j.is_discarded()) throw PacketError("The packet is not valid JSON");
    return j;
}
}  // namespace

DataPacket decodeDataPacket(std::string_view text) {
    return dataPacketFromJson(parse(text));
}
ChangePacket decodeChangePacket(std::string_view text) {
    return changePacketFromJson(parse(text));
}

}  // namespace dataset

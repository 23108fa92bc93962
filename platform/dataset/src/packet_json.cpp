#include "platform/dataset/packet_json.h"

#include <nlohmann/json.hpp>

namespace platform::dataset {

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

}  // namespace platform::dataset

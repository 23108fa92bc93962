#include "packets.h"

namespace appserver::testing {

using nlohmann::json;

std::vector<json> rowsByName(const json& packet) {
    std::vector<json> out;
    const auto names = fieldNames(packet);
    for (const json& row : packet.at("rows")) {
        json obj = json::object();
        for (std::size_t i = 0; i < names.size(); ++i) obj[names[i]] = row.at(i);
        out.push_back(obj);
    }
    return out;
}

std::vector<std::string> fieldNames(const json& packet) {
    std::vector<std::string> names;
    for (const json& f : packet.at("fields")) names.push_back(f.at("name"));
    return names;
}

DeltaBuilder::DeltaBuilder(const json& dayPacket) : fields_(dayPacket.at("fields")) {}

json DeltaBuilder::rowArray(const json& row) const {
    json out = json::array();
    for (const json& f : fields_)
        out.push_back(row.contains(f.at("name")) ? row.at(f.at("name").get<std::string>())
                                                 : json());
    return out;
}

DeltaBuilder& DeltaBuilder::insert(const json& r) {
    changes_.push_back({{"op", "insert"}, {"new", rowArray(r)}});
    return *this;
}

DeltaBuilder& DeltaBuilder::update(const json& o, const json& n) {
    changes_.push_back({{"op", "update"}, {"old", rowArray(o)}, {"new", rowArray(n)}});
    return *this;
}

DeltaBuilder& DeltaBuilder::remove(const json& o) {
    changes_.push_back({{"op", "delete"}, {"old", rowArray(o)}});
    return *this;
}

json DeltaBuilder::arg() const {
    return {{"delta", {{"fields", fields_}, {"changes", changes_}}}};
}

}  // namespace appserver::testing

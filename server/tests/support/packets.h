#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

// Result and change packets in wire form, for tests that talk to a server
// in-process, as a program of its own, or behind a proxy.
namespace appserver::testing {

/// Argument helpers in wire form.
inline nlohmann::json date(const std::string& iso) {
    return {{"date", iso}};
}

/// The rows of a result packet as objects keyed by field name.
std::vector<nlohmann::json> rowsByName(const nlohmann::json& packet);
/// The field names of a result packet, in order.
std::vector<std::string> fieldNames(const nlohmann::json& packet);

/// A change packet in wire form built from the day's packet: the fields of
/// the answer, with changes given as (op, old row object, new row object).
class DeltaBuilder {
public:
    explicit DeltaBuilder(const nlohmann::json& dayPacket);
    DeltaBuilder& insert(const nlohmann::json& newRow);
    DeltaBuilder& update(const nlohmann::json& oldRow, const nlohmann::json& newRow);
    DeltaBuilder& remove(const nlohmann::json& oldRow);
    nlohmann::json arg() const;

private:
    nlohmann::json rowArray(const nlohmann::json& row) const;
    nlohmann::json fields_;
    nlohmann::json changes_ = nlohmann::json::array();
};

}  // namespace appserver::testing

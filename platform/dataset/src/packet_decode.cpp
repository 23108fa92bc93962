// Decoding of the packets' JSON wire form from a parsed document. Every
// change the screen saves passes through here, and every answer the quick
// reading of data packets (data_packet_scan.cpp) does not take on itself, so
// it reads straight from the document into rows: no intermediate tree of
// JSON values, and the text naming a row or field at fault is only composed
// for an error.
#include <fmt/format.h>

#include <algorithm>
#include <limits>

#include "packet_dom.h"
#include "platform/dataset/errors.h"
#include "platform/dataset/packet_json.h"
#include "platform/dataset/packet_reader.h"
#include "platform/dataset/text.h"

namespace platform::dataset {

namespace dom = simdjson::dom;

namespace {

/// One parser per thread: it keeps its buffers between documents.
dom::parser& threadParser() {
    thread_local dom::parser parser;
    return parser;
}

dom::element parse(dom::parser& parser, std::string_view text) {
    dom::element doc;
    if (parser.parse(text.data(), text.size(), true).get(doc) != simdjson::SUCCESS)
        throw PacketError("The packet is not valid JSON");
    return doc;
}

/// The text of an element already known to be a string.
std::string_view textOf(dom::element e) {
    return e.get_string().value_unsafe();
}

bool findMember(dom::object o, std::string_view key, dom::element& out) {
    return o.at_key(key).get(out) == simdjson::SUCCESS;
}

void readFlags(dom::element flags, FieldDef& def) {
    dom::array list;
    if (flags.get_array().get(list) != simdjson::SUCCESS)
        throw PacketError(fmt::format("Field {}: \"flags\" must be an array", def.name));
    for (dom::element fl : list) {
        if (!fl.is_string())
            throw PacketError(fmt::format("Field {}: a flag must be a text", def.name));
        const std::string_view s = textOf(fl);
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

FieldDef fieldFromElement(dom::element jf, std::size_t index) {
    dom::object o;
    if (jf.get_object().get(o) != simdjson::SUCCESS)
        throw PacketError(fmt::format("Field {} must be an object", index + 1));
    dom::element name, type, member;
    if (!findMember(o, "name", name) || !name.is_string())
        throw PacketError(fmt::format("Field {} needs a \"name\" text", index + 1));
    if (!findMember(o, "type", type) || !type.is_string())
        throw PacketError(fmt::format("Field {} needs a \"type\" text", index + 1));
    FieldDef def;
    def.name = std::string(textOf(name));
    def.type = fieldTypeFromName(textOf(type));
    if (findMember(o, "size", member)) {
        std::int64_t size = 0;
        if (member.get_int64().get(size) != simdjson::SUCCESS || size <= 0 || size > 1000000)
            throw PacketError(fmt::format("Field {} has an invalid size", def.name));
        def.size = static_cast<int>(size);
    }
    if (findMember(o, "flags", member)) readFlags(member, def);
    return def;
}

/// The array held by `key`; PacketError with `missing` otherwise.
dom::array arrayMember(dom::object o, std::string_view key, const char* missing) {
    dom::element member;
    dom::array list;
    if (!findMember(o, key, member) || member.get_array().get(list) != simdjson::SUCCESS)
        throw PacketError(missing);
    return list;
}

std::vector<FieldDef> fieldsFromArray(dom::array list, std::size_t maxFields) {
    if (list.size() > maxFields)
        throw PacketLimitError(PacketLimitError::Kind::Fields,
                               fmt::format("A packet holds at most {} fields; this one has {}",
                                           maxFields, list.size()));
    std::vector<FieldDef> fields;
    fields.reserve(list.size());
    std::size_t i = 0;
    for (dom::element jf : list) fields.push_back(fieldFromElement(jf, i++));
    return fields;
}

constexpr const char* kNoFields = "A packet needs a \"fields\" array";

std::vector<FieldDef> fieldsFromElement(dom::object packet, std::size_t maxFields) {
    return fieldsFromArray(arrayMember(packet, "fields", kNoFields), maxFields);
}

dom::object packetObject(dom::element json) {
    dom::object o;
    if (json.get_object().get(o) != simdjson::SUCCESS)
        throw PacketError("A packet must be a JSON object");
    return o;
}

[[noreturn]] void wrongType(const FieldDef& def) {
    throw PacketError(
        fmt::format("Field {} expects a value of type {}", def.name, fieldTypeName(def.type)));
}

/// How the texts of each field are checked for control characters; empty: not checked.
using TextRules = std::vector<ControlCharacters>;

void checkText(std::string_view text, ControlCharacters allowed, const std::string& what) {
    const std::size_t at = findControlCharacter(text, allowed);
    if (at != std::string_view::npos)
        throw PacketError(fmt::format("{} holds the control character U+{:04X} at position {}",
                                      what, static_cast<unsigned char>(text[at]), at + 1));
}

Value valueFromElement(dom::element j, const FieldDef& def, const ControlCharacters* rule) {
    const dom::element_type kind = j.type();
    if (kind == dom::element_type::NULL_VALUE) return {};
    switch (def.type) {
        case FieldType::String: {
            if (kind != dom::element_type::STRING) wrongType(def);
            if (rule) checkText(textOf(j), *rule, "Field " + def.name);
            Value v(textOf(j));
            checkValueFits(def, v);
            return v;
        }
        case FieldType::DateTime: {
            if (kind != dom::element_type::STRING) wrongType(def);
            const std::string_view text = textOf(j);
            if (auto dt = DateTime::parseIso(text)) return Value(*dt);
            throw PacketError(fmt::format("Field {}: \"{}\" is not a date-time YYYY-MM-DDTHH:MM:SS",
                                          def.name, text));
        }
        case FieldType::Integer: {
            std::int64_t i = 0;
            if (kind == dom::element_type::DOUBLE || j.get_int64().get(i) != simdjson::SUCCESS)
                wrongType(def);
            return Value(i);
        }
        case FieldType::Float: {
            double d = 0;
            if (j.get_double().get(d) != simdjson::SUCCESS) wrongType(def);
            return Value(d);
        }
        case FieldType::Boolean: {
            bool b = false;
            if (j.get_bool().get(b) != simdjson::SUCCESS) wrongType(def);
            return Value(b);
        }
    }
    wrongType(def);
}

/// `where` names the row for a message ("Row 3", "Change 2 (old)"); it is
/// only called when something is wrong.
template <typename Where>
Row rowFromElement(dom::element j, const std::vector<FieldDef>& fields, const Where& where,
                   const TextRules& rules = {}) {
    dom::array values;
    if (j.get_array().get(values) != simdjson::SUCCESS)
        throw PacketError(where() + " must be an array");
    if (values.size() != fields.size())
        throw PacketError(fmt::format("{} has {} values; the packet has {} fields", where(),
                                      values.size(), fields.size()));
    Row row;
    row.reserve(fields.size());
    std::size_t i = 0;
    for (dom::element v : values) {
        try {
            const ControlCharacters* rule = rules.empty() ? nullptr : &rules[i];
            row.push_back(valueFromElement(v, fields[i++], rule));
        } catch (const PacketError& e) {
            throw PacketError(fmt::format("{}: {}", where(), e.what()));
        }
    }
    return row;
}

/// Field names, sizes and uniqueness; the rows were checked as they were read.
void checkFields(const std::vector<FieldDef>& fields) {
    DataPacket{fields, {}}.validate();
}

RowChange::Op opFromName(std::string_view name, std::size_t index) {
    if (name == "insert") return RowChange::Op::Insert;
    if (name == "update") return RowChange::Op::Update;
    if (name == "delete") return RowChange::Op::Delete;
    throw PacketError(fmt::format("Change {}: unknown op \"{}\"", index + 1, name));
}

}  // namespace

DataPacket dataPacketFromElement(dom::element json) {
    const dom::object o = packetObject(json);
    DataPacket p;
    p.fields = fieldsFromElement(o, std::numeric_limits<std::size_t>::max());
    checkFields(p.fields);
    const dom::array rows = arrayMember(o, "rows", "A data packet needs a \"rows\" array");
    p.rows.reserve(rows.size());
    std::size_t r = 0;
    for (dom::element row : rows) {
        ++r;
        p.rows.push_back(rowFromElement(row, p.fields, [r] { return fmt::format("Row {}", r); }));
    }
    return p;
}

ChangePacket changePacketFromElement(dom::element json) {
    return changePacketFromElement(json, ChangePacketLimits{});
}

ChangePacket changePacketFromElement(dom::element json, const ChangePacketLimits& limits) {
    const dom::object o = packetObject(json);
    ChangePacket p;
    p.fields = fieldsFromElement(o, limits.maxFields);
    TextRules rules;
    if (limits.refuseControlCharacters) {
        rules.reserve(p.fields.size());
        for (const FieldDef& f : p.fields) {
            checkText(f.name, ControlCharacters::None, "A field name");
            const bool multiline =
                std::any_of(limits.multilineFields.begin(), limits.multilineFields.end(),
                            [&](const std::string& m) { return sameName(m, f.name); });
            rules.push_back(multiline ? ControlCharacters::LineBreaksAndTabs
                                      : ControlCharacters::None);
        }
    }
    checkFields(p.fields);
    const dom::array changes =
        arrayMember(o, "changes", "A change packet needs a \"changes\" array");
    if (changes.size() > limits.maxChanges)
        throw PacketLimitError(
            PacketLimitError::Kind::Changes,
            fmt::format("A change packet holds at most {} changes; this one has {}",
                        limits.maxChanges, changes.size()));
    p.changes.reserve(changes.size());
    std::size_t c = 0;
    for (dom::element jc : changes) {
        const std::size_t index = c++;
        const auto where = [index] { return fmt::format("Change {}", index + 1); };
        dom::object change;
        if (jc.get_object().get(change) != simdjson::SUCCESS)
            throw PacketError(where() + " must be an object");
        dom::element op;
        if (!findMember(change, "op", op) || !op.is_string())
            throw PacketError(where() + " needs an \"op\"");
        RowChange rc;
        rc.op = opFromName(textOf(op), index);
        dom::element values;
        const bool hasOld = findMember(change, "old", values);
        if (rc.op != RowChange::Op::Insert) {
            if (!hasOld) throw PacketError(where() + " needs \"old\" values");
            rc.oldValues = rowFromElement(
                values, p.fields, [&] { return where() + " (old)"; }, rules);
        }
        const bool hasNew = findMember(change, "new", values);
        if (rc.op != RowChange::Op::Delete) {
            if (!hasNew) throw PacketError(where() + " needs \"new\" values");
            rc.newValues = rowFromElement(
                values, p.fields, [&] { return where() + " (new)"; }, rules);
        }
        p.changes.push_back(std::move(rc));
    }
    return p;
}

ChangePacket decodeChangePacket(std::string_view text) {
    return changePacketFromElement(parse(threadParser(), text));
}

namespace detail {

std::vector<FieldDef> dataFieldsFromText(std::string_view text) {
    dom::array list;
    if (parse(threadParser(), text).get_array().get(list) != simdjson::SUCCESS)
        throw PacketError(kNoFields);
    std::vector<FieldDef> fields = fieldsFromArray(list, std::numeric_limits<std::size_t>::max());
    checkFields(fields);
    return fields;
}

DataPacket decodeDataPacketFully(std::string_view text) {
    return dataPacketFromElement(parse(threadParser(), text));
}

std::optional<DataPacket> decodeDataPacketMemberFully(std::string_view text,
                                                      std::string_view member) {
    dom::object envelope;
    if (parse(threadParser(), text).get_object().get(envelope) != simdjson::SUCCESS)
        throw PacketError("The message is not a JSON object");
    dom::element packet;
    if (!findMember(envelope, member, packet))
        throw PacketError(fmt::format("The message has no \"{}\"", member));
    if (packet.is_null()) return std::nullopt;
    return dataPacketFromElement(packet);
}

}  // namespace detail

}  // namespace platform::dataset

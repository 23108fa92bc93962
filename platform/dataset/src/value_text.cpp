#include "platform/dataset/value_text.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>

#include "platform/dataset/errors.h"
#include "platform/dataset/text.h"

namespace platform::dataset {

namespace {

std::string floatText(double d) {
    std::string s = fmt::format("{}", d);
    for (char& c : s)
        if (c == '.') c = ',';
    return s;
}

[[noreturn]] void notA(const FieldDef& def, std::string_view text, std::string_view what) {
    throw Error(fmt::format("'{}' is not a valid {} for field {}", text, what, def.name));
}

}  // namespace

std::string defaultText(const Value& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return {};
            else if constexpr (std::is_same_v<T, std::string>)
                return v;
            else if constexpr (std::is_same_v<T, std::int64_t>)
                return std::to_string(v);
            else if constexpr (std::is_same_v<T, double>)
                return floatText(v);
            else if constexpr (std::is_same_v<T, bool>)
                return v ? "True" : "False";
            else
                return v.toDisplay();
        },
        value.storage());
}

Value valueFromText(const FieldDef& def, std::string_view text) {
    if (def.type == FieldType::String) return text.empty() ? Value() : Value(std::string(text));
    const std::string_view t = trimBlanks(text);
    if (t.empty()) return {};
    switch (def.type) {
        case FieldType::String:
            break;
        case FieldType::Integer: {
            std::int64_t v = 0;
            const char* first = t.data();
            if (!t.empty() && t[0] == '+') ++first;
            auto [end, ec] = std::from_chars(first, t.data() + t.size(), v);
            if (ec != std::errc() || end != t.data() + t.size()) notA(def, text, "integer value");
            return Value(v);
        }
        case FieldType::Float: {
            std::string s(t);
            for (char& c : s)
                if (c == ',') c = '.';
            double v = 0;
            auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
            if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
                notA(def, text, "number");
            return Value(v);
        }
        case FieldType::Boolean: {
            const std::string u = upperAscii(t);
            if (u == "TRUE" || u == "T") return Value(true);
            if (u == "FALSE" || u == "F") return Value(false);
            notA(def, text, "boolean value");
        }
        case FieldType::DateTime:
            if (auto dt = DateTime::parseDisplay(t)) return Value(*dt);
            notA(def, text, "date and time");
    }
    return {};
}

Value convertForField(const FieldDef& def, const Value& value) {
    if (value.isNull()) return value;
    switch (def.type) {
        case FieldType::String:
            return value.isString() ? value : Value(defaultText(value));
        case FieldType::Integer:
            if (value.isInteger()) return value;
            break;
        case FieldType::Float:
            if (value.isFloat()) return value;
            if (value.isInteger()) return Value(static_cast<double>(value.asInteger()));
            break;
        case FieldType::Boolean:
            if (value.isBoolean()) return value;
            break;
        case FieldType::DateTime:
            if (value.isDateTime()) {
                if (!value.asDateTime().isValid())
                    throw Error(fmt::format("Field {} cannot hold an invalid date", def.name));
                return value;
            }
            break;
    }
    if (value.isString()) return valueFromText(def, value.asString());
    throw Error(fmt::format("Field {} of type {} cannot hold the value {}", def.name,
                            fieldTypeName(def.type), defaultText(value)));
}

void checkFieldSize(const FieldDef& def, const Value& value) {
    if (def.type != FieldType::String || !value.isString()) return;
    const std::size_t length = utf8Length(value.asString());
    if (length > static_cast<std::size_t>(def.size))
        throw Error(fmt::format("Field {} holds at most {} characters; the text given has {}",
                                def.name, def.size, length));
}

}  // namespace platform::dataset

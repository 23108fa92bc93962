#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "platform/dataset/datetime.h"
#include "platform/dataset/export.h"

namespace platform::dataset {

/// One cell value: null, text, integer, float, boolean or date-time.
class PLATFORM_DATASET_EXPORT Value {
public:
    using Storage = std::variant<std::monostate, std::string, std::int64_t, double, bool, DateTime>;

    Value() = default;
    Value(std::string s) : v_(std::move(s)) {}
    Value(const char* s) : v_(std::string(s)) {}
    /// A text made in place from `s`, for a decoder that reads texts where
    /// they stand (no string made and then moved in). Explicit: a view is
    /// never taken for a value unasked, and an argument that converts both
    /// to a string and to a view still takes the constructors above.
    explicit Value(std::string_view s) : v_(std::in_place_type<std::string>, s) {}
    Value(std::int64_t i) : v_(i) {}
    Value(int i) : v_(static_cast<std::int64_t>(i)) {}
    Value(double d) : v_(d) {}
    Value(bool b) : v_(b) {}
    Value(DateTime dt) : v_(dt) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
    bool isString() const { return std::holds_alternative<std::string>(v_); }
    bool isInteger() const { return std::holds_alternative<std::int64_t>(v_); }
    bool isFloat() const { return std::holds_alternative<double>(v_); }
    bool isBoolean() const { return std::holds_alternative<bool>(v_); }
    bool isDateTime() const { return std::holds_alternative<DateTime>(v_); }

    /// Typed access; each throws platform::dataset::Error when the value holds another type.
    const std::string& asString() const;
    std::int64_t asInteger() const;
    double asFloat() const;
    bool asBoolean() const;
    const DateTime& asDateTime() const;

    const Storage& storage() const { return v_; }

    bool operator==(const Value&) const = default;

private:
    Storage v_;
};

}  // namespace platform::dataset

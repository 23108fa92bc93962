#include "platform/dataset/value.h"

#include "platform/dataset/errors.h"

namespace platform::dataset {

namespace {
template <typename T>
const T& get(const Value::Storage& v, const char* wanted) {
    if (const T* p = std::get_if<T>(&v)) return *p;
    throw Error(std::string("Value is not ") + wanted);
}
}  // namespace

const std::string& Value::asString() const {
    return get<std::string>(v_, "a text");
}
std::int64_t Value::asInteger() const {
    return get<std::int64_t>(v_, "an integer");
}
double Value::asFloat() const {
    return get<double>(v_, "a number");
}
bool Value::asBoolean() const {
    return get<bool>(v_, "a boolean");
}
const DateTime& Value::asDateTime() const {
    return get<DateTime>(v_, "a date-time");
}

}  // namespace platform::dataset

#include "protocol/method.h"

#include <algorithm>

namespace protocol {

namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string_view expectedKindText(ArgKind kind) {
    switch (kind) {
        case ArgKind::Text:
            return "um texto";
        case ArgKind::Date:
            return "uma data";
        case ArgKind::DateTime:
            return "uma data e hora";
        case ArgKind::ChangePacket:
            return "um pacote de alterações";
    }
    return "um argumento";
}

std::span<const Field> Method::fields() const {
    if (!answer) return {};
    return answer->fields;
}

bool sameMethodName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return upper(x) == upper(y); });
}

bool MethodNameLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return upper(x) < upper(y); });
}

const Method* findMethod(const Module& module, std::string_view name) {
    for (const Method* method : module.methods)
        if (sameMethodName(method->name, name)) return method;
    return nullptr;
}

platform::dataset::FieldDef fieldDef(const Field& field) {
    platform::dataset::FieldDef def;
    def.name = std::string(field.name);
    def.type = field.type;
    if (field.type == platform::dataset::FieldType::String) def.size = field.size;
    def.flags = field.flags;
    return def;
}

std::vector<platform::dataset::FieldDef> fieldDefs(const Answer& answer) {
    std::vector<platform::dataset::FieldDef> defs;
    defs.reserve(answer.fields.size());
    for (const Field& field : answer.fields) defs.push_back(fieldDef(field));
    return defs;
}

std::string argumentCountError(const Method& method, std::size_t received) {
    return std::string(method.name) + " espera " + std::to_string(method.args.size()) +
           " argumento(s) e recebeu " + std::to_string(received);
}

std::string argumentKindError(const Method& method, std::size_t index) {
    const Arg& arg = method.args[index];
    return std::string(method.name) + ": o argumento " + std::to_string(index + 1) + " (" +
           std::string(arg.name) + ") deve ser " + std::string(expectedKindText(arg.kind));
}

}  // namespace protocol

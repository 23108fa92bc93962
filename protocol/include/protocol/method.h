#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dataset/field_def.h"

namespace protocol {

/// What one argument of a remote method is on the wire: a text ("…"), a date
/// ({"date": "YYYY-MM-DD"}), a date and time ({"datetime": "YYYY-MM-DDTHH:MM:SS"})
/// or a change packet ({"delta": …}).
enum class ArgKind { Text, Date, DateTime, ChangePacket };

/// The kind as the error texts name what was expected: "um texto", "uma data",
/// "uma data e hora", "um pacote de alterações".
std::string_view expectedKindText(ArgKind kind);

/// One argument of a method: its kind, and the short name the error texts give it ("operador").
struct Arg {
    ArgKind kind;
    std::string_view name;
};

/// One field of an answer packet as the server sends it. `size` is the most
/// characters of a text field, and 0 for the other types: the wire carries
/// no size for them.
struct Field {
    std::string_view name;
    platform::dataset::FieldType type;
    int size;
    platform::dataset::UpdateFlags flags;
};

/// The fields of an answer packet, in order. Methods answering the same
/// kind of rows share one answer.
struct Answer {
    std::span<const Field> fields;
};

/// Whether a call of a method changes what the server holds. A read may be
/// sent again when no answer came; a write may not, since it may have been
/// done.
enum class Effect { Reads, Writes };

/// One method of a remote module: its name, its arguments in order, and
/// what it answers.
struct Method {
    std::string_view name;  ///< as the clients send it; the server takes it in any letter case
    std::span<const Arg> args;
    const Answer* answer;  ///< null for a method that answers no data (a JSON null)
    Effect effect = Effect::Reads;

    bool answersData() const { return answer != nullptr; }
    /// The fields of the answer; none for a method that answers no data.
    std::span<const Field> fields() const;
};

/// A remote module, named as a call's "server" names it, and its methods.
struct Module {
    std::string_view name;
    std::span<const Method* const> methods;
};

/// Method names compare without regard to letter case (ASCII), as remote
/// modules always took them.
bool sameMethodName(std::string_view a, std::string_view b);

/// The order of method names without regard to letter case, for tables keyed by name.
struct MethodNameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

/// The method of `module` called `name` in any letter case; null when it has none.
const Method* findMethod(const Module& module, std::string_view name);

/// The field as a data packet's field definition (name, type, size and flags).
platform::dataset::FieldDef fieldDef(const Field& field);
/// The fields of `answer` as a data packet's field definitions, in order.
std::vector<platform::dataset::FieldDef> fieldDefs(const Answer& answer);

/// "getPonto espera 2 argumento(s) e recebeu 3".
std::string argumentCountError(const Method& method, std::size_t received);
/// "getPonto: o argumento 2 (dia) deve ser uma data", for the argument at `index` (from 0).
std::string argumentKindError(const Method& method, std::size_t index);

}  // namespace protocol

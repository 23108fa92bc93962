#pragma once

#include "protocol/method.h"

/// What the remote modules' tables are written with, and the answers and
/// arguments that more than one module has: the access check, the server's
/// time and the work team's operators are the same in every screen.
namespace protocol::common {

using platform::dataset::FieldType;
using platform::dataset::UpdateFlags;

constexpr ArgKind kText = ArgKind::Text;
constexpr ArgKind kDate = ArgKind::Date;

constexpr Field text(std::string_view name, int size, UpdateFlags flags = {}) {
    return {name, FieldType::String, size, flags};
}

constexpr Field stamp(std::string_view name, UpdateFlags flags = {}) {
    return {name, FieldType::DateTime, 0, flags};
}

inline constexpr Field kCtrlAcessoFields[] = {text("CDOPERADOR", 12)};
inline constexpr Answer kCtrlAcesso{kCtrlAcessoFields};

inline constexpr Field kHoraServidorFields[] = {stamp("SYSDATE")};
inline constexpr Answer kHoraServidor{kHoraServidorFields};

inline constexpr Field kOperEquipFields[] = {text("CDOPERADOR", 15), text("NMOPERADOR", 40)};
inline constexpr Answer kOperEquip{kOperEquipFields};

inline constexpr Arg kBranchUser[] = {{kText, "filial"}, {kText, "usuário"}};
inline constexpr Arg kUserCodeKind[] = {{kText, "usuário"}, {kText, "código"}, {kText, "tipo"}};

}  // namespace protocol::common

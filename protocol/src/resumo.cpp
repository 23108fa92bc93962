#include "protocol/resumo.h"

#include "common_fields.h"

namespace protocol::resumo {

namespace {

using namespace protocol::common;

/// One operator's day: appropriated and punched time ("HH:MM:SS", each
/// empty when the day has no row, or no punch), and whether its month is closed.
constexpr Field kResumoPeriodoFields[] = {text("CDOPERADOR", 12), text("NMOPERADOR", 40),
                                          stamp("DTDIA"),         text("QTHRAPRO", 8),
                                          text("QTHRPONTO", 8),   text("IDFECHADO", 1)};
constexpr Answer kResumoPeriodo{kResumoPeriodoFields};

/// A work team, as the import takes it (a code of 20, a name of 100).
constexpr Field kEquipesFields[] = {text("CDEQUIPE", 20), text("NMEQUIPE", 100)};
constexpr Answer kEquipes{kEquipesFields};

constexpr Arg kPeriod[] = {
    {kText, "filial"}, {kText, "equipe"}, {kText, "operador"}, {kDate, "de"}, {kDate, "até"}};
/// An operator a month lists, with whether that month is closed for him.
constexpr Field kOperadoresResumoFields[] = {text("CDOPERADOR", 12), text("NMOPERADOR", 40),
                                             text("IDFECHADO", 1)};
constexpr Answer kOperadoresResumo{kOperadoresResumoFields};

constexpr Arg kMonthOperators[] = {
    {kText, "filial"}, {kText, "equipe"}, {kText, "operador"}, {kText, "mês"}};
constexpr Arg kClosing[] = {
    {kText, "filial"}, {kText, "operador"}, {kText, "mês"}, {kText, "fechar"}};

}  // namespace

constinit const Method getCtrlAcesso{"GetCtrlAcesso", kBranchUser, &kCtrlAcesso};
constinit const Method getCtrlFechamento{"GetCtrlFechamento", kBranchUser, &kCtrlAcesso};
constinit const Method getHoraServidor{"getHoraServidor", {}, &kHoraServidor};
constinit const Method getEquipes{"GetEquipes", kBranchUser, &kEquipes};
constinit const Method getOperEquip{"GetOperEquip", kUserCodeKind, &kOperEquip};
constinit const Method getOperadoresResumo{"GetOperadoresResumo", kMonthOperators,
                                           &kOperadoresResumo};
constinit const Method getResumoPeriodo{"GetResumoPeriodo", kPeriod, &kResumoPeriodo};
constinit const Method setFechamento{"SetFechamento", kClosing, nullptr};

namespace {

constexpr const Method* kMethods[] = {
    &getCtrlAcesso, &getCtrlFechamento,   &getHoraServidor,  &getEquipes,
    &getOperEquip,  &getOperadoresResumo, &getResumoPeriodo, &setFechamento,
};

}  // namespace

constinit const Module module{"Zep00710.rdmResumo", kMethods};

}  // namespace protocol::resumo

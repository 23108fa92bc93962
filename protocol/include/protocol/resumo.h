#pragma once

#include "protocol/method.h"

/// The remote module "Zep00710.rdmResumo": the summary screen's methods (a
/// team's or an operator's appropriated and punched hours per day, and the
/// closing of an operator's month), served by the same application server
/// as the appropriation screen's module.
namespace protocol::resumo {

extern const Module module;

/// The screen permission the summary needs; every method but GetCtrlAcesso
/// and getHoraServidor answers 403 without it.
inline constexpr std::string_view kScreen = "Zep00710";
/// The permission to close and reopen months (SetFechamento, GetCtrlFechamento).
inline constexpr std::string_view kClosingScreen = "Zep00720";

// Every method of the module; `module.methods` lists them all.
extern const Method getCtrlAcesso;      ///< GetCtrlAcesso(filial, usuário): may use the summary
extern const Method getCtrlFechamento;  ///< GetCtrlFechamento(filial, usuário): may close months
extern const Method getHoraServidor;    ///< getHoraServidor()
extern const Method getEquipes;         ///< GetEquipes(filial, usuário): the user's teams
extern const Method getOperEquip;  ///< GetOperEquip(usuário, código, tipo), as the day screen's
/// GetOperadoresResumo(filial, equipe, operador, mês): the operators a month
/// lists, days or not (the team's members at the branch, or the one
/// operator), by code, each with whether the month is closed for him.
extern const Method getOperadoresResumo;
extern const Method getResumoPeriodo;  ///< GetResumoPeriodo(filial, equipe, operador, de, até)
extern const Method setFechamento;     ///< SetFechamento(filial, operador, mês, fechar): no data

}  // namespace protocol::resumo

#pragma once

#include "protocol/method.h"

/// The remote module "Zep00700.rdmApropriacao": the appropriation screen's
/// methods, as its screen calls them and the server answers them.
namespace protocol::apropriacao {

extern const Module module;

// Every method of the module; `module.methods` lists them all.
extern const Method getCtrlAcesso;    ///< GetCtrlAcesso(filial, usuário)
extern const Method getHoraServidor;  ///< getHoraServidor()
extern const Method getOperEquip;     ///< GetOperEquip(usuário, código, tipo)
extern const Method getAtividades;    ///< getAtividades(operador, filial, dia)
extern const Method getTotApro;       ///< getTotApro(operador, filial, dia)
extern const Method getPonto;         ///< getPonto(operador, dia)
extern const Method getTotPontoReal;  ///< GetTotPontoReal(operador, dia)
extern const Method getDatas;         ///< GetDatas(operador, filial, ano)
extern const Method getPesqTarefa;    ///< GetPesqTarefa(filial)
extern const Method getVdTarefa;      ///< getVdTarefa(filial, tarefa)
extern const Method getPesqAtiv;      ///< GetPesqAtiv(filial, tarefa, usuário)
extern const Method getVdAtiv;        ///< getVdAtiv(filial, tarefa, operador, atividade)
extern const Method getApropria;      ///< getApropria(operador, filial, dia, início, término)
extern const Method setAtividades;    ///< SetAtividades(pacote de alterações): no data
extern const Method getUpdateAtiv;    ///< GetUpdateAtiv(filial, tarefa, atividade): no data
extern const Method getHistorico;     ///< GetHistorico(operador, filial, dia)
extern const Method getDiaAnterior;   ///< GetDiaAnterior(operador, filial, dia)

}  // namespace protocol::apropriacao

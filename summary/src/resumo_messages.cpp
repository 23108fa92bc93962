#include "resumo_messages.h"

namespace Cli_Zep00710 {

framework::TMessages resumoMessages() {
    return framework::TMessages::fromText(
        QStringLiteral("Neg_Acess|Operado não possui permissão de acesso à tela.\n"
                       "Oper_Inv|Operador não cadastrado para equipe de trabalho do usuário.\n"
                       "Sem_Equipe|Usuário sem equipe de trabalho na filial.\n"
                       "Fech_Conf|Confirma o fechamento do mês %1 de %2?\n"
                       "Reab_Conf|Confirma a reabertura do mês %1 de %2?\n"));
}

}  // namespace Cli_Zep00710

#include <gtest/gtest.h>

#include "screen/frm_apropriacao.h"

namespace {

TEST(ScreenMessages, TheTableHoldsTheFiftySevenEntriesInOrder) {
    Cli_Zep00700::TfrmApropriacao form;
    const framework::TMessages& table = form.msgPadrao;
    ASSERT_EQ(table.Count(), 57);
    const QStringList keys = table.Keys();
    EXPECT_EQ(keys.first(), QStringLiteral("Excl"));
    EXPECT_EQ(keys.at(9), QStringLiteral("HORA_INV"));
    EXPECT_EQ(keys.at(45), QStringLiteral("1"));
    EXPECT_EQ(keys.last(), QStringLiteral("Neg_Acess"));
    // Keys without regard to letter case.
    EXPECT_EQ(table.Msg(QStringLiteral("Ativ_deve")),
              QStringLiteral("Atividade deve ser informada."));
    EXPECT_EQ(table.Msg(QStringLiteral("neg_acess")),
              QStringLiteral("Operado não possui permissão de acesso à tela."));
    // Texts as they stand: the leading blank, the "<" and the "%s" fillers.
    EXPECT_EQ(table.Msg(QStringLiteral("HR_INV")), QStringLiteral(" não é uma hora válida."));
    EXPECT_EQ(table.Msg(QStringLiteral("RE")), QStringLiteral("<---Retorno Eventual"));
    EXPECT_EQ(table.Msg(QStringLiteral("N_Ativ_Cad")),
              QStringLiteral("Não há atividades cadastradas para o operador %s na tarefa %s."));
    EXPECT_EQ(table.Msg(QStringLiteral("Tare_deve")), table.Msg(QStringLiteral("Tare_Inf")));
    EXPECT_EQ(table.Msg(QStringLiteral("Dt_Dev<=")),
              QStringLiteral("Data de apropriação deve ser menor ou igual a data atual."));
}

}  // namespace

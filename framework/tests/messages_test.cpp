#include <gtest/gtest.h>

#include <QTemporaryFile>

#include "framework/errors.h"
#include "framework/messages.h"

using framework::TMessages;

namespace {

const char* const kTable =
    "Excl|Confirma exclusão?\n"
    "HORA_INV| não é uma hora válida.\r\n"
    "Tare_Inf|Tarefa deve ser informada.\n"
    "\n"
    "Dt_Dev<=|Data de apropriação deve ser menor ou igual a data atual.\n"
    "Tare_deve|Tarefa deve ser informada.\n"
    "ATIV_DEVE|Atividade deve ser informada.\n"
    "RE|<Registro|com barra>\n"
    "1|Entrada - Dados não importados ou inconsistentes (do dia)\n";

}  // namespace

TEST(TMessages, KeysMatchWithoutRegardToCaseAndTextsStayAsWritten) {
    const TMessages table = TMessages::fromText(QString::fromUtf8(kTable));
    EXPECT_EQ(table.Count(), 8);
    EXPECT_EQ(table.Keys().first(), QStringLiteral("Excl"));
    EXPECT_EQ(table.Keys().last(), QStringLiteral("1"));

    EXPECT_EQ(table.Msg(QStringLiteral("Ativ_deve")),
              QStringLiteral("Atividade deve ser informada."));
    EXPECT_EQ(table.Msg(QStringLiteral("excl")), QStringLiteral("Confirma exclusão?"));
    EXPECT_EQ(table.Msg(QStringLiteral("HORA_INV")),
              QStringLiteral(" não é uma hora válida."));  // leading blank kept, CR dropped
    EXPECT_EQ(table.Msg(QStringLiteral("dt_dev<=")),
              QStringLiteral("Data de apropriação deve ser menor ou igual a data atual."));
    EXPECT_EQ(table.Msg(QStringLiteral("RE")),
              QStringLiteral("<Registro|com barra>"));  // only the first bar separates
    EXPECT_EQ(table.Msg(QStringLiteral("Tare_deve")), table.Msg(QStringLiteral("Tare_Inf")));
    EXPECT_TRUE(table.Contains(QStringLiteral("TARE_INF")));
}

TEST(TMessages, AnUnknownKeyIsAClearError) {
    const TMessages table = TMessages::fromText(QString::fromUtf8(kTable));
    try {
        table.Msg(QStringLiteral("Neg_Acess"));
        FAIL() << "unknown key accepted";
    } catch (const framework::Error& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Mensagem \"Neg_Acess\" não encontrada na tabela de mensagens."));
    }
}

TEST(TMessages, MalformedTablesAreRefusedNamingTheLine) {
    const auto errorOf = [](const char* text) -> QString {
        try {
            TMessages::fromText(QString::fromUtf8(text));
        } catch (const framework::Error& e) {
            return e.message();
        }
        return QStringLiteral("(accepted)");
    };
    EXPECT_TRUE(
        errorOf("A|a\nsem barra\n").startsWith(QStringLiteral("Tabela de mensagens, linha 2:")));
    EXPECT_TRUE(errorOf("|texto\n").contains(QStringLiteral("chave vazia")));
    EXPECT_TRUE(
        errorOf("Excl|a\nEXCL|b\n").contains(QStringLiteral("\"EXCL\" aparece mais de uma vez")));
}

TEST(TMessages, LoadsFromAFileAndReportsAMissingOne) {
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write(kTable);
    file.close();
    EXPECT_EQ(TMessages::fromFile(file.fileName()).Count(), 8);
    EXPECT_THROW(TMessages::fromFile(QStringLiteral("/nonexistent/messages.txt")),
                 framework::Error);
}

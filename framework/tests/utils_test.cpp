#include <gtest/gtest.h>

#include <QLineEdit>
#include <QWidget>

#include "framework/errors.h"
#include "framework/utils.h"
#include "platform/dataset/errors.h"
#include "platform/ui/scripted_dialog_service.h"

using platform::dataset::DateTime;
using namespace framework;

TEST(TextRoutines, EmptyStringAndAllTrimTreatBlanksAlike) {
    EXPECT_TRUE(EmptyString(QString()));
    EXPECT_TRUE(EmptyString(QStringLiteral("   ")));
    EXPECT_TRUE(EmptyString(QStringLiteral(" \t ")));
    EXPECT_FALSE(EmptyString(QStringLiteral("  x ")));
    EXPECT_TRUE(EmptyString(std::string_view("  ")));
    EXPECT_FALSE(EmptyString(std::string_view(" 0")));

    EXPECT_EQ(AllTrim(QStringLiteral("  8:00  ")), QStringLiteral("8:00"));
    EXPECT_EQ(AllTrim(QStringLiteral("   ")), QString());
    EXPECT_EQ(AllTrim(QStringLiteral("a b")), QStringLiteral("a b"));
    EXPECT_EQ(AllTrim(std::string_view("\tTerça ")), "Terça");
}

TEST(TextRoutines, AjustaPadsCodesOfDigitsToTheColumnWidth) {
    struct Case {
        const char* code;
        int width;
        const char* expected;
    };
    const Case cases[] = {
        {"123", 10, "0000000123"},     // task
        {"7", 5, "00007"},             // activity
        {" 42 ", 12, "000000000042"},  // operator, blanks around it
        {"00001", 5, "00001"},         // already at width
        {"", 10, ""},                  // empty stays empty
        {"    ", 10, ""},              // blanks only count as empty
        {"123456", 5, "123456"},       // longer than the width: left for the server to refuse
        {"AB12", 10, "AB12"},          // not digits only: trimmed, otherwise as typed
        {" 12 3 ", 10, "12 3"},        // an inner blank is not a digit
        {"-5", 5, "-5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(Ajusta(QString::fromUtf8(c.code), c.width), QString::fromUtf8(c.expected));
        EXPECT_EQ(Ajusta(std::string_view(c.code), c.width), c.expected);
    }
}

TEST(TextRoutines, FormatFillsEachTextArgumentInOrder) {
    const QString ativapro = QStringLiteral(
        "O operador %s - %s tem a atividade %s referente à tarefa %s apropriada no horário de %s "
        "às %s.");
    EXPECT_EQ(Format(ativapro, {QStringLiteral("000000000101"), QStringLiteral("Ana Souza"),
                                QStringLiteral("00002"), QStringLiteral("0000000010"),
                                QStringLiteral("08:00:00"), QStringLiteral("09:00:00")}),
              QStringLiteral(
                  "O operador 000000000101 - Ana Souza tem a atividade 00002 referente à tarefa "
                  "0000000010 apropriada no horário de 08:00:00 às 09:00:00."));
    EXPECT_EQ(Format(QStringLiteral("%s%% de %s"), {QStringLiteral("50"), QStringLiteral("%s")}),
              QStringLiteral("50% de %s"))
        << "an argument is copied, never read as a pattern";
    EXPECT_EQ(Format(QStringLiteral("sem argumentos"), {}), QStringLiteral("sem argumentos"));
}

TEST(TextRoutines, FormatRefusesAMissingOrExtraArgumentOrAnUnknownDirective) {
    const QString twoArgs =
        QStringLiteral("Não há atividades cadastradas para o operador %s na tarefa %s.");
    EXPECT_THROW(Format(twoArgs, {QStringLiteral("Ana")}), Error);
    EXPECT_THROW(
        Format(twoArgs, {QStringLiteral("Ana"), QStringLiteral("1"), QStringLiteral("extra")}),
        Error);
    EXPECT_THROW(Format(QStringLiteral("%d horas"), {QStringLiteral("8")}), Error);
    EXPECT_THROW(Format(QStringLiteral("termina em %"), {}), Error);
    try {
        Format(twoArgs, {});
        FAIL() << "a missing argument must be refused";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(twoArgs)) << "the message names the pattern: " << e.what();
    }
}

TEST(DateNames, MonthsAndWeekdaysInPortuguese) {
    EXPECT_EQ(NomeMes(DateTime::date(2003, 1, 15)), QStringLiteral("Janeiro"));
    EXPECT_EQ(NomeMes(DateTime::date(2003, 3, 1)), QStringLiteral("Março"));
    EXPECT_EQ(NomeMes(DateTime{2026, 12, 31, 23, 59, 59}), QStringLiteral("Dezembro"));
    EXPECT_EQ(NomeSemana(DateTime::date(2003, 7, 6)), QStringLiteral("Domingo"));
    EXPECT_EQ(NomeSemana(DateTime::date(2026, 12, 8)), QStringLiteral("Terça"));
    EXPECT_EQ(NomeSemana(DateTime::date(2024, 2, 29)), QStringLiteral("Quinta"));
    EXPECT_EQ(NomeSemana(DateTime::date(2026, 12, 12)), QStringLiteral("Sábado"));
    EXPECT_THROW(NomeMes(DateTime{}), framework::Error);
    EXPECT_THROW(NomeSemana(DateTime::date(2026, 2, 30)), framework::Error);
}

TEST(SetChildEnabled, SwitchesEveryControlOfTheContainerButNotTheContainer) {
    QWidget panel;
    auto* edit = new QLineEdit(&panel);
    auto* inner = new QWidget(&panel);
    auto* nested = new QLineEdit(inner);
    SetChildEnabled(&panel, false);
    EXPECT_TRUE(panel.isEnabled());
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_FALSE(inner->isEnabled());
    EXPECT_FALSE(nested->isEnabled());  // through its disabled container
    SetChildEnabled(&panel, true);
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_TRUE(nested->isEnabled());
    SetChildEnabled(nullptr, true);  // harmless
}

TEST(MensErro, ShowsTheErrorThenAbandonsTheOperationSilently) {
    platform::ui::ScriptedDialogService script;
    platform::ui::ScopedDialogService installed(script);
    EXPECT_THROW(MensErro(QStringLiteral("Tarefa não cadastrada.")), platform::dataset::Abort);
    EXPECT_NO_THROW(MensErro(QStringLiteral("Só aviso."), false));
    EXPECT_EQ(script.texts(platform::ui::ScriptedDialogService::Kind::Error),
              (QStringList{QStringLiteral("Tarefa não cadastrada."), QStringLiteral("Só aviso.")}));
}

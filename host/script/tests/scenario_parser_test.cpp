#include <gtest/gtest.h>

#include <QString>

#include <string>
#include <vector>

#include "host/script/key_names.h"
#include "host/script/scenario.h"

namespace {

using host::script::Command;
using host::script::parseKeyName;
using host::script::parseScenario;
using host::script::ScenarioSyntaxError;
using host::script::tokenizeLine;
using host::script::Verb;

std::vector<std::string> words(const QString& line) {
    std::vector<std::string> out;
    for (const auto& token : tokenizeLine(line))
        out.push_back((token.quoted ? "q:" : "w:") + token.text.toStdString());
    return out;
}

Command only(const QString& line) {
    const auto scenario = parseScenario(line, QStringLiteral("t.txt"));
    EXPECT_EQ(scenario.commands.size(), 1u);
    return scenario.commands.at(0);
}

/// The line and problem of the syntax error `text` raises.
std::pair<int, std::string> errorOf(const QString& text) {
    try {
        parseScenario(text, QStringLiteral("t.txt"));
    } catch (const ScenarioSyntaxError& e) {
        return {e.line(), e.problem().toStdString()};
    }
    return {0, "no error"};
}

TEST(ScenarioTokens, QuotedTextsKeepBlanksAndDoubledQuotesStandForOne) {
    using V = std::vector<std::string>;
    EXPECT_EQ(words(QStringLiteral("expect text medCdOper \"000000000101\"")),
              (V{"w:expect", "w:text", "w:medCdOper", "q:000000000101"}));
    EXPECT_EQ(words(QStringLiteral("type \"diz \"\"oi\"\" a  ele\"")),
              (V{"w:type", "q:diz \"oi\" a  ele"}));
    EXPECT_EQ(words(QStringLiteral("type \"\"")), (V{"w:type", "q:"}));
    EXPECT_EQ(words(QStringLiteral("type \"\"\"\"")), (V{"w:type", "q:\""}));
    EXPECT_EQ(words(QStringLiteral("\t wait   200 \r")), (V{"w:wait", "w:200"}));
    EXPECT_EQ(
        words(QStringLiteral("expect message \"Operado não possui permissão de acesso à tela.\"")),
        (V{"w:expect", "w:message", "q:Operado não possui permissão de acesso à tela."}));
}

TEST(ScenarioTokens, RefusesUnclosedAndGluedQuotes) {
    EXPECT_THROW(tokenizeLine(QStringLiteral("type \"abc")), std::invalid_argument);
    EXPECT_THROW(tokenizeLine(QStringLiteral("type \"abc\"\"")), std::invalid_argument);
    EXPECT_THROW(tokenizeLine(QStringLiteral("type \"abc\"def")), std::invalid_argument);
    EXPECT_THROW(tokenizeLine(QStringLiteral("type ab\"c\"")), std::invalid_argument);
}

TEST(ScenarioParser, ReadsEveryCommandWithItsArguments) {
    struct Case {
        const char* line;
        Verb verb;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"open", Verb::Open, {}},
        {"open mnuResumo", Verb::Open, {"mnuResumo"}},
        {"close", Verb::Close, {}},
        {"activate", Verb::Activate, {}},
        {"minimize", Verb::Minimize, {}},
        {"maximize", Verb::Maximize, {}},
        {"restore", Verb::Restore, {}},
        {"deactivate", Verb::Deactivate, {}},
        {"focus medCdOper", Verb::Focus, {"medCdOper"}},
        {"focus dbgAtividades.HORAINI", Verb::Focus, {"dbgAtividades.HORAINI"}},
        {"type \"08:00\"", Verb::Type, {"08:00"}},
        {"key Ctrl+Delete", Verb::Key, {"Ctrl+Delete"}},
        {"click mnuHoje", Verb::Click, {"mnuHoje"}},
        {"row dbgAtividades 2", Verb::Row, {"dbgAtividades", "2"}},
        {"editbutton", Verb::EditButton, {}},
        {"pick 2026-12-01", Verb::Pick, {"2026-12-01"}},
        {"answer pick 3", Verb::AnswerPick, {"3"}},
        {"answer cancel", Verb::AnswerCancel, {}},
        {"answer password \"senha101\"", Verb::AnswerPassword, {"senha101"}},
        {"answer password cancel", Verb::AnswerPasswordCancel, {}},
        {"answer yes", Verb::AnswerYes, {}},
        {"answer no", Verb::AnswerNo, {}},
        {"fail getAtividades", Verb::Fail, {"getAtividades"}},
        {"fail GetDatas 2", Verb::Fail, {"GetDatas", "2"}},
        {"wait 1600", Verb::Wait, {"1600"}},
        {"screenshot out.png", Verb::Screenshot, {"out.png"}},
        {"screenshot \"a b.png\"", Verb::Screenshot, {"a b.png"}},
        {"reset calls", Verb::ResetCalls, {}},
        {"expect text edtNmOper \"Ana Souza\"", Verb::ExpectText, {"edtNmOper", "Ana Souza"}},
        {"expect caption mnuHoje \"&Hoje\"", Verb::ExpectCaption, {"mnuHoje", "&Hoje"}},
        {"expect hint btnHojeDia \"Hoje\"", Verb::ExpectHint, {"btnHojeDia", "Hoje"}},
        {"expect enabled memDesc no", Verb::ExpectEnabled, {"memDesc", "no"}},
        {"expect visible imgAlerta no", Verb::ExpectVisible, {"imgAlerta", "no"}},
        {"expect focus dbgAtividades.NRTAREFA", Verb::ExpectFocus, {"dbgAtividades.NRTAREFA"}},
        {"expect message \"x\"", Verb::ExpectMessage, {"x"}},
        {"expect message starting \"x\"", Verb::ExpectMessageStarting, {"x"}},
        {"expect no message", Verb::ExpectNoMessage, {}},
        {"expect state cdsAtividades browse", Verb::ExpectState, {"cdsAtividades", "browse"}},
        {"expect field cdsAtividades HORAINI \"08:00:00\"",
         Verb::ExpectField,
         {"cdsAtividades", "HORAINI", "08:00:00"}},
        {"expect recno cdsAtividades 0", Verb::ExpectRecno, {"cdsAtividades", "0"}},
        {"expect rows dbgAtividades 3", Verb::ExpectRows, {"dbgAtividades", "3"}},
        {"expect cell dbgAtividades 1 HORAINI \" 8:00:00\"",
         Verb::ExpectCell,
         {"dbgAtividades", "1", "HORAINI", " 8:00:00"}},
        {"expect colour dbgAtividades 1 HORAINI #FF0000",
         Verb::ExpectColour,
         {"dbgAtividades", "1", "HORAINI", "#FF0000"}},
        {"expect bold dbgCtrlPonto 2 DTBATIDAPTO yes",
         Verb::ExpectBold,
         {"dbgCtrlPonto", "2", "DTBATIDAPTO", "yes"}},
        {"expect icon dbgAtividades 1 no", Verb::ExpectIcon, {"dbgAtividades", "1", "no"}},
        {"expect readonly dbgAtividades.DTHIAPATIVTA yes",
         Verb::ExpectReadonly,
         {"dbgAtividades.DTHIAPATIVTA", "yes"}},
        {"expect button dbgAtividades.NRTAREFA no",
         Verb::ExpectButton,
         {"dbgAtividades.NRTAREFA", "no"}},
        {"expect marked dbcDia 2026-12-07 yes",
         Verb::ExpectMarked,
         {"dbcDia", "2026-12-07", "yes"}},
        {"expect calls GetCtrlAcesso 1", Verb::ExpectCalls, {"GetCtrlAcesso", "1"}},
        {"expect windowstate minimized", Verb::ExpectWindowState, {"minimized"}},
        {"expect cursor hourglass", Verb::ExpectCursor, {"hourglass"}},
        {"expect busy no", Verb::ExpectBusy, {"no"}},
        {"expect date depAgenda 2026-12-08", Verb::ExpectDate, {"depAgenda", "2026-12-08"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const Command command = only(QString::fromUtf8(c.line));
        EXPECT_EQ(command.verb, c.verb);
        std::vector<std::string> args;
        for (const QString& a : command.args) args.push_back(a.toStdString());
        EXPECT_EQ(args, c.args);
        EXPECT_EQ(command.isExpectation(), std::string(c.line).starts_with("expect"));
    }
}

TEST(ScenarioParser, SkipsCommentsAndBlankLinesAndKeepsLineNumbers) {
    const auto scenario = parseScenario(
        QStringLiteral("# layout\n\n   # indented comment\nopen\r\n\n  expect busy no  \n"),
        QStringLiteral("s.txt"));
    ASSERT_EQ(scenario.commands.size(), 2u);
    EXPECT_EQ(scenario.commands[0].line, 4);
    EXPECT_EQ(scenario.commands[1].line, 6);
    EXPECT_EQ(scenario.commands[1].source, QStringLiteral("expect busy no"));
    EXPECT_EQ(scenario.file, QStringLiteral("s.txt"));
}

TEST(ScenarioParser, NamesTheLineOfAnUnknownCommand) {
    EXPECT_EQ(errorOf(QStringLiteral("open\n\nlaunch\n")),
              (std::pair<int, std::string>{3, "unknown command \"launch\""}));
    EXPECT_EQ(errorOf(QStringLiteral("expect colours dbg 1 F #000000")).second,
              "unknown command \"expect colours\"");
    EXPECT_EQ(errorOf(QStringLiteral("answer maybe")).second, "unknown command \"answer maybe\"");
    EXPECT_EQ(errorOf(QStringLiteral("expect")).second, "unknown command \"expect\"");
    // Keywords are words of the language: a quoted one is not a command.
    EXPECT_EQ(errorOf(QStringLiteral("\"open\"")).second, "unknown command \"open\"");
    EXPECT_EQ(errorOf(QStringLiteral("Open")).first, 1);
}

TEST(ScenarioParser, RefusesMalformedArgumentsNamingTheLine) {
    struct Case {
        const char* text;
        const char* problem;
    };
    const Case cases[] = {
        {"open mnuResumo now", "\"open\" takes 0 to 1 argument(s), found 2"},
        {"open \"mnuResumo\"", "\"mnuResumo\" should not be quoted here"},
        {"row dbgAtividades", "\"row\" takes 2 argument(s), found 1"},
        {"fail a 1 2", "\"fail\" takes 1 to 2 argument(s), found 3"},
        {"type hello", "expected a text in double quotes, found hello"},
        {"expect text medCdOper 0101", "expected a text in double quotes, found 0101"},
        {"click \"mnuHoje\"", "\"mnuHoje\" should not be quoted here"},
        {"row dbgAtividades 0", "expected a number from 1, found 0"},
        {"wait -5", "expected a whole number, found -5"},
        {"wait 1.5", "expected a whole number, found 1.5"},
        {"pick 2026-02-30", "expected a day YYYY-MM-DD, found 2026-02-30"},
        {"pick 8/12/2026", "expected a day YYYY-MM-DD, found 8/12/2026"},
        {"expect colour g 1 F red", "expected a colour #RRGGBB, found red"},
        {"expect colour g 1 F #12345", "expected a colour #RRGGBB, found #12345"},
        {"expect enabled memDesc true", "expected yes or no, found true"},
        {"expect state cds browsing", "expected inactive, browse, edit or insert, found browsing"},
        {"expect windowstate normalized",
         "expected normal, minimized or maximized, found normalized"},
        {"expect cursor busy", "expected default or hourglass, found busy"},
        {"key Ctrl+Q", "unknown key Ctrl+Q"},
        {"key tab", "unknown key tab"},
        {"expect readonly dbgAtividades yes", "expected GRID.FIELD, found dbgAtividades"},
        {"focus dbg.a.b", "expected NAME or GRID.FIELD, found dbg.a.b"},
        {"type \"abc", "a text in quotes is not closed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto [line, problem] =
            errorOf(QStringLiteral("# first\n") + QString::fromUtf8(c.text));
        EXPECT_EQ(line, 2);
        EXPECT_EQ(problem, c.problem);
    }
}

TEST(ScenarioParser, SyntaxErrorMessageNamesFileAndLine) {
    try {
        parseScenario(QStringLiteral("open\nbogus"), QStringLiteral("tests/scenarios/x.txt"));
        FAIL() << "no error";
    } catch (const ScenarioSyntaxError& e) {
        EXPECT_STREQ(e.what(), "tests/scenarios/x.txt:2: unknown command \"bogus\"");
    }
}

TEST(ScenarioKeys, ReadsNamesAndModifierCombinations) {
    const auto tab = parseKeyName(QStringLiteral("Tab"));
    ASSERT_TRUE(tab);
    EXPECT_EQ(tab->key, Qt::Key_Tab);
    EXPECT_EQ(tab->modifiers, Qt::NoModifier);

    const auto back = parseKeyName(QStringLiteral("Backtab"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->key, Qt::Key_Backtab);
    EXPECT_EQ(back->modifiers, Qt::ShiftModifier);

    const auto del = parseKeyName(QStringLiteral("Ctrl+Shift+Delete"));
    ASSERT_TRUE(del);
    EXPECT_EQ(del->key, Qt::Key_Delete);
    EXPECT_EQ(del->modifiers, Qt::ControlModifier | Qt::ShiftModifier);

    EXPECT_EQ(parseKeyName(QStringLiteral("Enter"))->key, Qt::Key_Return);
    EXPECT_EQ(parseKeyName(QStringLiteral("F2"))->key, Qt::Key_F2);
    EXPECT_FALSE(parseKeyName(QStringLiteral("Ctrl+Ctrl+Delete")));
    EXPECT_FALSE(parseKeyName(QStringLiteral("Ctrl+")));
    EXPECT_FALSE(parseKeyName(QStringLiteral("F13")));
}

}  // namespace

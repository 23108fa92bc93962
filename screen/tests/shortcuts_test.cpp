// The two shortcuts of the maintenance menu against the seeded server: a row
// filled from the punches and the previous day copied.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>

#include <map>

#include "framework/application.h"
#include "framework/busy.h"
#include "framework/button_flat.h"
#include "framework/net_connection.h"
#include "host/main_window.h"
#include "platform/dataset/data_set.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/ui/dispatch.h"
#include "protocol/apropriacao.h"
#include "screen_fixture.h"

using platform::dataset::DataSetState;
using platform::dataset::DateTime;
using platform::dataset::Value;

namespace screen_testing {
namespace {

/// Server's today in these tests: Monday 2025-03-31 (kServerNow).
const DateTime kToday = DateTime::date(2025, 3, 31);
/// Ana's Friday: 08:00–10:00 closed, 10:00 open; punches 07:58 in, 12:01 out.
const DateTime kFriday = DateTime::date(2025, 3, 28);

/// Calls of any method of the day screen's module since the last reset.
int allCalls() {
    int n = 0;
    for (const protocol::Method* m : protocol::apropriacao::module.methods)
        n += framework::NetScript::callCount(std::string(m->name));
    return n;
}

class ShortcutsTest : public ScreenTest {
protected:
    /// Puts punches of the loaded day into the panel, as a load would:
    /// each {hour, minute, second, direction}.
    struct Punch {
        int h, m, s;
        const char* direction;
        const char* event;
    };
    void showPunches(Screen& f, const DateTime& day, std::initializer_list<Punch> punches) {
        platform::dataset::DataPacket packet = f.cdsPonto.data();
        packet.rows.clear();
        for (const Punch& p : punches)
            packet.rows.push_back({Value(std::string("01")),
                                   Value(DateTime{day.year, day.month, day.day, p.h, p.m, p.s}),
                                   Value(std::string(p.direction)), Value(std::string(p.event)),
                                   Value(day), Value(std::string("CAT"))});
        f.cdsPonto.load(std::move(packet));
    }
    QString field(Screen& f, const char* name) {
        return QString::fromStdString(f.cdsAtividades.fieldByName(name).text());
    }
    QStringList informations() const {
        return dialogs.texts(platform::ui::ScriptedDialogService::Kind::Information);
    }
    QStringList questions() const {
        return dialogs.texts(platform::ui::ScriptedDialogService::Kind::Confirmation);
    }
};

/// A test that saves changes what the server holds: a fresh one each.
class ShortcutsSavingTest : public ShortcutsTest {
protected:
    void SetUp() override {
        server = std::make_unique<ScreenServer>();
        ShortcutsTest::SetUp();
    }
};

TEST_F(ShortcutsTest, BothItemsFollowHojeWithKeysNoOtherCommandOfTheHostOrScreenUses) {
    // The host's own commands, and the screen's in its window (with the
    // window's system menu).
    Screen& f = open();
    host::MainWindow host([] {});
    // The host's window takes the application's main form: the screen's stays it.
    framework::Application().SetMainForm(&window, area);

    const QList<QAction*> items = f.mnuManutencao->actions();
    const auto hoje = items.indexOf(f.mnuHoje);
    ASSERT_GE(hoje, 0);
    ASSERT_EQ(items.size(), hoje + 3);
    EXPECT_EQ(items[hoje + 1], f.mnuPreencherPontos);
    EXPECT_EQ(items[hoje + 2], f.mnuCopiarDia);
    EXPECT_EQ(f.mnuPreencherPontos->text(), QStringLiteral("Preencher pelos &Pontos"));
    EXPECT_EQ(f.mnuCopiarDia->text(), QStringLiteral("&Copiar Dia Anterior"));

    std::map<QString, QString> owners;
    QList<QAction*> commands = host.findChildren<QAction*>();
    commands += window.findChildren<QAction*>();
    ASSERT_TRUE(commands.contains(f.mnuCopiarDia));
    for (QAction* action : commands) {
        for (const QKeySequence& key : action->shortcuts()) {
            const QString text = key.toString();
            const auto [it, fresh] = owners.emplace(text, action->objectName() + action->text());
            EXPECT_TRUE(fresh) << text.toStdString() << " belongs to " << it->second.toStdString()
                               << " and " << action->text().toStdString();
        }
    }
    EXPECT_FALSE(f.mnuPreencherPontos->shortcut().isEmpty());
    EXPECT_FALSE(f.mnuCopiarDia->shortcut().isEmpty());
    // The grid's keys are its own, not actions: F2 opens its editor.
    for (QAction* action : {f.mnuPreencherPontos, f.mnuCopiarDia})
        EXPECT_NE(action->shortcut(), QKeySequence(Qt::Key_F2));
}

TEST_F(ShortcutsTest, BothAreEnabledByTheInsertButtonsRule) {
    Screen& f = open();
    workOn(kFriday);
    ASSERT_EQ(f.cdsAtividades.state(), DataSetState::Browse);
    EXPECT_TRUE(f.sbtIncluir->isEnabled());
    EXPECT_TRUE(f.mnuPreencherPontos->isEnabled());
    EXPECT_TRUE(f.mnuCopiarDia->isEnabled());
    platform::ui::dispatch([&] { f.sbtIncluirClick(); });
    ASSERT_EQ(f.cdsAtividades.state(), DataSetState::Insert);
    EXPECT_FALSE(f.mnuPreencherPontos->isEnabled());
    EXPECT_FALSE(f.mnuCopiarDia->isEnabled());
    platform::ui::dispatch([&] { f.sbtCancelarClick(); });
    EXPECT_TRUE(f.mnuPreencherPontos->isEnabled());
}

TEST_F(ShortcutsTest, ANewRowBegunFromTheGridMovesTheFocusNowhere) {
    // Each move of the focus inside the screen has its MDI window draw its
    // title bar and frame again: beginning a row from the grid makes none.
    Screen& f = open();
    workOn(kFriday);
    f.dbgAtividades->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), f.dbgAtividades);
    int moves = 0;
    const QMetaObject::Connection counting = QObject::connect(
        qApp, &QApplication::focusChanged, [&moves](QWidget*, QWidget*) { ++moves; });
    platform::ui::dispatch([&] { f.sbtIncluirClick(); });
    QObject::disconnect(counting);
    ASSERT_EQ(f.cdsAtividades.state(), DataSetState::Insert);
    EXPECT_EQ(moves, 0);
    EXPECT_EQ(QApplication::focusWidget(), f.dbgAtividades);
    ASSERT_NE(f.dbgAtividades->selectedField(), nullptr);
    EXPECT_EQ(f.dbgAtividades->selectedField()->name(), "NRTAREFA");
    platform::ui::dispatch([&] { f.sbtCancelarClick(); });
}

TEST_F(ShortcutsSavingTest, FillProposesTheEarliestStretchLeftToTheSecondWithTheFocusOnTheTask) {
    Screen& f = open();
    workOn(kToday);
    ASSERT_TRUE(f.cdsAtividades.isEmpty());
    showPunches(f, kToday,
                {{7, 0, 0, "1", "E1"},
                 {7, 5, 0, "2", "S1"},  // five minutes: left out
                 {8, 0, 10, "1", "E2"},
                 {9, 30, 0, "2", "S2"}});
    framework::NetScript::reset();
    f.dbgAtividades->setFocus();
    QTest::keyClick(f.dbgAtividades, Qt::Key_F7);
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(f.cdsAtividades.state(), DataSetState::Insert);
    EXPECT_EQ(field(f, "HORAINI"), QStringLiteral("08:00:10"));
    EXPECT_EQ(field(f, "HORAFIN"), QStringLiteral("09:30:00"));
    ASSERT_NE(f.dbgAtividades->selectedField(), nullptr);
    EXPECT_EQ(f.dbgAtividades->selectedField()->name(), "NRTAREFA");
    EXPECT_EQ(allCalls(), 0) << "every entry has its exit: no call";

    // The user types the rest; the row posts through every check as any other.
    platform::ui::dispatch([&] {
        f.cdsAtividades.fieldByName("NRTAREFA").setText("1");
        f.cdsAtividades.fieldByName("NRPLATIVTARE").setText("1");
        f.cdsAtividades.post();
    });
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(calls("SetAtividades"), 1);
    EXPECT_EQ(f.cdsAtividades.recordCount(), 1);
    EXPECT_EQ(field(f, "HORAINI"), QStringLiteral("08:00:10"));
}

TEST_F(ShortcutsTest, AnEntryWithoutExitRunsToTheServersNowTodayAndCoversNothingOnAnotherDay) {
    Screen& f = open();
    workOn(kToday);
    showPunches(f, kToday, {{8, 0, 0, "1", "E1"}});
    framework::NetScript::reset();
    f.mnuPreencherPontos->trigger();
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(calls("getHoraServidor"), 1);
    ASSERT_EQ(f.cdsAtividades.state(), DataSetState::Insert);
    EXPECT_EQ(field(f, "HORAINI"), QStringLiteral("08:00:00"));
    // The server's clock started at 10:00:00 and runs on.
    EXPECT_GE(field(f, "HORAFIN"), QStringLiteral("10:00:00"));
    EXPECT_LT(field(f, "HORAFIN"), QStringLiteral("10:10:00"));
    platform::ui::dispatch([&] { f.sbtCancelarClick(); });

    // The Friday: its rows cover 08:00 on (one is open); an entry without
    // exit at 13:00 covers nothing on a day that is not today.
    workOn(kFriday);
    showPunches(f, kFriday, {{7, 58, 0, "1", "E1"}, {12, 1, 0, "2", "S1"}, {13, 0, 0, "1", "E2"}});
    framework::NetScript::reset();
    f.mnuPreencherPontos->trigger();
    EXPECT_EQ(informations(),
              QStringList{QStringLiteral("Não há período de ponto sem apropriação.")});
    EXPECT_EQ(f.cdsAtividades.state(), DataSetState::Browse);
    EXPECT_EQ(f.cdsAtividades.recordCount(), 2);
    EXPECT_EQ(calls("SetAtividades"), 0);
}

TEST_F(ShortcutsTest, CopyRefusesADayWithRowsAFutureDayAndSaysWhenNoEarlierDayHasRows) {
    Screen& f = open();
    workOn(kFriday);
    framework::NetScript::reset();
    f.mnuCopiarDia->trigger();
    EXPECT_EQ(errors(), QStringList{QStringLiteral("O dia já possui apropriações.")});
    EXPECT_EQ(allCalls(), 0);

    dialogs.clear();
    workOn(DateTime::date(2025, 4, 1));
    framework::NetScript::reset();
    f.mnuCopiarDia->trigger();
    EXPECT_EQ(errors(), QStringList{QStringLiteral("Hora final deve ser menor que a hora atual.")});
    EXPECT_EQ(calls("GetDiaAnterior"), 0);

    // Ana's first day is 2024-12-16: nothing before it.
    dialogs.clear();
    workOn(DateTime::date(2024, 12, 2));
    f.mnuCopiarDia->trigger();
    EXPECT_TRUE(errors().isEmpty());
    EXPECT_EQ(informations(), QStringList{QStringLiteral("Não há dia anterior com apropriações.")});
    EXPECT_TRUE(questions().isEmpty());
    EXPECT_EQ(calls("SetAtividades"), 0);
}

TEST_F(ShortcutsSavingTest,
       AnsweredNoNothingIsSentAndAnsweredYesTheClosedRowsAreCopiedOnceAndShown) {
    Screen& f = open();
    workOn(kToday);
    framework::NetScript::reset();
    dialogs.queueConfirmation(false);
    f.mnuCopiarDia->trigger();
    EXPECT_EQ(questions(),
              QStringList{QStringLiteral("Copiar as apropriações de 28/03/2025 para 31/03/2025?")});
    EXPECT_EQ(calls("GetDiaAnterior"), 1);
    EXPECT_EQ(calls("SetAtividades"), 0);

    dialogs.clear();
    framework::NetScript::reset();
    dialogs.queueConfirmation(true);
    f.mnuCopiarDia->trigger();
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(calls("SetAtividades"), 1);
    EXPECT_EQ(calls("GetDatas"), 1) << "the refresh of any save";
    // The Friday's open 10:00 row stays behind.
    ASSERT_EQ(f.cdsAtividades.recordCount(), 1);
    EXPECT_EQ(field(f, "HORAINI"), QStringLiteral("08:00:00"));
    EXPECT_EQ(field(f, "HORAFIN"), QStringLiteral("10:00:00"));
    EXPECT_EQ(field(f, "NRTAREFA"), QStringLiteral("0000000001"));
    EXPECT_EQ(field(f, "NRPLATIVTARE"), QStringLiteral("00001"));
    EXPECT_EQ(field(f, "TXAPRATIVTAR"), QStringLiteral("Tela de filtro"));
    const DateTime stamp = f.cdsAtividades.fieldByName("DTHIAPATIVTA").asDateTime();
    EXPECT_EQ(stamp.datePart(), kToday) << "stamped by the server's now, not the Friday's";
    EXPECT_EQ(f.cdsAtividades.changeCount(), 0);
    EXPECT_TRUE(f.cdsDatas.locate("DTIAPATIVTAR", Value(kToday)));
    EXPECT_FALSE(framework::busyShowing());
    // The copied row's activity was pending: it starts with the copy, as with a typed row.
    EXPECT_EQ(calls("GetUpdateAtiv"), 1);
    EXPECT_EQ(field(f, "IDSITATIVTAR"), QStringLiteral("A"));
}

TEST_F(ShortcutsSavingTest, ACopyWhosePendingActivityCannotBeStartedKeepsItsRowsAndTellsAgain) {
    Screen& f = open();
    workOn(kToday);
    framework::NetScript::reset();
    dialogs.queueConfirmation(true);
    framework::NetScript::failNextCalls("GetUpdateAtiv", 1);
    f.mnuCopiarDia->trigger();
    ASSERT_EQ(errors().size(), 1);
    EXPECT_EQ(calls("SetAtividades"), 1);
    EXPECT_EQ(calls("GetUpdateAtiv"), 1);
    ASSERT_EQ(f.cdsAtividades.recordCount(), 1) << "the copy is stored all the same";
    EXPECT_EQ(field(f, "IDSITATIVTAR"), QStringLiteral("P"));
    EXPECT_FALSE(framework::busyShowing());

    // The next save tells the server again.
    dialogs.clear();
    platform::ui::dispatch([&] {
        f.cdsAtividades.edit();
        f.cdsAtividades.fieldByName("TXAPRATIVTAR").setText("Tela de filtro, revisada");
        f.memDesc->setPlainText(QStringLiteral("Tela de filtro, revisada"));
        f.cdsAtividades.post();
    });
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(calls("SetAtividades"), 2);
    EXPECT_EQ(calls("GetUpdateAtiv"), 2);
    EXPECT_EQ(field(f, "IDSITATIVTAR"), QStringLiteral("A"));
}

TEST_F(ShortcutsSavingTest, ARefusedCopyStoresNoRowAndShowsTheServersText) {
    Screen& f = open();
    // Sunday 2025-03-30 gets two rows; the screen then stands on the empty Monday.
    workOn(DateTime::date(2025, 3, 30));
    for (const std::pair<const char*, const char*>& span :
         {std::pair{"07:00:00", "08:00:00"}, std::pair{"08:30:00", "09:00:00"}}) {
        platform::ui::dispatch([&] {
            f.sbtIncluirClick();
            f.cdsAtividades.fieldByName("NRTAREFA").setText("1");
            f.cdsAtividades.fieldByName("NRPLATIVTARE").setText("1");
            f.cdsAtividades.fieldByName("HORAINI").setText(span.first);
            f.cdsAtividades.fieldByName("HORAFIN").setText(span.second);
            f.cdsAtividades.post();
        });
    }
    ASSERT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    workOn(kToday);
    ASSERT_TRUE(f.cdsAtividades.isEmpty());

    // Meanwhile another client records 08:40–08:50 on the Monday: the second copy clashes.
    platform::dataset::DataSet theirs("theirs");
    for (const platform::dataset::FieldDef& def : f.cdsAtividades.fieldDefs()) theirs.addField(def);
    OtherClient other;
    other.loadDay(theirs, kToday);
    theirs.append();
    for (const auto& [name, text] :
         std::initializer_list<std::pair<const char*, const char*>>{{"NRTAREFA", "0000000001"},
                                                                    {"NRPLATIVTARE", "00001"},
                                                                    {"HORAINI", "08:40:00"},
                                                                    {"HORAFIN", "08:50:00"},
                                                                    {"CDOPERADOR", "000000000101"},
                                                                    {"CDFILIAL", "0001"}})
        theirs.fieldByName(name).setText(text);
    theirs.fieldByName("DTIAPATIVTAR").setAsDateTime(kToday.addSeconds(8 * 3600 + 40 * 60));
    theirs.fieldByName("DTFAPATIVTAR").setAsDateTime(kToday.addSeconds(8 * 3600 + 50 * 60));
    theirs.post();
    other.save(theirs);

    framework::NetScript::reset();
    dialogs.queueConfirmation(true);
    f.mnuCopiarDia->trigger();
    EXPECT_EQ(questions(),
              QStringList{QStringLiteral("Copiar as apropriações de 30/03/2025 para 31/03/2025?")});
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(errors().front().startsWith(QStringLiteral("O operador 000000000101")))
        << errors().front().toStdString();
    EXPECT_EQ(calls("SetAtividades"), 1);
    EXPECT_EQ(calls("GetUpdateAtiv"), 0) << "nothing stored, so no activity starts";
    EXPECT_EQ(f.cdsAtividades.changeCount(), 0);
    EXPECT_FALSE(framework::busyShowing());

    platform::dataset::DataSet stored("stored");
    for (const platform::dataset::FieldDef& def : f.cdsAtividades.fieldDefs()) stored.addField(def);
    other.loadDay(stored, kToday);
    ASSERT_EQ(stored.recordCount(), 1) << "the 07:00 copy was not kept either";
    EXPECT_EQ(stored.fieldByName("HORAINI").text(), "08:40:00");
}

}  // namespace
}  // namespace screen_testing

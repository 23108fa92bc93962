// Saving what the grid posts: what reaches the server, the row another
// client changed meanwhile, and the stamps of a new row.
#include <QPlainTextEdit>
#include <QTest>

#include <optional>
#include <string_view>

#include "framework/busy.h"
#include "framework/corvix.h"
#include "framework/date_edit_plus.h"
#include "framework/net_connection.h"
#include "framework/remote_call.h"
#include "platform/dataset/data_set.h"
#include "platform/ui/dispatch.h"
#include "protocol/apropriacao.h"
#include "qt_warnings.h"
#include "screen/cli_zep00700.h"
#include "screen_fixture.h"

namespace Z = Cli_Zep00700;
using platform::dataset::DateTime;

namespace screen_testing {
namespace {

/// Every test changes what the server holds: each starts on a fresh one.
class SavingTest : public ScreenTest {
protected:
    void SetUp() override {
        server = std::make_unique<ScreenServer>();
        ScreenTest::SetUp();
    }
};

TEST_F(SavingTest, ARowChangedByAnotherClientMeanwhileShowsTheConflictAndWhatTheServerNowHolds) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 28));
    ASSERT_EQ(f.cdsAtividades.recordCount(), 2);
    ASSERT_EQ(f.memDesc->toPlainText(), QStringLiteral("Tela de filtro"));

    // Between the screen's load and its save, another client changes the row.
    platform::dataset::DataSet theirs("theirs");
    for (const platform::dataset::FieldDef& def : f.cdsAtividades.fieldDefs()) theirs.addField(def);
    OtherClient other;
    other.loadDay(theirs, DateTime::date(2025, 3, 28));
    theirs.edit();
    theirs.fieldByName("NRPLATIVTARE").setText("00002");
    theirs.post();
    other.save(theirs);

    framework::NetScript::reset();
    f.memDesc->setFocus();
    f.memDesc->moveCursor(QTextCursor::End);
    QTest::keyClicks(f.memDesc, QStringLiteral(" e grade"));
    ASSERT_EQ(f.cdsAtividades.state(), platform::dataset::DataSetState::Edit);
    platform::ui::dispatch([&] { f.sbtConfirmarClick(); });

    EXPECT_EQ(
        errors(),
        QStringList{QStringLiteral("Registro alterado por outro usuário. Recarregue o dia.")});
    EXPECT_EQ(calls("SetAtividades"), 1);
    EXPECT_EQ(calls("getAtividades"), 1) << "the day is reloaded once the conflict is shown";
    EXPECT_EQ(f.cdsAtividades.state(), platform::dataset::DataSetState::Browse);
    EXPECT_EQ(f.cdsAtividades.changeCount(), 0);
    EXPECT_EQ(f.cdsAtividades.fieldByName("NRPLATIVTARE").text(), "00002");
    EXPECT_EQ(f.memDesc->toPlainText(), QStringLiteral("Tela de filtro"));
    EXPECT_FALSE(framework::busyShowing());

    // The reloaded row saves normally.
    dialogs.clear();
    f.memDesc->moveCursor(QTextCursor::End);
    QTest::keyClicks(f.memDesc, QStringLiteral("!"));
    platform::ui::dispatch([&] { f.sbtConfirmarClick(); });
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(calls("SetAtividades"), 2);
    EXPECT_EQ(f.memDesc->toPlainText(), QStringLiteral("Tela de filtro!"));
}

TEST_F(SavingTest, ANewRowIsStampedByTheServersClockAndSentOnceWithItsDerivedFields) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 28));
    framework::NetScript::reset();
    platform::ui::dispatch([&] {
        f.sbtIncluirClick();
        f.cdsAtividades.fieldByName("NRTAREFA").setText("1");
        f.cdsAtividades.fieldByName("NRPLATIVTARE").setText("1");
        f.cdsAtividades.fieldByName("HORAINI").setText("07:00:00");
        f.cdsAtividades.fieldByName("HORAFIN").setText("07:45:00");
        f.cdsAtividades.post();
    });
    ASSERT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    // One reading of the server's clock per post: the future-time check and both stamps.
    EXPECT_EQ(calls("getHoraServidor"), 1);
    EXPECT_EQ(calls("SetAtividades"), 1);
    EXPECT_EQ(calls("getApropria"), 1);
    EXPECT_EQ(f.cdsAtividades.recordCount(), 3);

    ASSERT_TRUE(
        f.cdsAtividades.locate("HORAINI", platform::dataset::Value(std::string("07:00:00"))));
    const auto& ds = f.cdsAtividades;
    EXPECT_EQ(ds.fieldByName("NRTAREFA").text(), "0000000001") << "the server's form of the task";
    EXPECT_EQ(ds.fieldByName("NRPLATIVTARE").text(), "00001");
    EXPECT_EQ(ds.fieldByName("DTIAPATIVTAR").asDateTime(), (DateTime{2025, 3, 28, 7, 0, 0}));
    EXPECT_EQ(ds.fieldByName("DTFAPATIVTAR").asDateTime(), (DateTime{2025, 3, 28, 7, 45, 0}));
    EXPECT_EQ(ds.fieldByName("QTHRAPRO").text(), "00:45:00");
    // The server's clock started at 2025-03-31 10:00 and runs on.
    EXPECT_EQ(ds.fieldByName("DTHIAPATIVTA").asDateTime().datePart(), DateTime::date(2025, 3, 31));
    EXPECT_EQ(ds.fieldByName("DTHFAPATIVTA").asDateTime().datePart(), DateTime::date(2025, 3, 31));
    EXPECT_EQ(ds.changeCount(), 0);
    EXPECT_FALSE(framework::busyShowing());
}

TEST_F(SavingTest, NoSaveLeavesTheBusyAnimationUpWhateverFails) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 28));
    const auto saveDescription = [&](const char* text) {
        platform::ui::dispatch([&] {
            f.cdsAtividades.first();
            f.cdsAtividades.edit();
            f.cdsAtividades.fieldByName("TXAPRATIVTAR").setText(text);
            f.memDesc->setPlainText(QString::fromUtf8(text));
            f.cdsAtividades.post();
        });
    };
    for (const char* method :
         {"getApropria", "SetAtividades", "getAtividades", "getTotApro", "GetDatas", "getPonto"}) {
        SCOPED_TRACE(method);
        framework::NetScript::reset();
        framework::NetScript::failNextCalls(method, 1);
        // The overlap check and the year's marks drop their failures, to the log.
        std::optional<aprop_testing::ExpectedQtWarning> logged;
        if (std::string_view(method) == "getApropria")
            logged.emplace(QStringLiteral("a consulta de apropriações sobrepostas não terminou"));
        else if (std::string_view(method) == "GetDatas")
            logged.emplace(QStringLiteral("a atualização depois de gravar não terminou"));
        saveDescription(method);
        logged.reset();
        EXPECT_FALSE(framework::busyShowing());
        EXPECT_EQ(f.cdsAtividades.changeCount(), 0) << "nothing left to send twice";
        if (std::string_view(method) == "SetAtividades") {
            // Never reached the server: the row is back as typed, to be confirmed again.
            EXPECT_EQ(f.cdsAtividades.state(), platform::dataset::DataSetState::Edit);
            platform::ui::dispatch([&] { f.cdsAtividades.cancel(); });
        }
        EXPECT_EQ(f.cdsAtividades.state(), platform::dataset::DataSetState::Browse);
        dialogs.clear();
    }
}

}  // namespace
}  // namespace screen_testing

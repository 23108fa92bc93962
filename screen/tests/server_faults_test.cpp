// The screen across faults of a real application server: stopped and
// started again in the middle of an edit, and a session aged out while a row
// is typed. Nothing typed is lost; the session is renewed through the host's
// login question, answered here by the scripted dialog service.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "framework/busy.h"
#include "framework/button_flat.h"
#include "framework/corvix.h"
#include "framework/date_edit_plus.h"
#include "framework/net_connection.h"
#include "framework/reauthentication.h"
#include "framework/remote_call.h"
#include "host/session_renewal.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/ui/focus_manager.h"
#include "protocol/apropriacao.h"
#include "screen/cli_zep00700.h"
#include "screen_fixture.h"

using platform::dataset::DateTime;

namespace screen_testing {
namespace {

/// Each test stops, ages or restarts the server: each has one of its own.
class ServerFaultsTest : public ScreenTest {
protected:
    void SetUp() override {
        server = std::make_unique<ScreenServer>(serverArgs());
        ScreenTest::SetUp();
    }
    virtual QStringList serverArgs() const { return {}; }

    /// Keys as a user types them, each to the control that has the focus.
    static void type(const QString& keys) {
        for (const QChar c : keys) {
            QWidget* focused = QApplication::focusWidget();
            ASSERT_NE(focused, nullptr);
            QTest::keyClick(focused, c.toLatin1());
        }
    }
    static void tab() {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        QTest::keyClick(focused, Qt::Key_Tab);
    }

    /// A new row typed into the grid up to its end time, not yet posted.
    void typeNewRow(Screen& f, const char* start, const char* end) {
        f.focusManager().setFocusTo(f.dbgAtividades);
        ASSERT_TRUE(f.dbgAtividades->setSelectedIndex(0));
        f.sbtIncluir->click();
        type(QStringLiteral("1"));
        tab();
        type(QStringLiteral("1"));
        tab();
        type(QString::fromLatin1(start));
        tab();
        type(QString::fromLatin1(end));
        ASSERT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
        ASSERT_EQ(f.cdsAtividades.state(), platform::dataset::DataSetState::Insert);
    }

    /// The row as typed, field by field (the post's own fields aside).
    static std::vector<std::string> typedFields(const Screen& f) {
        std::vector<std::string> out;
        for (const char* name : {"NRTAREFA", "NRPLATIVTARE", "HORAINI", "HORAFIN"})
            out.push_back(f.cdsAtividades.fieldByName(name).text());
        return out;
    }

    /// The operator's rows of a day as the server holds them, read by a
    /// client of its own.
    std::vector<std::string> storedStarts(const DateTime& day) {
        const QString host = QStringLiteral("127.0.0.1");
        const framework::LoginAnswer login =
            framework::ServerLogin(host, server->port(), QStringLiteral("000000000101"),
                                   QStringLiteral("senha101"), QStringLiteral("0001"));
        const framework::LoginValues mine{framework::Operador(), framework::NomeOperador(),
                                          framework::FiliProc(), framework::WebURL(),
                                          framework::WebPort(),  framework::SessionToken()};
        framework::LoginValues theirs = mine;
        theirs.sessionToken = login.token;
        framework::SetLoginValues(theirs);
        framework::TNetConnection net;
        net.setHost(host);
        net.setPort(server->port());
        net.setServerName(QStringLiteral("Zep00700.rdmApropriacao"));
        const platform::dataset::DataPacket rows =
            net.AppServer().call(protocol::apropriacao::getAtividades,
                                 {QStringLiteral("000000000101"), QStringLiteral("0001"),
                                  framework::RemoteArg::date(day)});
        framework::SetLoginValues(mine);
        std::vector<std::string> starts;
        const auto start = static_cast<std::size_t>(rows.fieldIndex("HORAINI"));
        for (const auto& row : rows.rows) starts.push_back(row[start].asString());
        std::sort(starts.begin(), starts.end());
        return starts;
    }

    host::SessionRenewal renewal;
    framework::ScopedReauthenticationService renewing{renewal};
};

TEST_F(ServerFaultsTest, ARowTypedWhileTheServerRestartsIsSavedOnceItIsBack) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 28));
    ASSERT_EQ(f.cdsAtividades.recordCount(), 2);
    typeNewRow(f, "070000", "074500");
    const std::vector<std::string> typed{"0000000001", "00001", "07:00:00", "07:45:00"};

    server->stop();
    tab();  // into the duration: the row is posted
    EXPECT_EQ(errors(), QStringList{framework::ServerUnavailableText()});
    EXPECT_EQ(f.cdsAtividades.state(), platform::dataset::DataSetState::Insert);
    EXPECT_EQ(typedFields(f), typed);
    EXPECT_FALSE(framework::busyShowing());

    // Back, with its sessions or without them (then the password is asked
    // once, and the call it refused goes again).
    server->start();
    dialogs.clear();
    dialogs.queuePassword(QStringLiteral("senha101"));
    framework::NetScript::reset();
    f.sbtConfirmar->click();
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(f.cdsAtividades.state(), platform::dataset::DataSetState::Browse);
    EXPECT_EQ(f.cdsAtividades.recordCount(), 3);
    EXPECT_EQ(calls("SetAtividades"), 1);
    EXPECT_LE(dialogs.texts(platform::ui::ScriptedDialogService::Kind::Relogin).size(), 1u);
    EXPECT_FALSE(framework::busyShowing());
    EXPECT_EQ(storedStarts(DateTime::date(2025, 3, 28)),
              (std::vector<std::string>{"07:00:00", "08:00:00", "10:00:00"}))
        << "saved once, on its day";
}

/// A server whose sessions end after 4 seconds without a request.
class AgedSessionTest : public ServerFaultsTest {
protected:
    QStringList serverArgs() const override {
        return {QStringLiteral("--session-idle-hours"), QStringLiteral("0.001")};
    }
    static constexpr int kIdleMs = 4000;
};

TEST_F(AgedSessionTest, ARowTypedWhenTheSessionAgedOutIsKeptAndSavedAfterTheUserLogsInAgain) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 28));
    typeNewRow(f, "070000", "074500");
    pump(kIdleMs + 700);  // the user is away: the session ages out

    // Asked for the password, the user gives up: the row stays as typed.
    dialogs.clear();
    dialogs.queuePassword(std::nullopt);
    framework::NetScript::reset();
    tab();
    EXPECT_EQ(dialogs.texts(platform::ui::ScriptedDialogService::Kind::Relogin).size(), 1u);
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(errors()[0].contains(QStringLiteral("Sessão"))) << errors()[0].toStdString();
    EXPECT_EQ(f.cdsAtividades.state(), platform::dataset::DataSetState::Insert);
    EXPECT_EQ(typedFields(f),
              (std::vector<std::string>{"0000000001", "00001", "07:00:00", "07:45:00"}));
    EXPECT_EQ(calls("SetAtividades"), 0);
    EXPECT_FALSE(framework::busyShowing());

    // A wrong password is said and asked again; the right one goes on with
    // the call that was refused, and the row is saved once.
    dialogs.clear();
    dialogs.queuePassword(QStringLiteral("errada"));
    dialogs.queuePassword(QStringLiteral("senha101"));
    f.sbtConfirmar->click();
    EXPECT_EQ(dialogs.texts(platform::ui::ScriptedDialogService::Kind::Relogin).size(), 1u)
        << "one question, asked again after the refusal";
    EXPECT_EQ(errors().size(), 1) << "the wrong password's refusal, nothing else";
    EXPECT_EQ(dialogs.pendingAnswers(), 0u);
    EXPECT_EQ(f.cdsAtividades.state(), platform::dataset::DataSetState::Browse);
    EXPECT_EQ(f.cdsAtividades.recordCount(), 3);
    EXPECT_EQ(calls("SetAtividades"), 1);
    EXPECT_FALSE(framework::busyShowing());
    EXPECT_EQ(storedStarts(DateTime::date(2025, 3, 28)),
              (std::vector<std::string>{"07:00:00", "08:00:00", "10:00:00"}));
}

}  // namespace
}  // namespace screen_testing

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <sstream>

#include "fake_login_server.h"
#include "framework/corvix.h"
#include "framework/errors.h"
#include "host/host_run.h"
#include "host/login_dialog.h"
#include "host/login_settings.h"
#include "host/session_login.h"
#include "host/session_renewal.h"
#include "platform/ui/scripted_dialog_service.h"

using host::LoginRequest;

namespace {

struct LoginTest : ::testing::Test {
    LoginTest() { framework::SetLoginValues({}); }
    ~LoginTest() override { framework::SetLoginValues({}); }

    LoginRequest request(const char* password) const {
        return LoginRequest{
            QStringLiteral("127.0.0.1"), server.port(), QString::fromLatin1(FakeLoginServer::kUser),
            QString::fromLatin1(password), QString::fromLatin1(FakeLoginServer::kBranch)};
    }

    QStringList errors() const {
        return dialogs.texts(platform::ui::ScriptedDialogService::Kind::Error);
    }

    FakeLoginServer server;
    platform::ui::ScriptedDialogService dialogs;
    platform::ui::ScopedDialogService installed{dialogs};
};

QString refusal() {
    return QString::fromUtf8(FakeLoginServer::kRefusal);
}

}  // namespace

TEST_F(LoginTest, ASuccessfulLoginSetsTheLoginValues) {
    const framework::LoginValues values = host::logIn(request(FakeLoginServer::kPassword));
    EXPECT_EQ(framework::Operador(), QString::fromLatin1(FakeLoginServer::kUser));
    EXPECT_EQ(framework::NomeOperador(), QString::fromLatin1(FakeLoginServer::kName));
    EXPECT_EQ(framework::FiliProc(), QString::fromLatin1(FakeLoginServer::kBranch));
    EXPECT_EQ(framework::WebURL(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(framework::WebPort(), server.port());
    EXPECT_EQ(framework::SessionToken(), QStringLiteral("0123abcd"));
    EXPECT_EQ(values.sessionToken, framework::SessionToken());
}

TEST_F(LoginTest, ARefusedLoginCarriesTheServersMessageAndSetsNothing) {
    try {
        host::logIn(request("errada"));
        FAIL() << "refused login returned";
    } catch (const framework::ServerCallError& e) {
        EXPECT_EQ(e.message(), refusal());
    }
    EXPECT_TRUE(framework::Operador().isEmpty());
    EXPECT_TRUE(framework::SessionToken().isEmpty());
}

TEST_F(LoginTest, AnUnreachableServerIsNamedInTheMessage) {
    int closedPort = 0;
    {
        FakeLoginServer gone;
        closedPort = gone.port();
    }
    LoginRequest r = request(FakeLoginServer::kPassword);
    r.serverPort = closedPort;
    try {
        host::logIn(r);
        FAIL() << "login without a server returned";
    } catch (const framework::ServerCallError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("127.0.0.1:%1").arg(closedPort)))
            << e.what();
    }
}

TEST_F(LoginTest, AnIncompleteRequestIsRefusedBeforeAskingTheServer) {
    LoginRequest r = request("");
    EXPECT_EQ(host::missingLoginField(r), QStringLiteral("Informe a senha."));
    EXPECT_THROW(host::logIn(r), framework::Error);
    r = request(FakeLoginServer::kPassword);
    r.branch = QStringLiteral("  ");
    EXPECT_EQ(host::missingLoginField(r), QStringLiteral("Informe a filial."));
    EXPECT_EQ(server.loginCount(), 0);
}

TEST_F(LoginTest, TheDialogShowsTheRefusalAndLetsTheUserTryAgain) {
    host::LoginDialog dialog(request("errada"), [](const LoginRequest& r) { host::logIn(r); });
    dialog.show();
    auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("edtSenha"));
    auto* enter = dialog.findChild<QPushButton*>(QStringLiteral("btnEntrar"));
    ASSERT_NE(password, nullptr);
    ASSERT_NE(enter, nullptr);
    EXPECT_EQ(dialog.findChild<QSpinBox*>(QStringLiteral("edtPorta"))->value(), server.port());

    enter->click();
    EXPECT_EQ(errors(), QStringList{refusal()});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(framework::Operador().isEmpty());

    password->setText(QString::fromLatin1(FakeLoginServer::kPassword));
    enter->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(errors().size(), 1);
    EXPECT_EQ(framework::Operador(), QString::fromLatin1(FakeLoginServer::kUser));
    EXPECT_EQ(server.loginCount(), 2);
}

TEST_F(LoginTest, TheDialogAsksForAMissingFieldWithoutCallingTheServer) {
    LoginRequest prefill = request("");
    prefill.user.clear();
    bool attempted = false;
    host::LoginDialog dialog(prefill, [&](const LoginRequest&) { attempted = true; });
    dialog.show();
    dialog.tryLogIn();
    EXPECT_FALSE(attempted);
    EXPECT_EQ(errors(), QStringList{QStringLiteral("Informe o código do operador.")});
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(LoginTest, AScriptedRunWithAWrongPasswordExitsNonZeroWithTheMessage) {
    QTemporaryDir dir;
    const QStringList args{QStringLiteral("host"),
                           QStringLiteral("--server"),
                           QStringLiteral("127.0.0.1:%1").arg(server.port()),
                           QStringLiteral("--settings"),
                           dir.filePath(QStringLiteral("host.ini")),
                           QStringLiteral("--screenshot"),
                           dir.filePath(QStringLiteral("shot.png"))};
    QProcessEnvironment env;
    env.insert(QStringLiteral("APROP_USER"), QString::fromLatin1(FakeLoginServer::kUser));
    env.insert(QStringLiteral("APROP_PASSWORD"), QStringLiteral("errada"));
    env.insert(QStringLiteral("APROP_BRANCH"), QString::fromLatin1(FakeLoginServer::kBranch));
    std::ostringstream err;
    EXPECT_EQ(host::runHost(args, env, err), 1);
    EXPECT_NE(err.str().find(FakeLoginServer::kRefusal), std::string::npos) << err.str();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("shot.png"))));
    EXPECT_FALSE(QFileInfo::exists(
        dir.filePath(QStringLiteral("host.ini"))));  // scripted runs remember nothing
    EXPECT_EQ(server.loginCount(), 1);               // one attempt, no retry

    std::ostringstream usage;
    EXPECT_EQ(
        host::runHost({QStringLiteral("host"), QStringLiteral("--server"), QStringLiteral("x")},
                      env, usage),
        2);
    EXPECT_NE(usage.str().find("HOST:PORTA"), std::string::npos);
}

TEST_F(LoginTest, AnInteractiveLoginIsRememberedWithoutThePassword) {
    QTemporaryDir dir;
    host::HostOptions options;
    options.serverHost = QStringLiteral("127.0.0.1");
    options.serverPort = server.port();
    options.user = QString::fromLatin1(FakeLoginServer::kUser);
    options.branch = QString::fromLatin1(FakeLoginServer::kBranch);
    options.settingsFile = dir.filePath(QStringLiteral("host.ini"));
    host::HostSession session(options);

    // The user types the password into the dialog the session opens.
    bool typed = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<host::LoginDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        dialog->findChild<QLineEdit*>(QStringLiteral("edtSenha"))
            ->setText(QString::fromLatin1(FakeLoginServer::kPassword));
        dialog->findChild<QPushButton*>(QStringLiteral("btnEntrar"))->click();
        typed = true;
    });
    EXPECT_EQ(session.logIn(), std::nullopt);
    EXPECT_TRUE(typed);
    EXPECT_EQ(framework::Operador(), QString::fromLatin1(FakeLoginServer::kUser));

    const host::RememberedLogin remembered = host::readRememberedLogin(options.settingsFile);
    EXPECT_EQ(remembered.serverPort, server.port());
    EXPECT_EQ(remembered.user, QString::fromLatin1(FakeLoginServer::kUser));
    EXPECT_EQ(remembered.branch, QString::fromLatin1(FakeLoginServer::kBranch));
    QFile file(options.settingsFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains(FakeLoginServer::kPassword));
}

namespace {

/// The login values of a session the server has just ended.
void loggedInAsBefore(int port) {
    framework::SetLoginValues({QString::fromLatin1(FakeLoginServer::kUser),
                               QString::fromLatin1(FakeLoginServer::kName),
                               QString::fromLatin1(FakeLoginServer::kBranch),
                               QStringLiteral("127.0.0.1"), port, QStringLiteral("ended")});
}

}  // namespace

TEST_F(LoginTest, AnEndedSessionIsRenewedForTheSameUserAndBranchAskingOnlyThePassword) {
    loggedInAsBefore(server.port());
    dialogs.queuePassword(QStringLiteral("errada"));
    dialogs.queuePassword(QString::fromLatin1(FakeLoginServer::kPassword));
    host::SessionRenewal renewal;
    EXPECT_TRUE(renewal.reauthenticate(QStringLiteral("Sessão inválida ou expirada.")));

    const QStringList asked = dialogs.texts(platform::ui::ScriptedDialogService::Kind::Relogin);
    ASSERT_EQ(asked.size(), 1) << "one question, asked again after the refusal";
    EXPECT_TRUE(asked[0].startsWith(QStringLiteral("Sessão inválida ou expirada.\n")));
    EXPECT_TRUE(asked[0].contains(QString::fromLatin1(FakeLoginServer::kName)));
    EXPECT_EQ(errors(), QStringList{refusal()});
    EXPECT_EQ(server.loginCount(), 2);
    EXPECT_EQ(framework::SessionToken(), QStringLiteral("0123abcd")) << "the new session's";
    EXPECT_EQ(framework::Operador(), QString::fromLatin1(FakeLoginServer::kUser));
    EXPECT_EQ(framework::FiliProc(), QString::fromLatin1(FakeLoginServer::kBranch));
    EXPECT_EQ(framework::WebPort(), server.port());
}

TEST_F(LoginTest, AnEndedSessionGivenUpStaysEnded) {
    loggedInAsBefore(server.port());
    dialogs.queuePassword(std::nullopt);
    host::SessionRenewal renewal;
    EXPECT_FALSE(renewal.reauthenticate(QStringLiteral("Sessão inválida ou expirada.")));
    EXPECT_EQ(server.loginCount(), 0);
    EXPECT_EQ(framework::SessionToken(), QStringLiteral("ended"));
}

TEST_F(LoginTest, TheReloginDialogShowsWhoAndWhereAndTakesOnlyThePassword) {
    int attempts = 0;
    const auto dialog = host::LoginDialog::forRelogin(
        request(FakeLoginServer::kPassword), QStringLiteral("Sessão inválida ou expirada."),
        [&](const LoginRequest& r) {
            ++attempts;
            host::logIn(r);
        });
    dialog->show();
    for (const char* shown : {"edtServidor", "edtOperador", "edtFilial"}) {
        auto* field = dialog->findChild<QLineEdit*>(QString::fromLatin1(shown));
        ASSERT_NE(field, nullptr) << shown;
        EXPECT_TRUE(field->isReadOnly()) << shown;
    }
    EXPECT_EQ(dialog->findChild<QLineEdit*>(QStringLiteral("edtOperador"))->text(),
              QString::fromLatin1(FakeLoginServer::kUser));
    auto* password = dialog->findChild<QLineEdit*>(QStringLiteral("edtSenha"));
    EXPECT_TRUE(password->text().isEmpty()) << "the password is asked, never kept";
    EXPECT_FALSE(password->isReadOnly());
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("lblMotivo"))->text(),
              QStringLiteral("Sessão inválida ou expirada."));

    password->setText(QString::fromLatin1(FakeLoginServer::kPassword));
    dialog->tryLogIn();
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

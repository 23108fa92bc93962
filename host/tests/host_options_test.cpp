#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "host/host_options.h"
#include "host/login_settings.h"

using host::HostOptions;
using host::parseHostOptions;
using host::UsageError;

namespace {

/// A settings file in a folder of its own; the executable's folder is the
/// same temporary folder.
struct HostOptionsTest : ::testing::Test {
    QTemporaryDir dir;
    QString settings = dir.filePath(QStringLiteral("host.ini"));
    QProcessEnvironment env;  // empty unless a test fills it

    HostOptions parse(QStringList args) {
        args.prepend(QStringLiteral("host"));
        args << QStringLiteral("--settings") << settings;
        return parseHostOptions(args, env, dir.path());
    }
    void remember(const QString& hostName, int port, const QString& user, const QString& branch) {
        host::writeRememberedLogin(settings, {hostName, port, user, branch});
    }
};

}  // namespace

TEST_F(HostOptionsTest, WithNothingGivenTheDefaultServerAndAnInteractiveLogin) {
    const HostOptions o = parse({});
    EXPECT_EQ(o.serverHost, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(o.serverPort, HostOptions::kDefaultPort);
    EXPECT_TRUE(o.user.isEmpty());
    EXPECT_FALSE(o.scripted);
    EXPECT_TRUE(o.screenshotFile.isEmpty());
    EXPECT_EQ(o.settingsFile, settings);
    EXPECT_EQ(o.modulesDir, QDir::cleanPath(dir.path()));  // no ../lib/aprop: beside the executable
}

TEST_F(HostOptionsTest, TheInstalledModuleFolderIsPreferredWhenItExists) {
    QDir root(dir.path());
    ASSERT_TRUE(root.mkpath(QStringLiteral("bin")));
    ASSERT_TRUE(root.mkpath(QStringLiteral("lib/aprop")));
    EXPECT_EQ(host::defaultModulesDir(root.filePath(QStringLiteral("bin"))),
              QDir::cleanPath(root.filePath(QStringLiteral("lib/aprop"))));
    EXPECT_EQ(parse({QStringLiteral("--modules"), QStringLiteral("/opt/mods")}).modulesDir,
              QStringLiteral("/opt/mods"));
}

TEST_F(HostOptionsTest, SettingsPrefillButNeverScriptAndNeverHoldAPassword) {
    remember(QStringLiteral("srv.local"), 9000, QStringLiteral("000000000007"),
             QStringLiteral("0002"));
    const HostOptions o = parse({});
    EXPECT_EQ(o.serverHost, QStringLiteral("srv.local"));
    EXPECT_EQ(o.serverPort, 9000);
    EXPECT_EQ(o.user, QStringLiteral("000000000007"));
    EXPECT_EQ(o.branch, QStringLiteral("0002"));
    EXPECT_TRUE(o.password.isEmpty());
    EXPECT_FALSE(o.scripted);
}

TEST_F(HostOptionsTest, OptionsWinOverEnvironmentWhichWinsOverSettings) {
    remember(QStringLiteral("srv.local"), 9000, QStringLiteral("000000000007"),
             QStringLiteral("0002"));
    env.insert(QStringLiteral("APROP_SERVER"), QStringLiteral("env.host:7000"));
    env.insert(QStringLiteral("APROP_USER"), QStringLiteral("000000000008"));
    env.insert(QStringLiteral("APROP_BRANCH"), QStringLiteral("0003"));

    HostOptions o = parse({});
    EXPECT_EQ(o.serverHost, QStringLiteral("env.host"));
    EXPECT_EQ(o.serverPort, 7000);
    EXPECT_EQ(o.user, QStringLiteral("000000000008"));
    EXPECT_EQ(o.branch, QStringLiteral("0003"));
    EXPECT_FALSE(o.scripted);  // no password given: ask

    o = parse({QStringLiteral("--server"), QStringLiteral("opt.host:6000"),
               QStringLiteral("--user"), QStringLiteral("000000000009"), QStringLiteral("--branch"),
               QStringLiteral("0004")});
    EXPECT_EQ(o.serverHost, QStringLiteral("opt.host"));
    EXPECT_EQ(o.serverPort, 6000);
    EXPECT_EQ(o.user, QStringLiteral("000000000009"));
    EXPECT_EQ(o.branch, QStringLiteral("0004"));
}

TEST_F(HostOptionsTest, UserAndPasswordFromOptionsOrEnvironmentMakeAScriptedLogin) {
    env.insert(QStringLiteral("APROP_PASSWORD"), QStringLiteral("s3nha"));
    HostOptions o = parse({QStringLiteral("--user"), QStringLiteral("000000000101")});
    EXPECT_TRUE(o.scripted);
    EXPECT_EQ(o.password, QStringLiteral("s3nha"));

    env.insert(QStringLiteral("APROP_USER"), QStringLiteral("000000000101"));
    o = parse({QStringLiteral("--password"), QStringLiteral("outra")});
    EXPECT_TRUE(o.scripted);
    EXPECT_EQ(o.password, QStringLiteral("outra"));
}

TEST_F(HostOptionsTest, BadValuesAreRefusedWithAMessage) {
    for (const char* server : {"semporta", "host:", ":8211", "host:0", "host:70000", "host:abc"}) {
        EXPECT_THROW(parse({QStringLiteral("--server"), QString::fromLatin1(server)}), UsageError)
            << server;
    }
    env.insert(QStringLiteral("APROP_SERVER"), QStringLiteral("semporta"));
    EXPECT_THROW(parse({}), UsageError);
    env.clear();
    EXPECT_THROW(parse({QStringLiteral("--desconhecida")}), UsageError);
    EXPECT_THROW(parse({QStringLiteral("sobrando")}), UsageError);
    // A screenshot run cannot ask for a password.
    EXPECT_THROW(parse({QStringLiteral("--screenshot"), QStringLiteral("/tmp/x.png")}), UsageError);
    EXPECT_THROW(parse({QStringLiteral("--help")}), host::HelpRequested);
    EXPECT_EQ(host::parseServerAddress(QStringLiteral("::1:8211")),
              std::make_pair(QStringLiteral("::1"), 8211));
}

TEST(LoginSettings, RemembersTheLastLoginWithoutThePassword) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sub/host.ini"));
    EXPECT_EQ(host::readRememberedLogin(file).serverPort, 0);  // nothing yet
    host::writeRememberedLogin(file, {QStringLiteral("srv"), 8211, QStringLiteral("000000000101"),
                                      QStringLiteral("0001")});
    const host::RememberedLogin back = host::readRememberedLogin(file);
    EXPECT_EQ(back.serverHost, QStringLiteral("srv"));
    EXPECT_EQ(back.serverPort, 8211);
    EXPECT_EQ(back.user, QStringLiteral("000000000101"));
    EXPECT_EQ(back.branch, QStringLiteral("0001"));
}

#include <gtest/gtest.h>

#include <QProcessEnvironment>
#include <QStringList>

#include "host/host_options.h"

namespace {

host::HostOptions parse(QStringList args) {
    args.prepend(QStringLiteral("host"));
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/nonexistent"));
    return host::parseHostOptions(args, environment, QStringLiteral("/nonexistent/bin"));
}

TEST(ScriptOption, TakesTheScenarioFileWithAScriptedLogin) {
    const host::HostOptions o = parse({QStringLiteral("--user"), QStringLiteral("000000000101"),
                                       QStringLiteral("--password"), QStringLiteral("x"),
                                       QStringLiteral("--script"), QStringLiteral("s.txt")});
    EXPECT_EQ(o.scriptFile, QStringLiteral("s.txt"));
    EXPECT_TRUE(o.scripted);
    EXPECT_TRUE(o.screenshotFile.isEmpty());
}

TEST(ScriptOption, RefusesARunThatWouldWaitForALoginOrDoTwoThings) {
    EXPECT_THROW(parse({QStringLiteral("--script"), QStringLiteral("s.txt")}), host::UsageError);
    EXPECT_THROW(parse({QStringLiteral("--user"), QStringLiteral("u"), QStringLiteral("--password"),
                        QStringLiteral("x"), QStringLiteral("--script"), QStringLiteral("")}),
                 host::UsageError);
    EXPECT_THROW(parse({QStringLiteral("--user"), QStringLiteral("u"), QStringLiteral("--password"),
                        QStringLiteral("x"), QStringLiteral("--script"), QStringLiteral("s.txt"),
                        QStringLiteral("--screenshot"), QStringLiteral("a.png")}),
                 host::UsageError);
}

}  // namespace

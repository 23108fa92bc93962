#include <gtest/gtest.h>

#include <QObject>

#include <stdexcept>

#include "platform/dataset/errors.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/scripted_dialog_service.h"
#include "qt_warnings.h"

using platform::ui::dispatch;
using Kind = platform::ui::ScriptedDialogService::Kind;

TEST(Dispatch, ShowsTheMessageOfAnErrorAndSwallowsASilentAbort) {
    platform::ui::ScriptedDialogService script;
    platform::ui::ScopedDialogService installed(script);

    EXPECT_TRUE(dispatch([] {}));
    EXPECT_FALSE(dispatch([] { throw platform::dataset::Abort(); }));
    EXPECT_TRUE(script.shown().empty());

    EXPECT_FALSE(dispatch([] { throw std::runtime_error("Tarefa não cadastrada."); }));
    EXPECT_FALSE(
        dispatch([] { throw platform::dataset::Error("Campo HORAINI: texto longo demais"); }));
    EXPECT_FALSE(dispatch([] { throw 42; }));
    EXPECT_EQ(script.texts(Kind::Error),
              (QStringList{QStringLiteral("Tarefa não cadastrada."),
                           QStringLiteral("Campo HORAINI: texto longo demais"),
                           QStringLiteral("Erro desconhecido.")}));
}

TEST(Dispatch, NothingEscapesEvenWhenTheErrorCannotBeShown) {
    ASSERT_FALSE(platform::ui::hasDialogService());
    bool ran = false;
    {
        // With no dialog service, the log is the only place left for the error.
        const aprop_testing::ExpectedQtWarning logged(QStringLiteral(
            "Error not shown (No dialog service is installed): no one to show it to"));
        EXPECT_FALSE(dispatch([&] {
            ran = true;
            throw std::runtime_error("no one to show it to");
        }));
    }
    EXPECT_TRUE(ran);

    // A handler whose own question has no scripted answer: the failure is
    // reported as an error, not thrown into the caller.
    platform::ui::ScriptedDialogService script;
    platform::ui::ScopedDialogService installed(script);
    EXPECT_FALSE(dispatch([] { platform::ui::dialogs().confirm(QStringLiteral("Confirma?")); }));
    ASSERT_EQ(script.texts(Kind::Error).size(), 1);
    EXPECT_TRUE(script.texts(Kind::Error)[0].contains(QStringLiteral("Confirma?")));
}

TEST(Dispatch, GuardedHandlersOfQtSignalsReportTheirErrors) {
    platform::ui::ScriptedDialogService script;
    platform::ui::ScopedDialogService installed(script);
    QObject sender;
    QString seen;
    QObject::connect(&sender, &QObject::objectNameChanged,
                     platform::ui::guarded([&](const QString& name) {
                         seen = name;
                         throw std::runtime_error("Operador deve ser informado.");
                     }));
    sender.setObjectName(QStringLiteral("medCdOper"));  // the exception does not reach Qt
    EXPECT_EQ(seen, QStringLiteral("medCdOper"));
    EXPECT_EQ(script.texts(Kind::Error),
              QStringList{QStringLiteral("Operador deve ser informado.")});
}

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "platform/ui/qt_dialog_service.h"
#include "platform/ui/scripted_dialog_service.h"

using platform::ui::ScriptedDialogService;
using Kind = platform::ui::ScriptedDialogService::Kind;

namespace {

platform::ui::PickList threeRows() {
    return {QStringLiteral("Tarefa"),
            {QStringLiteral("Tarefa"), QStringLiteral("Descrição")},
            {{QStringLiteral("1"), QStringLiteral("um")},
             {QStringLiteral("2"), QStringLiteral("dois")},
             {QStringLiteral("3"), QStringLiteral("três")}}};
}

}  // namespace

TEST(ScriptedDialogService, AnswersQuestionsInOrderAndRecordsEveryMessage) {
    ScriptedDialogService script;
    script.queueConfirmation(true);
    script.queuePick(2);
    script.queueConfirmation(false);

    script.error(QStringLiteral("Tarefa não cadastrada."));
    EXPECT_TRUE(script.confirm(QStringLiteral("Confirma exclusão?")));
    EXPECT_EQ(script.pick(threeRows()), 2);
    script.information(QStringLiteral("Pronto."));
    EXPECT_FALSE(script.confirm(QStringLiteral("De novo?")));

    ASSERT_EQ(script.shown().size(), 5u);
    EXPECT_EQ(script.shown()[0].kind, Kind::Error);
    EXPECT_EQ(script.shown()[2].kind, Kind::Pick);
    EXPECT_EQ(script.shown()[2].text, QStringLiteral("Tarefa"));
    EXPECT_EQ(script.texts(Kind::Confirmation),
              (QStringList{QStringLiteral("Confirma exclusão?"), QStringLiteral("De novo?")}));
    EXPECT_EQ(script.pendingAnswers(), 0u);
}

TEST(ScriptedDialogService, AnUnansweredOrMismatchedQuestionFailsInsteadOfWaiting) {
    ScriptedDialogService script;
    EXPECT_THROW(script.confirm(QStringLiteral("Sem resposta?")), platform::ui::UnexpectedDialog);
    EXPECT_EQ(script.texts(Kind::Confirmation),
              QStringList{QStringLiteral("Sem resposta?")});  // still recorded

    script.queuePick(std::nullopt);
    EXPECT_THROW(script.confirm(QStringLiteral("Pergunta")), platform::ui::UnexpectedDialog);
    EXPECT_EQ(script.pendingAnswers(), 1u);  // the pick answer stays for the pick list
    EXPECT_EQ(script.pick(threeRows()), std::nullopt);

    script.queuePick(3);  // the list has rows 0..2
    EXPECT_THROW(script.pick(threeRows()), platform::ui::UnexpectedDialog);
}

TEST(DialogServiceRegistry, ScopedInstallationRestoresThePreviousService) {
    ASSERT_FALSE(platform::ui::hasDialogService());
    EXPECT_THROW(platform::ui::dialogs(), std::logic_error);
    ScriptedDialogService outer;
    {
        platform::ui::ScopedDialogService a(outer);
        ScriptedDialogService inner;
        {
            platform::ui::ScopedDialogService b(inner);
            EXPECT_EQ(&platform::ui::dialogs(), &inner);
        }
        EXPECT_EQ(&platform::ui::dialogs(), &outer);
    }
    EXPECT_FALSE(platform::ui::hasDialogService());
}

TEST(QtDialogService, PickListReturnsTheRowTheUserChose) {
    platform::ui::QtDialogService service;
    QTimer::singleShot(0, [] {
        auto* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* table = dialog->findChild<QTableWidget*>();
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->rowCount(), 3);
        EXPECT_EQ(table->item(1, 1)->text(), QStringLiteral("dois"));
        table->selectRow(1);
        emit table->cellDoubleClicked(1, 0);
    });
    EXPECT_EQ(service.pick(threeRows()), 1);

    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    EXPECT_EQ(service.pick(threeRows()), std::nullopt);
}

TEST(QtDialogService, ConfirmationIsYesOnlyWhenYesIsPressed) {
    platform::ui::QtDialogService service;
    const auto press = [](QMessageBox::StandardButton which) {
        QTimer::singleShot(0, [which] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->text(), QStringLiteral("Confirma exclusão?"));
            box->button(which)->click();
        });
    };
    press(QMessageBox::Yes);
    EXPECT_TRUE(service.confirm(QStringLiteral("Confirma exclusão?")));
    press(QMessageBox::No);
    EXPECT_FALSE(service.confirm(QStringLiteral("Confirma exclusão?")));
}

// The built summary module as the host loads it: its package record and
// exports, and the screen opened from the host's menu entry through IniProc.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>

#include <string>

#include "framework/application.h"
#include "framework/busy.h"
#include "framework/date_edit_plus.h"
#include "framework/padrao_simples.h"
#include "framework/screen_service.h"
#include "host/main_window.h"
#include "host/screen_launcher.h"
#include "platform/dataset/data_set.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/module/module_registry.h"
#include "platform/module/package_info.h"
#include "platform/ui/scripted_dialog_service.h"
#include "screen_server.h"

namespace {

void settle() {
    QElapsedTimer waited;
    waited.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    } while (waited.elapsed() < 200 || (framework::busyShowing() && waited.elapsed() < 10000));
}

TEST(SummaryPackage, CarriesItsOwnRecordAndExportsItsEntryRoutine) {
    platform::module::ModuleRegistry registry{APROP_MODULE_DIR};
    for (const QString& package : host::ScreenLauncher::providedPackages())
        registry.providePackage(package.toStdString());
    platform::module::Module& module = registry.load("Pkg_Zep00710");
    EXPECT_EQ(module.metadata().name, "Pkg_Zep00710");
    EXPECT_EQ(module.metadata().requiredPackages.size(), 8u);
    const AprPackageInfoTable* info =
        module.function<const AprPackageInfoTable*()>("GetPackageInfoTable")();
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(info->name, "Pkg_Zep00710");
    ASSERT_EQ(info->unitCount, 2);
    EXPECT_STREQ(info->units[1], "Cli_Zep00710");
    EXPECT_STREQ(info->version->originalFilename, "libPkg_Zep00710.so");
    for (const char* name : {"IniProc", "Initialize", "Finalize", "GetPackageInfoTable"})
        EXPECT_NE(module.symbol(name), nullptr) << name;
    EXPECT_NE(module.symbol("_ZN12Cli_Zep0071020frmResumoApropriacaoE"), nullptr);
    EXPECT_NE(module.symbol("_ZN12Cli_Zep0071010boIdCriadoE"), nullptr);
}

TEST(SummaryPackage, TheHostsMenuEntryOpensTheSummaryBesideTheDayScreen) {
    screen_testing::ScreenServer server(QStringLiteral(APROP_SUMMARY_SEED));
    server.logIn(QStringLiteral("000000000103"), QStringLiteral("senha103"));
    platform::ui::ScriptedDialogService dialogs;
    platform::ui::ScopedDialogService installed{dialogs};
    {
        host::ScreenLauncher launcher(APROP_MODULE_DIR);
        host::MainWindow window([&launcher] { launcher.openApropriacao(); });
        window.addScreenEntry(QStringLiteral("mnuResumo"), QStringLiteral("Resumo da Apropriação"),
                              [&launcher] { launcher.openResumo(); });
        window.show();

        QAction* entry = window.screenEntry(QStringLiteral("mnuResumo"));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->text(), QStringLiteral("Resumo da Apropriação"));
        // Beside the day screen's entry, before "Sair".
        const QList<QAction*> entries =
            window.findChild<QMenu*>(QStringLiteral("mnuModulos"))->actions();
        ASSERT_GE(entries.size(), 3);
        EXPECT_EQ(entries.at(0)->objectName(), QStringLiteral("mnuApropriacao"));
        EXPECT_EQ(entries.at(1)->objectName(), QStringLiteral("mnuResumo"));
        EXPECT_TRUE(entries.at(2)->isSeparator());

        entry->trigger();
        settle();
        EXPECT_TRUE(dialogs.shown().empty());
        ASSERT_EQ(window.mdiArea()->subWindowList().size(), 1);
        QMdiSubWindow* child = window.mdiArea()->subWindowList().constFirst();
        EXPECT_EQ(child->widget()->objectName(), QStringLiteral("frmResumoApropriacao"));
        EXPECT_EQ(child->widget()->windowTitle(), QStringLiteral("Resumo da Apropriação"));

        // Again while it is open: the same screen, back to its normal state.
        child->showMinimized();
        entry->trigger();
        settle();
        EXPECT_EQ(window.mdiArea()->subWindowList().size(), 1);
        EXPECT_FALSE(child->isMinimized());

        // The day screen opens beside it, from its own module.
        window.apropriacaoAction()->trigger();
        settle();
        EXPECT_EQ(window.mdiArea()->subWindowList().size(), 2);

        framework::Application().DestroyForms();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(framework::Application().Forms().empty());
}

TEST(SummaryPackage, EnterOnADayCellLandsTheDayScreenOnThatOperatorAndDay) {
    screen_testing::ScreenServer server(QStringLiteral(APROP_SUMMARY_SEED));
    server.logIn(QStringLiteral("000000000103"), QStringLiteral("senha103"));
    platform::ui::ScriptedDialogService dialogs;
    platform::ui::ScopedDialogService installed{dialogs};
    {
        host::ScreenLauncher launcher(APROP_MODULE_DIR);
        framework::SetScreenOpener(
            [&launcher](const QString& package, const framework::ScreenParams& params) {
                launcher.open(package, params);
            });
        host::MainWindow window([&launcher] { launcher.openApropriacao(); });
        window.show();
        launcher.openResumo();
        settle();

        auto* resumo = qobject_cast<framework::TfrmPadraoSimples*>(
            window.findChild<QWidget*>(QStringLiteral("frmResumoApropriacao")));
        ASSERT_NE(resumo, nullptr);
        auto* grid = resumo->findChild<platform::dbcontrols::DBGrid*>(QStringLiteral("dbgResumo"));
        ASSERT_NE(grid, nullptr);
        grid->setFocus();
        resumo->findDataSet(QStringLiteral("cdsResumo"))->moveToDisplayRow(0);  // Ana
        grid->setSelectedIndex(grid->columnIndex(QStringLiteral("D04")));
        QTest::keyClick(grid, Qt::Key_Return);
        settle();
        EXPECT_TRUE(dialogs.shown().empty())
            << dialogs.texts(platform::ui::ScriptedDialogService::Kind::Error)
                   .join(QLatin1Char('\n'))
                   .toStdString();

        ASSERT_EQ(window.mdiArea()->subWindowList().size(), 2);
        QMdiSubWindow* active = window.mdiArea()->activeSubWindow();
        ASSERT_NE(active, nullptr);
        auto* dia = qobject_cast<framework::TfrmPadraoSimples*>(active->widget());
        ASSERT_NE(dia, nullptr);
        EXPECT_EQ(dia->objectName(), QStringLiteral("frmApropriacao"));
        EXPECT_EQ(dia->findChild<QLineEdit*>(QStringLiteral("medCdOper"))->text(),
                  QStringLiteral("000000000101"));
        EXPECT_EQ(dia->findChild<QLineEdit*>(QStringLiteral("edtNmOper"))->text(),
                  QStringLiteral("Ana Souza"));
        EXPECT_EQ(dia->findChild<framework::TDateEditPlus*>(QStringLiteral("depAgenda"))->GetDate(),
                  platform::dataset::DateTime::date(2025, 3, 4));
        // The day's row, its total and its two punches.
        EXPECT_EQ(dia->findDataSet(QStringLiteral("cdsAtividades"))->recordCount(), 1);
        EXPECT_EQ(dia->findDataSet(QStringLiteral("cdsTotApro"))->fieldByName("QTHRAPRO").text(),
                  "04:00:00");
        EXPECT_EQ(dia->findDataSet(QStringLiteral("cdsPonto"))->recordCount(), 2);

        framework::SetScreenOpener({});
        framework::Application().DestroyForms();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

}  // namespace

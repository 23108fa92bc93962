// The built module as the host loads it: metadata, package record, exports,
// and the screen opened through IniProc.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <cstring>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/busy.h"
#include "platform/module/module_registry.h"
#include "platform/module/package_info.h"
#include "platform/ui/scripted_dialog_service.h"
#include "screen_server.h"

namespace {

const std::vector<std::string> kPackages = {"runtime",      "widgets",     "data",
                                            "datacontrols", "remotedata",  "framework",
                                            "components",   "dbcomponents"};

struct PackageTest : ::testing::Test {
    PackageTest() {
        for (const std::string& p : kPackages) registry.providePackage(p);
    }
    platform::module::ModuleRegistry registry{APROP_MODULE_DIR};
};

TEST_F(PackageTest, MetadataNamesTheEightRequiredPackages) {
    platform::module::Module& module = registry.load("Pkg_Zep00700");
    EXPECT_EQ(module.metadata().name, "Pkg_Zep00700");
    EXPECT_FALSE(module.metadata().version.empty());
    EXPECT_EQ(module.metadata().requiredPackages, kPackages);
}

TEST_F(PackageTest, PackageInfoTableCarriesPackagesUnitsAndAPortugueseVersionBlock) {
    platform::module::Module& module = registry.load("Pkg_Zep00700");
    auto* get = module.function<const AprPackageInfoTable*()>("GetPackageInfoTable");
    const AprPackageInfoTable* info = get();
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(info->name, "Pkg_Zep00700");
    EXPECT_TRUE(info->runOnly);
    ASSERT_EQ(info->requiredCount, 8);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(info->requiredPackages[i], kPackages[i]);
    ASSERT_EQ(info->unitCount, 2);
    EXPECT_STREQ(info->units[1], "Cli_Zep00700");
    ASSERT_NE(info->version, nullptr);
    EXPECT_STREQ(info->version->language, "pt-BR");
    EXPECT_EQ(info->version->languageId, 0x0416);
    EXPECT_STREQ(info->version->fileVersion, module.metadata().version.c_str());
}

TEST_F(PackageTest, TheEntryRoutineAndTheUnitVariablesAreExported) {
    platform::module::Module& module = registry.load("Pkg_Zep00700");
    for (const char* name : {"IniProc", "Initialize", "Finalize", "GetPackageInfoTable"})
        EXPECT_NE(module.symbol(name), nullptr) << name;
    // Unit-qualified names of Cli_Zep00700.
    EXPECT_NE(module.symbol("_ZN12Cli_Zep0070014frmApropriacaoE"), nullptr);
    EXPECT_NE(module.symbol("_ZN12Cli_Zep0070010boIdCriadoE"), nullptr);
    EXPECT_NE(module.symbol("_ZN12Cli_Zep0070014boSimplificadaE"), nullptr);
    EXPECT_NE(module.symbol("_ZN12Cli_Zep007009boPrimVezE"), nullptr);
    EXPECT_NE(module.symbol("_ZN12Cli_Zep007009stSitAtivE"), nullptr);
    EXPECT_NE(module.symbol("_ZN12Cli_Zep0070010boFiltradoE"), nullptr);
    EXPECT_NE(module.symbol("_ZN12Cli_Zep0070015CriaApropriacaoEv"), nullptr);
    // After loading: no screen, boIdCriado false, boPrimVez true.
    EXPECT_FALSE(*static_cast<bool*>(module.symbol("_ZN12Cli_Zep0070010boIdCriadoE")));
    EXPECT_TRUE(*static_cast<bool*>(module.symbol("_ZN12Cli_Zep007009boPrimVezE")));
    EXPECT_EQ(*static_cast<void**>(module.symbol("_ZN12Cli_Zep0070014frmApropriacaoE")), nullptr);
}

TEST_F(PackageTest, IniProcOpensTheScreenInTheMainWindow) {
    screen_testing::ScreenServer server;
    server.logIn(QStringLiteral("000000000101"), QStringLiteral("senha101"));
    platform::ui::ScriptedDialogService dialogs;
    platform::ui::ScopedDialogService installed{dialogs};
    QMainWindow window;
    auto* area = new QMdiArea;
    window.setCentralWidget(area);
    window.show();
    framework::Application().SetMainForm(&window, area);

    platform::module::Module& module = registry.load("Pkg_Zep00700");
    module.function<void()>("IniProc")();
    QElapsedTimer waited;
    waited.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    } while (waited.elapsed() < 200 || (framework::busyShowing() && waited.elapsed() < 10000));

    ASSERT_EQ(area->subWindowList().size(), 1);
    EXPECT_EQ(area->subWindowList().constFirst()->widget()->objectName(),
              QStringLiteral("frmApropriacao"));
    EXPECT_TRUE(*static_cast<bool*>(module.symbol("_ZN12Cli_Zep0070010boIdCriadoE")));
    EXPECT_TRUE(dialogs.shown().empty());

    // The host destroys the forms before the module goes.
    framework::Application().DestroyForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    framework::Application().SetMainForm(nullptr, nullptr);
    registry.unload("Pkg_Zep00700");
}

}  // namespace

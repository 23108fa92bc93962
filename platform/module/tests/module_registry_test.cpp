#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/module/module_registry.h"

using platform::module::Module;
using platform::module::ModuleError;
using platform::module::ModuleRegistry;
using platform::module::ModuleState;

namespace {

namespace fs = std::filesystem;

/// A module folder of its own for each test, holding copies of the fixture
/// modules it names, and the log the fixtures write to.
struct ModuleFolder : ::testing::Test {
    ModuleFolder() {
        std::string pattern = (fs::temp_directory_path() / "aprop-modules-XXXXXX").string();
        folder = mkdtemp(pattern.data());
        logFile = folder / "fixture.log";
        setenv("APROP_FIXTURE_LOG", logFile.c_str(), 1);
    }
    ~ModuleFolder() override {
        unsetenv("APROP_FIXTURE_LOG");
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    void install(const std::string& fixture) {
        const std::string file = "libfixture_" + fixture + ".so";
        fs::copy_file(fs::path(APROP_FIXTURE_DIR) / file, folder / file);
    }

    std::vector<std::string> logLines() const {
        std::ifstream in(logFile);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    fs::path folder;
    fs::path logFile;
};

using Lines = std::vector<std::string>;

}  // namespace

TEST_F(ModuleFolder, LoadsInitializesCallsExportsFinalizesAndUnloads) {
    install("good");
    ModuleRegistry registry(folder);
    registry.providePackage("rtl");
    registry.providePackage(
        "framework");  // required as "Framework": names match without regard to case

    Module& m = registry.load("fixture_good");
    EXPECT_EQ(m.state(), ModuleState::Initialized);
    EXPECT_FALSE(m.failed());
    EXPECT_EQ(m.metadata().name, "fixture_good");
    EXPECT_EQ(m.metadata().version, "1.2.0");
    EXPECT_EQ(m.metadata().requiredPackages, (Lines{"rtl", "Framework"}));
    EXPECT_EQ(m.function<int()>("Answer")(), 42);
    EXPECT_EQ(m.symbol("NotThere"), nullptr);
    EXPECT_THROW(m.function<void()>("NotThere"), ModuleError);
    EXPECT_TRUE(registry.hasPackage("FIXTURE_GOOD"));

    EXPECT_EQ(&registry.load("fixture_good"), &m);  // once only
    EXPECT_EQ(logLines(), (Lines{"good: initialize"}));

    registry.unload("fixture_good");
    EXPECT_EQ(m.state(), ModuleState::Unloaded);
    EXPECT_FALSE(registry.hasPackage("fixture_good"));
    EXPECT_THROW(m.symbol("Answer"), ModuleError);
    EXPECT_EQ(logLines(), (Lines{"good: initialize", "good: finalize"}));
}

TEST_F(ModuleFolder, MetadataIsReadWithoutRunningTheModule) {
    install("missing_package");
    const auto meta =
        platform::module::readModuleMetadata(folder / "libfixture_missing_package.so");
    EXPECT_EQ(meta.name, "fixture_missing_package");
    EXPECT_EQ(meta.requiredPackages, (Lines{"rtl", "Pkg_Inexistente"}));
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ModuleFolder, AMissingRequiredPackageStopsTheModuleBeforeItsCodeRuns) {
    install("missing_package");
    ModuleRegistry registry(folder);
    registry.providePackage("rtl");
    try {
        registry.load("fixture_missing_package");
        FAIL() << "loaded a module whose package is missing";
    } catch (const ModuleError& e) {
        EXPECT_NE(std::string(e.what()).find("'Pkg_Inexistente'"), std::string::npos) << e.what();
    }
    const Module* m = registry.find("fixture_missing_package");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->state(), ModuleState::Found);
    EXPECT_TRUE(m->failed());
    EXPECT_NE(m->error().find("Pkg_Inexistente"), std::string::npos);
    EXPECT_TRUE(logLines().empty());  // not even its static constructors ran
}

TEST_F(ModuleFolder, BrokenModulesReportTheStepThatFailed) {
    install("no_initialize");
    install("throwing");
    install("no_metadata");
    std::ofstream(folder / "libnot_elf.so") << "not a module";
    ModuleRegistry registry(folder);

    EXPECT_THROW(registry.load("fixture_no_initialize"), ModuleError);
    const Module* noInit = registry.find("fixture_no_initialize");
    EXPECT_EQ(noInit->state(), ModuleState::Unloaded);
    EXPECT_NE(noInit->error().find("'Initialize'"), std::string::npos) << noInit->error();

    EXPECT_THROW(registry.load("fixture_throwing"), ModuleError);
    const Module* throwing = registry.find("fixture_throwing");
    EXPECT_EQ(throwing->state(), ModuleState::Unloaded);
    EXPECT_NE(throwing->error().find("banco de mensagens ausente"), std::string::npos)
        << throwing->error();

    EXPECT_THROW(registry.load("fixture_no_metadata"), ModuleError);
    EXPECT_NE(registry.find("fixture_no_metadata")->error().find("sem metadados"),
              std::string::npos);
    EXPECT_THROW(registry.load("not_elf"), ModuleError);
    EXPECT_NE(registry.find("not_elf")->error().find("não é um arquivo ELF"), std::string::npos);

    try {
        registry.load("fixture_nowhere");
        FAIL();
    } catch (const ModuleError& e) {
        EXPECT_NE(std::string(e.what()).find("não encontrado"), std::string::npos);
    }
    EXPECT_EQ(registry.find("fixture_nowhere"), nullptr);
    EXPECT_TRUE(logLines().empty());  // no Finalize for modules never initialized
}

TEST_F(ModuleFolder, ARequiredModuleIsAPackageAndCannotBeUnloadedUnderItsUser) {
    install("good");
    install("dependent");
    {
        ModuleRegistry registry(folder);
        registry.providePackage("rtl");
        registry.providePackage("framework");
        EXPECT_THROW(registry.load("fixture_dependent"),
                     ModuleError);  // fixture_good not loaded yet
        registry.load("fixture_good");
        EXPECT_EQ(registry.load("fixture_dependent").state(),
                  ModuleState::Initialized);  // tried afresh
        EXPECT_THROW(registry.unload("fixture_good"), ModuleError);
        EXPECT_EQ(registry.find("fixture_good")->state(), ModuleState::Initialized);
    }  // the registry unloads the newest first
    EXPECT_EQ(logLines(), (Lines{"good: initialize", "dependent: initialize", "dependent: finalize",
                                 "good: finalize"}));
}

TEST_F(ModuleFolder, ALanguageResourceBesideTheModuleIsUsedWhenPresent) {
    install("good");
    install("throwing");
    std::ofstream(folder / "libfixture_good.ptb") << "resources";
    ModuleRegistry registry(folder, "ptb");
    registry.providePackage("rtl");
    registry.providePackage("framework");
    const Module& good = registry.load("fixture_good");
    EXPECT_TRUE(good.hasLanguageResource());
    EXPECT_EQ(good.resourceFile(), folder / "libfixture_good.ptb");

    EXPECT_THROW(registry.load("fixture_throwing"), ModuleError);
    const Module* own = registry.find("fixture_throwing");
    EXPECT_FALSE(own->hasLanguageResource());
    EXPECT_EQ(own->resourceFile(), own->file());
}

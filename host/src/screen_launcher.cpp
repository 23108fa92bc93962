#include "host/screen_launcher.h"

namespace host {

ScreenLauncher::ScreenLauncher(const std::filesystem::path& modulesDir) : registry_(modulesDir) {
    for (const QString& package : providedPackages())
        registry_.providePackage(package.toStdString());
}

QStringList ScreenLauncher::providedPackages() {
    // The run-time, widget and data layers, the framework library and the
    // component packages: all linked into the host.
    return {QStringLiteral("runtime"),    QStringLiteral("widgets"),
            QStringLiteral("data"),       QStringLiteral("datacontrols"),
            QStringLiteral("remotedata"), QStringLiteral("framework"),
            QStringLiteral("components"), QStringLiteral("dbcomponents")};
}

void ScreenLauncher::openApropriacao() {
    platform::module::Module& module = registry_.load(kModuleName);
    auto* entry = module.function<void()>(kEntryRoutine);
    entry();
}

}  // namespace host

#include "host/screen_launcher.h"

#include <string>
#include <vector>

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

void ScreenLauncher::open(const char* moduleName) {
    platform::module::Module& module = registry_.load(moduleName);
    auto* entry = module.function<void()>(kEntryRoutine);
    entry();
}

void ScreenLauncher::open(const QString& moduleName, const framework::ScreenParams& params) {
    const std::string name = moduleName.toStdString();
    if (params.empty()) {
        open(name.c_str());
        return;
    }
    platform::module::Module& module = registry_.load(name);
    auto* entry = module.function<void(int, const char* const*)>(kEntryWithParams);
    std::vector<std::string> texts;
    texts.reserve(params.size());
    for (const auto& [key, value] : params)
        texts.push_back(QString(key + QLatin1Char('=') + value).toStdString());
    std::vector<const char*> pointers;
    pointers.reserve(texts.size());
    for (const std::string& text : texts) pointers.push_back(text.c_str());
    entry(static_cast<int>(pointers.size()), pointers.data());
}

}  // namespace host

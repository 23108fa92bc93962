#include <QApplication>

#include <iostream>
#include <string_view>

#include "host/host_run.h"
#include "host/script/run_scenario_file.h"

namespace {

/// A screenshot or scenario run needs no screen: without one, draw off-screen.
void useOffscreenWhenThereIsNoDisplay(int argc, char** argv) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg.starts_with("--screenshot") || arg.starts_with("--script"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

}  // namespace

int main(int argc, char** argv) {
    useOffscreenWhenThereIsNoDisplay(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Apropriação"));
    QApplication::setOrganizationName(QStringLiteral("apropriacao"));
    return host::runHost(QApplication::arguments(), QProcessEnvironment::systemEnvironment(),
                         std::cerr, host::script::runScenarioFile);
}

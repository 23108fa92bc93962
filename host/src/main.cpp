#include <QApplication>

#include <iostream>
#include <string_view>

#include "host/host_run.h"

namespace {

/// A screenshot run needs no screen: without one, draw off-screen.
void useOffscreenWhenThereIsNoDisplay(int argc, char** argv) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]).starts_with("--screenshot")) qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

}  // namespace

int main(int argc, char** argv) {
    useOffscreenWhenThereIsNoDisplay(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Apropriação"));
    QApplication::setOrganizationName(QStringLiteral("apropriacao"));
    return host::runHost(QApplication::arguments(), QProcessEnvironment::systemEnvironment(), std::cerr);
}

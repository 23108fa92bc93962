// Every Qt warning during a test fails that test, except the offscreen
// platform's notices about itself and its environment.
#include <gtest/gtest.h>

#include <QString>
#include <QtGlobal>

namespace {

QtMessageHandler previousHandler = nullptr;

bool expected(const QString& message) {
    // "This plugin does not support propagateSizeHints()", "… raise()" (a tooltip).
    return message.contains(QStringLiteral("This plugin does not support")) ||
           message.contains(QStringLiteral("XDG_RUNTIME_DIR not set"));
}

void failOnWarning(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg && !expected(message))
        ADD_FAILURE() << "Qt warning: " << message.toStdString();
    if (previousHandler) previousHandler(type, context, message);
}

[[maybe_unused]] const bool installed = [] {
    previousHandler = qInstallMessageHandler(failOnWarning);
    return true;
}();

}  // namespace

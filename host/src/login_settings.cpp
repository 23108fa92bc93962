#include "host/login_settings.h"

#include <QSettings>

#include <stdexcept>

namespace host {

namespace {
const QString kServerHost = QStringLiteral("login/serverHost");
const QString kServerPort = QStringLiteral("login/serverPort");
const QString kUser = QStringLiteral("login/user");
const QString kBranch = QStringLiteral("login/branch");
}  // namespace

RememberedLogin readRememberedLogin(const QString& settingsFile) {
    const QSettings settings(settingsFile, QSettings::IniFormat);
    RememberedLogin login;
    login.serverHost = settings.value(kServerHost).toString();
    bool ok = false;
    const int port = settings.value(kServerPort).toInt(&ok);
    login.serverPort = ok && port > 0 && port <= 65535 ? port : 0;
    login.user = settings.value(kUser).toString();
    login.branch = settings.value(kBranch).toString();
    return login;
}

void writeRememberedLogin(const QString& settingsFile, const RememberedLogin& login) {
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.setValue(kServerHost, login.serverHost);
    settings.setValue(kServerPort, login.serverPort);
    settings.setValue(kUser, login.user);
    settings.setValue(kBranch, login.branch);
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        throw std::runtime_error("Não foi possível gravar as configurações em " +
                                 settingsFile.toStdString() + ".");
    }
}

}  // namespace host

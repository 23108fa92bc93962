#pragma once

#include <QString>

namespace host {

/// What the host remembers of the last interactive login. The password is
/// never stored.
struct RememberedLogin {
    QString serverHost;
    int serverPort = 0;  ///< 0: none remembered
    QString user;
    QString branch;
};

/// Reads the [login] group of the ini file; missing keys stay empty.
RememberedLogin readRememberedLogin(const QString& settingsFile);
/// Writes the [login] group; throws std::runtime_error when the file
/// cannot be written.
void writeRememberedLogin(const QString& settingsFile, const RememberedLogin& login);

}  // namespace host

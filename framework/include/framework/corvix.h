#pragma once

#include <QString>

#include "framework/export.h"

namespace framework {

/// The login values of the session. The host sets them once the user has
/// logged in; screens only read them.
struct LoginValues {
    QString operador;      ///< the logged-in user's operator code
    QString nomeOperador;  ///< that user's name
    QString filial;        ///< the branch the user works in
    QString webURL;        ///< the application server's host
    int webPort = 0;       ///< its port
    QString sessionToken;  ///< the bearer token of the server session
};

/// For the host, at login (and to clear them at logout).
FRAMEWORK_EXPORT void SetLoginValues(const LoginValues& values);

FRAMEWORK_EXPORT QString Operador();
FRAMEWORK_EXPORT QString NomeOperador();
FRAMEWORK_EXPORT QString FiliProc();
FRAMEWORK_EXPORT QString WebURL();
FRAMEWORK_EXPORT int WebPort();
FRAMEWORK_EXPORT QString SessionToken();

}  // namespace framework

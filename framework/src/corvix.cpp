#include "framework/corvix.h"

namespace framework {

namespace {
LoginValues g_login;
}

void SetLoginValues(const LoginValues& values) {
    g_login = values;
}

QString Operador() {
    return g_login.operador;
}
QString NomeOperador() {
    return g_login.nomeOperador;
}
QString FiliProc() {
    return g_login.filial;
}
QString WebURL() {
    return g_login.webURL;
}
int WebPort() {
    return g_login.webPort;
}
QString SessionToken() {
    return g_login.sessionToken;
}

}  // namespace framework

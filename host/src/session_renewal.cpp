#include "host/session_renewal.h"

#include <QApplication>

#include "framework/corvix.h"
#include "host/login_dialog.h"
#include "host/session_login.h"
#include "platform/ui/dialog_service.h"

namespace host {

bool SessionRenewal::reauthenticate(const QString& reason) {
    // The login values are those of the session that ended: the same user,
    // branch and server log in again.
    const framework::LoginValues current{framework::Operador(), framework::NomeOperador(),
                                         framework::FiliProc(), framework::WebURL(),
                                         framework::WebPort(),  framework::SessionToken()};
    platform::ui::ReloginPrompt prompt;
    prompt.server = QStringLiteral("%1:%2").arg(current.webURL).arg(current.webPort);
    prompt.user = current.operador;
    prompt.branch = current.filial;
    const QString who = current.nomeOperador.isEmpty()
                            ? current.operador
                            : QStringLiteral("%1 (%2)").arg(current.nomeOperador, current.operador);
    prompt.text = QStringLiteral("%1\nInforme a senha de %2, filial %3, para continuar.")
                      .arg(reason, who, current.filial);
    return platform::ui::dialogs().relogin(prompt, [&](const QString& password) {
        logIn(LoginRequest{current.webURL, current.webPort, current.operador, password,
                           current.filial});
    });
}

bool HostDialogService::relogin(const platform::ui::ReloginPrompt& prompt,
                                const std::function<void(const QString& password)>& attempt) {
    LoginRequest shown;
    const qsizetype colon = prompt.server.lastIndexOf(QLatin1Char(':'));
    shown.serverHost = prompt.server.left(colon);
    shown.serverPort = prompt.server.mid(colon + 1).toInt();
    shown.user = prompt.user;
    shown.branch = prompt.branch;
    const auto dialog = LoginDialog::forRelogin(
        shown, prompt.text, [&](const LoginRequest& typed) { attempt(typed.password); },
        QApplication::activeWindow());
    return dialog->exec() == QDialog::Accepted;
}

}  // namespace host

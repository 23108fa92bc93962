#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "host/session_login.h"

class QLineEdit;
class QSpinBox;

namespace host {

/// Asks for server, operator code, password and branch. "Entrar" runs the
/// login attempt; a failure shows its message through the dialog service
/// and keeps the dialog open for another try, with the password selected.
///
/// To log in again (the server ended the session), the dialog shows server,
/// user and branch as they are, read-only, with the reason above them, and
/// asks only the password.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    /// `attempt` logs in or throws with a message for the user.
    using Attempt = std::function<void(const LoginRequest&)>;

    LoginDialog(const LoginRequest& prefill, Attempt attempt, QWidget* parent = nullptr);
    /// The dialog for logging in again as `prefill`'s user, saying `reason`.
    static std::unique_ptr<LoginDialog> forRelogin(const LoginRequest& prefill,
                                                   const QString& reason, Attempt attempt,
                                                   QWidget* parent = nullptr);

    LoginRequest request() const;

public slots:
    /// Checks the fields and runs the attempt; accepts the dialog when it
    /// succeeds.
    void tryLogIn();

private:
    QWidget* fieldFor(const LoginRequest& request) const;

    Attempt attempt_;
    QLineEdit* edtServidor_;
    QSpinBox* edtPorta_;
    QLineEdit* edtOperador_;
    QLineEdit* edtSenha_;
    QLineEdit* edtFilial_;
};

}  // namespace host

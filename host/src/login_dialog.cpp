#include "host/login_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "framework/application.h"
#include "platform/ui/dialog_service.h"
#include "platform/ui/dispatch.h"

namespace host {

LoginDialog::LoginDialog(const LoginRequest& prefill, Attempt attempt, QWidget* parent)
    : QDialog(parent),
      attempt_(std::move(attempt)),
      edtServidor_(new QLineEdit(prefill.serverHost, this)),
      edtPorta_(new QSpinBox(this)),
      edtOperador_(new QLineEdit(prefill.user, this)),
      edtSenha_(new QLineEdit(prefill.password, this)),
      edtFilial_(new QLineEdit(prefill.branch, this)) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Entrar — Manutenção da Apropriação"));
    edtServidor_->setObjectName(QStringLiteral("edtServidor"));
    edtPorta_->setObjectName(QStringLiteral("edtPorta"));
    edtPorta_->setRange(1, 65535);
    edtPorta_->setValue(prefill.serverPort > 0 ? prefill.serverPort : 1);
    edtOperador_->setObjectName(QStringLiteral("edtOperador"));
    edtSenha_->setObjectName(QStringLiteral("edtSenha"));
    edtSenha_->setEchoMode(QLineEdit::Password);
    edtFilial_->setObjectName(QStringLiteral("edtFilial"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Servidor:"), edtServidor_);
    form->addRow(QStringLiteral("Porta:"), edtPorta_);
    form->addRow(QStringLiteral("Operador:"), edtOperador_);
    form->addRow(QStringLiteral("Senha:"), edtSenha_);
    form->addRow(QStringLiteral("Filial:"), edtFilial_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Entrar"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnEntrar"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    connect(buttons, &QDialogButtonBox::accepted, this, &LoginDialog::tryLogIn);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    // Start where the user has something to type.
    QWidget* first = fieldFor(prefill);
    (first ? first : edtSenha_)->setFocus();
}

std::unique_ptr<LoginDialog> LoginDialog::forRelogin(const LoginRequest& prefill,
                                                     const QString& reason, Attempt attempt,
                                                     QWidget* parent) {
    LoginRequest asked = prefill;
    asked.password.clear();
    auto dialog = std::make_unique<LoginDialog>(asked, std::move(attempt), parent);
    dialog->setWindowTitle(QStringLiteral("Entrar novamente — Manutenção da Apropriação"));
    for (QLineEdit* shown : {dialog->edtServidor_, dialog->edtOperador_, dialog->edtFilial_})
        shown->setReadOnly(true);
    dialog->edtPorta_->setReadOnly(true);
    auto* why = new QLabel(reason, dialog.get());
    why->setObjectName(QStringLiteral("lblMotivo"));
    why->setWordWrap(true);
    static_cast<QVBoxLayout*>(dialog->layout())->insertWidget(0, why);
    dialog->edtSenha_->setFocus();
    return dialog;
}

LoginRequest LoginDialog::request() const {
    LoginRequest r;
    r.serverHost = edtServidor_->text().trimmed();
    r.serverPort = edtPorta_->value();
    r.user = edtOperador_->text().trimmed();
    r.password = edtSenha_->text();
    r.branch = edtFilial_->text().trimmed();
    return r;
}

QWidget* LoginDialog::fieldFor(const LoginRequest& r) const {
    if (r.serverHost.trimmed().isEmpty()) return edtServidor_;
    if (r.user.trimmed().isEmpty()) return edtOperador_;
    if (r.password.isEmpty()) return edtSenha_;
    if (r.branch.trimmed().isEmpty()) return edtFilial_;
    return nullptr;
}

void LoginDialog::tryLogIn() {
    const LoginRequest r = request();
    if (const QString missing = missingLoginField(r); !missing.isEmpty()) {
        platform::ui::dialogs().error(missing);
        if (QWidget* field = fieldFor(r)) field->setFocus();
        return;
    }
    framework::Application().SetScreenCursor(framework::ScreenCursorKind::Hourglass);
    const bool loggedIn = platform::ui::dispatch([&] { attempt_(r); });
    framework::Application().SetScreenCursor(framework::ScreenCursorKind::Default);
    if (loggedIn) {
        accept();
        return;
    }
    // dispatch() has shown why; the password is the likely culprit.
    edtSenha_->setFocus();
    edtSenha_->selectAll();
}

}  // namespace host

#include "framework/btn_pesquisa.h"

#include "framework/pesquisar.h"
#include "platform/dbcontrols/focus_lookup.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/focus_manager.h"

namespace framework {

namespace {
constexpr int kButtonSize = 21;
}

TBtnPesquisa::TBtnPesquisa(QWidget* parent) : QToolButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(false);
    setText(QStringLiteral("..."));
    setToolTip(QStringLiteral("Pesquisar"));
    setFixedSize(kButtonSize, kButtonSize);
    connect(this, &QToolButton::clicked, this, platform::ui::guarded([this] { Execute(); }));
}

bool TBtnPesquisa::Execute() {
    bool proceed = true;
    if (OnBeforePesq) OnBeforePesq(*this, proceed);
    if (!proceed) return false;

    // Pesquisar reads the text after the bar as the empty-list text, so a
    // bar in the title itself must not reach it.
    QString title = title_;
    title.replace(QLatin1Char('|'), QLatin1Char('/'));
    const QString emptyText = emptyError_.isEmpty() ? PesquisarEmptyText() : emptyError_;
    if (!Pesquisar(source_, title + QLatin1Char('|') + emptyText, false, true)) return false;

    if (OnAfterPesq) OnAfterPesq(*this);
    focusAssociate();
    return true;
}

void TBtnPesquisa::focusAssociate() {
    QWidget* edit = associate_.data();
    if (!edit || !edit->isEnabled() || !edit->isVisible() || edit->hasFocus()) return;
    if (platform::ui::FocusManager* manager = platform::dbcontrols::findFocusManager(edit)) {
        manager->setFocusTo(edit, Qt::OtherFocusReason);
    } else {
        edit->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace framework

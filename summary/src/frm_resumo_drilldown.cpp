// From a day cell of the summary to that operator's day in the day screen.
#include <QEvent>
#include <QKeyEvent>

#include "framework/screen_service.h"
#include "month_summary.h"
#include "platform/dataset/field.h"
#include "platform/ui/dispatch.h"
#include "summary/frm_resumo_apropriacao.h"

namespace Cli_Zep00710 {

namespace {

/// The day screen's package, opened through the host.
const char* const kDayScreenPackage = "Pkg_Zep00700";

}  // namespace

void TfrmResumoApropriacao::bindDrillDown() {
    dbgResumo->installEventFilter(this);
    dbgResumo->viewport()->installEventFilter(this);
}

bool TfrmResumoApropriacao::eventFilter(QObject* watched, QEvent* event) {
    if (!tearingDown_ && (watched == dbgResumo || watched == dbgResumo->viewport())) {
        const bool enter = event->type() == QEvent::KeyPress &&
                           (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter) &&
                           static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier;
        // The press before a double click has already made its cell current.
        if (enter || event->type() == QEvent::MouseButtonDblClick) {
            platform::ui::dispatch([this] { AbreDiaSelecionado(); });
            return true;
        }
    }
    return TfrmPadraoSimples::eventFilter(watched, event);
}

void TfrmResumoApropriacao::AbreDiaSelecionado() {
    const platform::dataset::Field* field = dbgResumo->selectedField();
    if (!field || cdsResumo.isEmpty()) return;
    const int dayOfMonth = dayOfField(QString::fromStdString(field->name()));
    if (dayOfMonth == 0) return;
    platform::dataset::DateTime day = summary_->firstDay();
    day.day = dayOfMonth;
    // Set first: the day screen may hand the activation back before AbreTela returns.
    reloadOnActivate_ = true;
    framework::AbreTela(QString::fromLatin1(kDayScreenPackage),
                        {{QStringLiteral("CDOPERADOR"),
                          QString::fromStdString(cdsResumo.fieldByName("CDOPERADOR").text())},
                         {QStringLiteral("DTDIA"), QString::fromStdString(day.toIsoDate())}});
}

}  // namespace Cli_Zep00710

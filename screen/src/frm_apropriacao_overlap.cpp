// The overlap check: the server says which recorded appropriations of the
// operator that day clash with the row's span; the screen only recognises
// among them the row itself, in its recorded form.
#include <QLineEdit>

#include <optional>

#include "apropriacao_client.h"
#include "field_text.h"
#include "framework/busy.h"
#include "framework/corvix.h"
#include "framework/failures.h"
#include "framework/utils.h"
#include "platform/dataset/filter.h"
#include "platform/dataset/value_text.h"
#include "platform/ui/masked_edit.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

namespace {

/// A recorded appropriation with its times: CHAVE2, HORAINI and HORAFIN joined.
QString identityText(const platform::dataset::DataSet& dataSet) {
    return fieldText(dataSet, "CHAVE2") + fieldText(dataSet, "HORAINI") +
           fieldText(dataSet, "HORAFIN");
}

/// The identity text of the row as it was loaded; nothing when one of the
/// three has no old value (a null one included).
std::optional<QString> oldIdentityText(const platform::dataset::DataSet& dataSet) {
    QString text;
    for (const char* name : {"CHAVE2", "HORAINI", "HORAFIN"}) {
        const std::optional<platform::dataset::Value> old = dataSet.fieldByName(name).oldValue();
        if (!old || old->isNull()) return std::nullopt;
        text += QString::fromStdString(platform::dataset::defaultText(*old));
    }
    return text;
}

std::string oldText(const platform::dataset::DataSet& dataSet, const char* name) {
    const std::optional<platform::dataset::Value> old = dataSet.fieldByName(name).oldValue();
    return old ? platform::dataset::defaultText(*old) : std::string();
}

}  // namespace

void TfrmApropriacao::vd_apropria(bool /*checked*/) {
    // Every check starts from nothing: a failed query leaves no answer of an
    // earlier check behind, and the server's own check then decides.
    cdsApropria.setFiltered(false);
    cdsApropria.close();
    framework::RunDroppingFailure(
        QStringLiteral("Manutenção da Apropriação: a consulta de apropriações sobrepostas"),
        [this] {
            framework::BusyGuard busy;
            busy.show();
            cdsApropria.load(remote_->clashes(medCdOper->text(), framework::FiliProc(), loadedDay_,
                                              fieldText(cdsAtividades, "HORAINI"),
                                              fieldText(cdsAtividades, "HORAFIN")));
        });
    if (cdsApropria.isEmpty()) return;

    const QString current = identityText(cdsAtividades);
    const QString answered = identityText(cdsApropria);
    const auto clash = [this] {
        focusField("NRTAREFA");
        framework::MensErro(framework::Format(
            msgPadrao.Msg(QStringLiteral("ATIVAPRO")),
            {medCdOper->text(), edtNmOper->text(), fieldText(cdsApropria, "NRPLATIVTARE"),
             fieldText(cdsApropria, "NRTAREFA"), fieldText(cdsApropria, "HORAINI"),
             fieldText(cdsApropria, "HORAFIN")}));
    };

    switch (cdsAtividades.state()) {
        case platform::dataset::DataSetState::Insert:
            // Only the first answer row is looked at.
            if (current != answered) clash();
            return;
        case platform::dataset::DataSetState::Edit: {
            if (current == answered) return;  // the row itself, its times unchanged
            const std::optional<QString> old = oldIdentityText(cdsAtividades);
            if (!old || *old != answered) clash();
            // The first answer is the row in its recorded form: leave it out, with
            // every answer sharing its recorded start or end. The old values are
            // quoted so that no stored text changes what the filter means.
            cdsApropria.setFilter(
                "HORAINI <> " +
                platform::dataset::quoteFilterText(oldText(cdsAtividades, "HORAINI")) +
                " AND HORAFIN <> " +
                platform::dataset::quoteFilterText(oldText(cdsAtividades, "HORAFIN")));
            cdsApropria.setFiltered(true);
            if (!cdsApropria.isEmpty()) clash();
            return;
        }
        default:
            return;
    }
}

}  // namespace Cli_Zep00700

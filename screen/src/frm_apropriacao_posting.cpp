// The checks a row passes before it is posted, in their fixed order, the
// check of one typed time as its column is left, and the verify button.
#include <QLineEdit>
#include <QPlainTextEdit>

#include <optional>

#include "field_text.h"
#include "framework/corvix.h"
#include "framework/errors.h"
#include "framework/failures.h"
#include "framework/utils.h"
#include "platform/dataset/errors.h"
#include "platform/dataset/time_text.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/ui/masked_edit.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

namespace {

namespace time_text = platform::dataset::time_text;

/// The time text without its two separators (the 3rd and 6th characters):
/// what is left tells whether anything was typed at all.
QString strippedTime(const QString& text) {
    QString stripped = text;
    if (stripped.size() > 5) stripped.remove(5, 1);
    if (stripped.size() > 2) stripped.remove(2, 1);
    return stripped;
}

/// A time text as seconds since midnight, or nothing when it is no time of day.
std::optional<int> timeOfDay(const QString& text) {
    return time_text::parse(text.toStdString());
}

}  // namespace

void TfrmApropriacao::bindPosting() {
    cdsAtividades.events.beforePost = whileAlive(&TfrmApropriacao::cdsAtividadesBeforePost);
}

void TfrmApropriacao::refuse(const char* key, const char* fieldName) {
    focusField(fieldName);
    framework::MensErro(msgPadrao.Msg(QString::fromLatin1(key)));
    throw platform::dataset::Abort();  // not reached: MensErro abandons the post
}

void TfrmApropriacao::cdsAtividadesBeforePost(platform::dataset::DataSet& /*dataSet*/) {
    const QString startText = fieldText(cdsAtividades, "HORAINI");
    const QString endText = fieldText(cdsAtividades, "HORAFIN");
    const bool noStart = framework::EmptyString(strippedTime(startText));
    const bool noEnd = framework::EmptyString(strippedTime(endText));
    const bool inserting = cdsAtividades.state() == platform::dataset::DataSetState::Insert;

    // A row belongs to the day its rows were loaded for, whatever the
    // calendar shows by now (a month step, a failed load).
    const platform::dataset::DateTime day = loadedDay_;

    vd_tarefa(true);
    vd_ativ(true);

    if (noStart) refuse("HoraIni_deve", "HORAINI");
    // One reading of the server's clock per post: fresh for the future-time
    // check, and the same instant stamps the new row.
    std::optional<platform::dataset::DateTime> now;
    if (inserting) {
        if (noEnd) refuse("HoraFin_deve", "HORAFIN");
        // The end of a new row must have passed already, by the server's
        // clock asked now (never the local clock, nor an earlier attempt's).
        now = serverNow();
        if (const auto end = timeOfDay(endText))
            if (day.addSeconds(*end) > *now) refuse("HORFIMINV", "HORAFIN");
    } else if (noEnd && hasEndStamp()) {
        refuse("HoraFin_deve", "HORAFIN");
    }

    // Equal texts, and also two spellings of one time (" 8:00:00" and
    // "08:00:00"), would make a span of no length.
    const auto start = timeOfDay(startText);
    const auto end = timeOfDay(endText);
    if (startText == endText || (start && end && *start == *end)) refuse("Hora_Igual", "HORAFIN");

    if (inserting) {
        cdsAtividades.fieldByName("DTHIAPATIVTA").setAsDateTime(*now);
        cdsAtividades.fieldByName("DTHFAPATIVTA").setAsDateTime(*now);
    }

    vd_horas();

    if (!noStart && !noEnd) {
        const auto startTime = platform::dataset::DateTime::parseTime(startText.toStdString());
        const auto endTime = platform::dataset::DateTime::parseTime(endText.toStdString());
        // A time the current column's check did not see is refused here, where it stands.
        if (!startTime) throw framework::Error(startText + msgPadrao.Msg(QStringLiteral("HR_INV")));
        if (!endTime) throw framework::Error(endText + msgPadrao.Msg(QStringLiteral("HR_INV")));
        if (*endTime < *startTime) refuse("HoraIni_Maior", "HORAINI");
    }

    setFieldText(cdsAtividades, "CDOPERADOR", medCdOper->text());
    setFieldText(cdsAtividades, "CDFILIAL", framework::FiliProc());
    const QString dayText = QString::fromStdString(day.toDisplayDate()) + QLatin1Char(' ');
    setFieldText(cdsAtividades, "DTIAPATIVTAR", dayText + startText);
    if (!framework::EmptyString(endText)) {
        setFieldText(cdsAtividades, "DTFAPATIVTAR", dayText + endText);
        vd_apropria(true);
    }
    setFieldText(cdsAtividades, "TXAPRATIVTAR", memDesc->toPlainText());
}

void TfrmApropriacao::vd_horas() {
    if (!cdsAtividades.editing()) return;
    const platform::dataset::Field* selected = dbgAtividades->selectedField();
    const QString name = selected ? QString::fromStdString(selected->name()) : QString();
    if (name != QStringLiteral("HORAINI") && name != QStringLiteral("HORAFIN")) return;
    const QByteArray fieldName = name.toLatin1();
    // The message first, then the focus on the refused column.
    const framework::OnFailure refocus(QStringLiteral("o retorno do foco"),
                                       [&] { focusField(fieldName.constData()); });
    const QString text = fieldText(cdsAtividades, fieldName.constData());
    // An empty time is the posting checks' concern, not this one's.
    if (framework::EmptyString(strippedTime(text))) return;
    const time_text::Reading reading = time_text::read(text.toStdString());
    if (reading.fault == time_text::Fault::NotANumber)
        framework::MensErro(QStringLiteral("'%1' não é um valor inteiro válido.")
                                .arg(QString::fromStdString(std::string(reading.badPart))));
    if (!reading.ok()) framework::MensErro(text + msgPadrao.Msg(QStringLiteral("HR_INV")));
}

void TfrmApropriacao::sbtVerificarClick() {
    showDay(chosenDay());
}

}  // namespace Cli_Zep00700

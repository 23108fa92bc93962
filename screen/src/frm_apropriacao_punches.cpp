// The time-clock punches panel: readable punch times, events and origins,
// the regular punches in bold, and the time the clock measured that day.
#include <QLineEdit>

#include <algorithm>
#include <array>
#include <string_view>

#include "apropriacao_client.h"
#include "field_text.h"
#include "framework/date_edit_plus.h"
#include "framework/utils.h"
#include "platform/dbcontrols/grid_canvas.h"
#include "platform/ui/masked_edit.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

namespace {

/// The event codes that have a text of their own, in the order they are tried.
constexpr std::array<std::string_view, 9> kEventCodes = {"E1", "S1", "E2", "S2", "SE",
                                                         "RE", "ST", "ET", "SA"};
/// The first and second entries and exits: the punches of a regular day.
constexpr std::array<std::string_view, 4> kRegularPunches = {"E1", "S1", "E2", "S2"};
constexpr std::array<std::string_view, 3> kOriginCodes = {"CSA", "CAT", "MAN"};

template <std::size_t N>
bool isOneOf(const std::string& code, const std::array<std::string_view, N>& codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

}  // namespace

void TfrmApropriacao::bindPunches() {
    cdsPonto.fieldByName("DTBATIDAPTO").onGetText =
        whileAlive(&TfrmApropriacao::cdsPontoDTBATIDAPTOGetText);
    cdsPonto.fieldByName("IDEVENPONTO").onGetText =
        whileAlive(&TfrmApropriacao::cdsPontoIDEVENPONTOGetText);
    cdsPonto.fieldByName("IDORIGPTO").onGetText =
        whileAlive(&TfrmApropriacao::cdsPontoIDORIGPTOGetText);
    cdsPonto.events.afterOpen = whileAlive(&TfrmApropriacao::cdsPontoAfterOpen);
    dbgCtrlPonto->onDrawColumnCell = whileAlive(&TfrmApropriacao::dbgCtrlPontoDrawColumnCell);
}

void TfrmApropriacao::cdsPontoDTBATIDAPTOGetText(platform::dataset::Field& /*sender*/,
                                                 std::string& text, bool /*displayText*/) {
    const platform::dataset::Field& punch = cdsPonto.fieldByName("DTBATIDAPTO");
    // A punch without a time has no weekday: its cell stays empty rather
    // than failing at every paint.
    if (punch.isNull()) return;
    text = framework::NomeSemana(punch.asDateTime()).left(3).toStdString() + ' ' + punch.asString();
}

void TfrmApropriacao::cdsPontoIDEVENPONTOGetText(platform::dataset::Field& /*sender*/,
                                                 std::string& text, bool /*displayText*/) {
    if (cdsPonto.isEmpty()) return;
    // Matched exactly: the message table's keys would also take "e1".
    const std::string code = cdsPonto.fieldByName("IDEVENPONTO").asString();
    std::string key = code;
    if (!isOneOf(code, kEventCodes))
        key = cdsPonto.fieldByName("IDSENTBATIDA").asString() == "1" ? "1" : "2";
    text = msgPadrao.Msg(QString::fromStdString(key)).toStdString();
}

void TfrmApropriacao::cdsPontoIDORIGPTOGetText(platform::dataset::Field& /*sender*/,
                                               std::string& text, bool /*displayText*/) {
    const std::string code = cdsPonto.fieldByName("IDORIGPTO").asString();
    if (isOneOf(code, kOriginCodes))
        text = msgPadrao.Msg(QString::fromStdString(code)).toStdString();
}

void TfrmApropriacao::dbgCtrlPontoDrawColumnCell(
    platform::dbcontrols::DBGrid& /*sender*/, platform::dbcontrols::Canvas& canvas,
    const QRect& rect, int /*dataCol*/, platform::dbcontrols::DBGridColumn& column,
    platform::dbcontrols::DBGrid::DrawState /*state*/) {
    canvas.fillRect(rect);
    canvas.setFontBold(false);
    const platform::dataset::Field* field = column.field();
    if (!field) return;
    // The stored code, not its text: only the event column can hold one of these.
    if (isOneOf(field->asString(), kRegularPunches)) canvas.setFontBold(true);
    canvas.textRect(rect, rect.left() + 3, rect.top() + 3,
                    QString::fromStdString(field->displayText()));
}

void TfrmApropriacao::cdsPontoAfterOpen(platform::dataset::DataSet& /*dataSet*/) {
    // A failure ends here and reaches the day load, which shows it:
    // medHrTotal then keeps what it showed.
    cdsTotPontoReal.load(remote_->punchedTotal(medCdOper->text(), depAgenda->GetDate()));
    if (cdsTotPontoReal.isEmpty())
        medHrTotal->clear();
    else
        medHrTotal->setText(fieldText(cdsTotPontoReal, "HR"));
}

}  // namespace Cli_Zep00700

// Editing the day's appropriations in the grid: the insert and delete
// buttons, entering and leaving columns, the task and activity look-ups,
// the description memo, and the refusals that protect rows without an end
// stamp.
#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QSignalBlocker>

#include <utility>

#include "apropriacao_client.h"
#include "field_text.h"
#include "framework/busy.h"
#include "framework/button_flat.h"
#include "framework/corvix.h"
#include "framework/indice_col.h"
#include "framework/pesquisar.h"
#include "framework/utils.h"
#include "platform/dataset/errors.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/dbcontrols/db_grid_column.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/focus_manager.h"
#include "screen/cli_zep00700.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

namespace {

QString selectedFieldName(const platform::dbcontrols::DBGrid& grid) {
    const platform::dataset::Field* field = grid.selectedField();
    return field ? QString::fromStdString(field->name()) : QString();
}

}  // namespace

void TfrmApropriacao::bindEditing() {
    cdsAtividades.events.afterScroll = whileAlive(&TfrmApropriacao::cdsAtividadesAfterScroll);
    cdsAtividades.events.afterCancel = whileAlive(&TfrmApropriacao::cdsAtividadesAfterCancel);
    cdsAtividades.events.beforeEdit = whileAlive(&TfrmApropriacao::cdsAtividadesBeforeEdit);
    cdsAtividades.events.beforeDelete = whileAlive(&TfrmApropriacao::cdsAtividadesBeforeDelete);
    cdsAtividades.events.onNewRecord = whileAlive(&TfrmApropriacao::cdsAtividadesNewRecord);

    dbgAtividades->onColEnter =
        whileAlive([this](platform::dbcontrols::DBGrid&) { dbgAtividadesColEnter(); });
    dbgAtividades->onColExit =
        whileAlive([this](platform::dbcontrols::DBGrid&) { dbgAtividadesColExit(); });
    dbgAtividades->onEditButtonClick =
        whileAlive([this](platform::dbcontrols::DBGrid&) { dbgAtividadesEditButtonClick(); });
    connect(memDesc, &QPlainTextEdit::textChanged, this,
            platform::ui::guarded(whileAlive(&TfrmApropriacao::memDescChange)));
}

// --- Row state -------------------------------------------------------------------------------

bool TfrmApropriacao::hasEndStamp() const {
    return !framework::EmptyString(fieldText(cdsAtividades, "DTHFAPATIVTA"));
}

bool TfrmApropriacao::isLockedRow() const {
    if (!cdsAtividades.active() || cdsAtividades.isEmpty()) return false;
    return !hasEndStamp() && fieldText(cdsAtividades, "IDSITATIVTAR") == QStringLiteral("A");
}

void TfrmApropriacao::setMemDescQuietly(const QString& text) {
    // Laying out the same text again costs more than comparing it.
    if (memDesc->toPlainText() == text) return;
    const QSignalBlocker detached(memDesc);
    memDesc->setPlainText(text);
}

void TfrmApropriacao::focusField(const char* fieldName) {
    cdsAtividades.fieldByName(fieldName).focusControl();
}

// --- Toolbar -----------------------------------------------------------------------------------

void TfrmApropriacao::sbtIncluirClick() {
    const QString selected = selectedFieldName(*dbgAtividades);
    if (selected == QStringLiteral("HORAINI"))
        startNewRow("HORAINI");
    else if (selected == QStringLiteral("HORAFIN"))
        startNewRow("HORAFIN");
    else
        startNewRow("NRTAREFA");
}

void TfrmApropriacao::startNewRow(const char* fieldName) {
    columnBeforeInsert_ = dbgAtividades->selectedIndex();
    // The column and the focus are the grid's before the row begins. No
    // editor is opened on the row being left: the insert would close it at
    // once, and each of those moves of the focus has the MDI window draw its
    // title bar and frame again.
    if (dbgAtividades->setSelectedField(QString::fromLatin1(fieldName))) {
        const QWidget* focused = QApplication::focusWidget();
        if (focused != dbgAtividades && !dbgAtividades->isAncestorOf(focused))
            focusManager().setFocusTo(dbgAtividades, Qt::OtherFocusReason);
    }
    TfrmPadraoSimples::sbtIncluirClick();
}

void TfrmApropriacao::sbtExcluirClick() {
    // A locked row (open, of a started activity) is never deleted; nothing is said.
    if (fieldText(cdsAtividades, "IDSITATIVTAR") != QStringLiteral("A") || hasEndStamp())
        TfrmPadraoSimples::sbtExcluirClick();
}

// --- Grid columns ------------------------------------------------------------------------------

void TfrmApropriacao::dbgAtividadesColEnter() {
    const bool duration = selectedFieldName(*dbgAtividades) == QStringLiteral("QTHRAPRO");
    // The duration is the server's: its column is never typed into.
    dbgAtividades->setOption(platform::dbcontrols::DBGrid::Option::Editing, !duration);
    if (!duration || !cdsAtividades.editing()) return;
    for (const char* name : {"NRTAREFA", "NRPLATIVTARE", "HORAINI", "HORAFIN"})
        if (framework::EmptyString(fieldText(cdsAtividades, name))) return;
    // Tabbing from a filled end time into the duration completes the row.
    cdsAtividades.post();
}

void TfrmApropriacao::dbgAtividadesColExit() {
    const QString selected = selectedFieldName(*dbgAtividades);
    if (selected == QStringLiteral("NRTAREFA"))
        vd_tarefa(false);
    else if (selected == QStringLiteral("NRPLATIVTARE"))
        vd_ativ(false);
    else if (selected == QStringLiteral("HORAINI") || selected == QStringLiteral("HORAFIN"))
        vd_horas();
}

void TfrmApropriacao::dbgAtividadesEditButtonClick() {
    const QString selected = selectedFieldName(*dbgAtividades);
    framework::BusyGuard busy;
    if (selected == QStringLiteral("NRTAREFA")) {
        busy.show();
        // The branch's task list is asked once and kept for the screen's life.
        if (cdsPesqTarefa.isEmpty()) cdsPesqTarefa.load(remote_->tasks(framework::FiliProc()));
        if (cdsPesqTarefa.isEmpty()) framework::MensErro(msgPadrao.Msg(QStringLiteral("N_TARE")));
        busy.hide();
        if (!framework::Pesquisar(&dtsPesqTarefa, msgPadrao.Msg(QStringLiteral("TAREFA")), false,
                                  true))
            return;
        cdsAtividades.edit();
        setFieldText(cdsAtividades, "NRTAREFA", fieldText(cdsPesqTarefa, "NRTAREFA"));
    } else if (selected == QStringLiteral("NRPLATIVTARE")) {
        busy.show();
        vd_tarefa(true);
        const QString task = fieldText(cdsAtividades, "NRTAREFA");
        // The list is of the logged-in user's activities, whoever the filter shows.
        cdsPesqAtiv.load(remote_->activities(framework::FiliProc(), task, framework::Operador()));
        busy.hide();
        const QString title = msgPadrao.Msg(QStringLiteral("Atividade")) + QLatin1Char('|') +
                              framework::Format(msgPadrao.Msg(QStringLiteral("N_Ativ_Cad")),
                                                {framework::NomeOperador(), task});
        if (!framework::Pesquisar(&dtsPesqAtiv, title, false, true)) return;
        cdsAtividades.edit();
        setFieldText(cdsAtividades, "NRPLATIVTARE", fieldText(cdsPesqAtiv, "NRPLATIVTARE"));
        // The situation belongs to this row: its save starts the activity,
        // its cancel or discard forgets it.
        stSitAtiv = fieldText(cdsPesqAtiv, "IDSITATIVTAR");
    }
}

// --- Memo and data-set events ------------------------------------------------------------------

void TfrmApropriacao::memDescChange() {
    cdsAtividades.edit();
    // The memo is no data control: without this the row would not count as
    // changed, and leaving it (which cancels an unchanged row) would drop
    // what was typed. The posting checks write the memo's text again.
    if (cdsAtividades.editing())
        setFieldText(cdsAtividades, "TXAPRATIVTAR", memDesc->toPlainText());
}

void TfrmApropriacao::cdsAtividadesAfterScroll(platform::dataset::DataSet& /*dataSet*/) {
    setMemDescQuietly(fieldText(cdsAtividades, "TXAPRATIVTAR"));
    // An open row cannot be edited: what would be typed into its description
    // could never be kept, so the memo does not take it.
    memDesc->setReadOnly(cdsAtividades.state() == platform::dataset::DataSetState::Browse &&
                         !cdsAtividades.isEmpty() && !hasEndStamp());

    const bool locked = isLockedRow();
    for (const char* name : {"NRTAREFA", "NRPLATIVTARE", "HORAINI", "HORAFIN"})
        dbgAtividades->column(framework::IndiceCol(dbgAtividades, QString::fromLatin1(name)))
            .setReadOnly(locked);

    applyEnableRules();
    mnuExcluir->setEnabled(sbtExcluir->isEnabled());
    mnuAlterar->setEnabled(sbtAlterar->isEnabled());
}

void TfrmApropriacao::cdsAtividadesAfterCancel(platform::dataset::DataSet& /*dataSet*/) {
    cdsAtividades.cancelUpdates();
    // Detached: putting the stored description back must not start an edit
    // that would then be posted and sent.
    setMemDescQuietly(fieldText(cdsAtividades, "TXAPRATIVTAR"));
    stSitAtiv.clear();
    // A new row given up gives the grid back the column it stood on before
    // it, so that the next insert starts where this one did, not where its
    // typing stopped.
    if (columnBeforeInsert_ >= 0) {
        const int column = std::exchange(columnBeforeInsert_, -1);
        dbgAtividades->setSelectedIndex(column);
    }
    if (cdsAtividades.editing()) cdsAtividades.post();
}

void TfrmApropriacao::cdsAtividadesBeforeEdit(platform::dataset::DataSet& /*dataSet*/) {
    if (!hasEndStamp()) throw platform::dataset::Abort();
}

void TfrmApropriacao::cdsAtividadesBeforeDelete(platform::dataset::DataSet& /*dataSet*/) {
    if (isLockedRow()) throw platform::dataset::Abort();
}

void TfrmApropriacao::cdsAtividadesNewRecord(platform::dataset::DataSet& /*dataSet*/) {
    // A new row takes no defaults: the posting checks fill what the server needs.
}

}  // namespace Cli_Zep00700

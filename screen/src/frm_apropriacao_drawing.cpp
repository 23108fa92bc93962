// The look of the appropriation grid: descriptions instead of codes, the
// colour of a row by how its times relate to their stamps, and the alert
// icon in the duration of a row that lies outside the punched presence.
#include <QLabel>

#include "framework/indice_col.h"
#include "framework/utils.h"
#include "platform/dbcontrols/db_grid_column.h"
#include "platform/dbcontrols/grid_canvas.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

namespace {

const QColor kOpenRow(0, 128, 0);       // no end stamp yet
const QColor kRecordedLate(255, 0, 0);  // a time differs from its stamp
const QColor kIconBackground(128, 128, 0);

QString textOf(const platform::dataset::DataSet& dataSet, const char* field) {
    return QString::fromStdString(dataSet.fieldByName(field).text());
}

QString displayTextOf(const platform::dataset::DataSet& dataSet, const char* field) {
    return QString::fromStdString(dataSet.fieldByName(field).displayText());
}

}  // namespace

void TfrmApropriacao::bindDrawing() {
    // Read once: every duration cell of a flagged row copies it.
    alertBitmap_ = imgAlerta->pixmap().toImage();
    dbgAtividades->onDrawColumnCell = whileAlive(&TfrmApropriacao::dbgAtividadesDrawColumnCell);
}

void TfrmApropriacao::dbgAtividadesDrawColumnCell(platform::dbcontrols::DBGrid& /*sender*/,
                                                  platform::dbcontrols::Canvas& canvas,
                                                  const QRect& rect, int dataCol,
                                                  platform::dbcontrols::DBGridColumn& column,
                                                  platform::dbcontrols::DBGrid::DrawState state) {
    if (cdsAtividades.isEmpty()) return;
    const platform::dataset::Field* field = column.field();
    if (!field) return;

    const QString& fieldName = column.fieldName();
    QString text = fieldName == QStringLiteral("NRPLATIVTARE")
                       ? textOf(cdsAtividades, "NMPROCESSO")
                       : QString::fromStdString(field->text());
    canvas.fillRect(rect);

    // A date-time's text is its date and time to the second, and a null's
    // is empty: comparing the values says what comparing the texts would,
    // without writing four dates for every cell.
    const auto value = [this](const char* name) -> const platform::dataset::Value& {
        return cdsAtividades.fieldByName(name).value();
    };
    if (value("DTHFAPATIVTA").isNull())
        canvas.setFontColor(kOpenRow);
    else if (!(value("DTIAPATIVTAR") == value("DTHIAPATIVTA")) ||
             !(value("DTFAPATIVTAR") == value("DTHFAPATIVTA")))
        canvas.setFontColor(kRecordedLate);

    if (dataCol == framework::IndiceCol(dbgAtividades, QStringLiteral("NRTAREFA"))) {
        text = framework::AllTrim(QString::fromStdString(field->displayText()));
        using Flag = platform::dbcontrols::DBGrid::DrawFlag;
        // The cell under an editor open on a browsed row shows the number being edited.
        if (cdsAtividades.state() == platform::dataset::DataSetState::Browse &&
            dbgAtividades->editorMode() &&
            state == platform::dbcontrols::DBGrid::DrawState(Flag::Selected))
            text = displayTextOf(cdsAtividades, "NRTAREFA");
        else if (!textOf(cdsAtividades, "NRTAREFA").isEmpty())
            text = displayTextOf(cdsAtividades, "DSREFETAREFA");
    }
    canvas.textRect(rect, rect.left() + 5, rect.top() + 2, text);

    if (fieldName != QStringLiteral("QTHRAPRO")) return;
    const bool flagged = textOf(cdsAtividades, "IDCHECK") == QStringLiteral("S");
    const QString duration = QString::fromStdString(field->text());
    canvas.fillRect(rect);
    int textLeft = rect.left() + 5;
    if (flagged) {
        const int width = alertBitmap_.width();
        canvas.brushCopy(QRect(rect.left() + 1, rect.top(), width, rect.height()), alertBitmap_,
                         QRect(0, 0, width, rect.height()), kIconBackground);
        textLeft += width;
    }
    canvas.textOut(textLeft, rect.top() + 2, duration);
}

}  // namespace Cli_Zep00700

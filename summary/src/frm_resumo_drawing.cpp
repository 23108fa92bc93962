// The summary grid's look: day cells coloured by how appropriated time
// stands against punched time, a mark on days punched with no row,
// weekends shaded, the closed month in words.
#include <QPainter>

#include "month_summary.h"
#include "platform/dbcontrols/db_grid_column.h"
#include "platform/dbcontrols/grid_canvas.h"
#include "summary/frm_resumo_apropriacao.h"

namespace Cli_Zep00710 {

namespace {

const QColor kShort(0xFF, 0x00, 0x00);    // appropriated short of punched
const QColor kOver(0x00, 0x00, 0xFF);     // appropriated beyond punched
const QColor kWeekend(0xE4, 0xE4, 0xE4);  // Saturday and Sunday
const QColor kMarkColour(0xFF, 0x80, 0x00);
const QColor kMarkPaper(0xFF, 0xFF, 0xFF);  // the mark's background, taken by the cell's
constexpr int kMarkSize = 7;

/// A small triangle for a cell's top left corner (the text stands right).
QImage punchMarkImage() {
    QImage image(kMarkSize, kMarkSize, QImage::Format_RGB32);
    image.fill(kMarkPaper);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kMarkColour);
    const QPoint corner[] = {{0, 0}, {kMarkSize, 0}, {0, kMarkSize}};
    painter.drawPolygon(corner, 3);
    return image;
}

}  // namespace

void TfrmResumoApropriacao::bindDrawing() {
    punchMark_ = punchMarkImage();
    dbgResumo->onDrawColumnCell = [this](platform::dbcontrols::DBGrid& sender,
                                         platform::dbcontrols::Canvas& canvas, const QRect& rect,
                                         int dataCol, platform::dbcontrols::DBGridColumn& column,
                                         platform::dbcontrols::DBGrid::DrawState state) {
        if (!tearingDown_) dbgResumoDrawColumnCell(sender, canvas, rect, dataCol, column, state);
    };
}

void TfrmResumoApropriacao::dbgResumoDrawColumnCell(platform::dbcontrols::DBGrid& /*sender*/,
                                                    platform::dbcontrols::Canvas& canvas,
                                                    const QRect& rect, int /*dataCol*/,
                                                    platform::dbcontrols::DBGridColumn& column,
                                                    platform::dbcontrols::DBGrid::DrawState state) {
    const platform::dataset::Field* field = column.field();
    if (!field || cdsResumo.isEmpty()) return;
    const QString& fieldName = column.fieldName();
    const bool selected = state.testFlag(platform::dbcontrols::DBGrid::DrawFlag::Selected);

    if (fieldName == QStringLiteral("IDFECHADO")) {
        canvas.fillRect(rect);
        canvas.textRect(
            rect, rect.left() + 2, rect.top() + 2,
            field->text() == std::string("S") ? QStringLiteral("Sim") : QStringLiteral("Não"));
        return;
    }
    const int dayOfMonth = dayOfField(fieldName);
    if (dayOfMonth == 0) return;

    const platform::dataset::DateTime first = summary_->firstDay();
    const int weekday =
        platform::dataset::DateTime::date(first.year, first.month, dayOfMonth).dayOfWeek();
    if (!selected && (weekday == 0 || weekday == 6)) canvas.setBrushColor(kWeekend);
    canvas.fillRect(rect);

    const OperatorMonth* month =
        summary_->find(QString::fromStdString(cdsResumo.fieldByName("CDOPERADOR").text()));
    if (!month) return;
    const DayFigures day = month->day(dayOfMonth);
    switch (dayTone(day)) {
        case DayTone::Short:
            canvas.setFontColor(kShort);
            break;
        case DayTone::Over:
            canvas.setFontColor(kOver);
            break;
        case DayTone::WithinTolerance:
            break;
    }
    const QString text = dayCellText(day);
    canvas.textRect(rect, rect.right() - 3 - canvas.textWidth(text), rect.top() + 2, text);
    if (punchedWithoutRows(day))
        canvas.brushCopy(QRect(rect.left(), rect.top(), kMarkSize, kMarkSize), punchMark_,
                         QRect(0, 0, kMarkSize, kMarkSize), kMarkPaper);
}

}  // namespace Cli_Zep00710

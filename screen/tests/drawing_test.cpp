// The appropriation grid's own drawing, as the platform's grid paints it:
// where the duration stands beside the alert icon, what shows through the
// icon, and a day without rows.
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPainter>

#include "framework/indice_col.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/dbcontrols/grid_canvas.h"
#include "screen_fixture.h"

namespace Z = Cli_Zep00700;
using platform::dataset::DateTime;
using platform::dataset::Value;

namespace screen_testing {
namespace {

using DrawingTest = ScreenTest;

/// The day's rows as the server sent them, with IDCHECK changed on each.
void flagRows(platform::dataset::DataSet& cds, const std::vector<const char*>& checks) {
    platform::dataset::DataPacket packet = cds.data();
    const auto check = static_cast<std::size_t>(packet.fieldIndex("IDCHECK"));
    for (std::size_t row = 0; row < packet.rows.size() && row < checks.size(); ++row)
        packet.rows[row][check] = Value(std::string(checks[row]));
    cds.load(std::move(packet));
}

TEST_F(DrawingTest, TheIconStandsAtTheLeftOfTheDurationOnTheCellsOwnBackground) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 28));
    ASSERT_EQ(f.cdsAtividades.recordCount(), 2);
    flagRows(f.cdsAtividades, {"S", "s"});
    platform::dbcontrols::DBGrid& grid = *f.dbgAtividades;
    const int duration = framework::IndiceCol(&grid, QStringLiteral("QTHRAPRO"));
    // The flagged row's duration is the current cell: drawn on the highlight.
    ASSERT_TRUE(grid.setSelectedIndex(duration));
    const QImage shot = grid.viewport()->grab().toImage();

    const auto flagged = grid.cellDrawing(0, duration);
    const auto plain = grid.cellDrawing(1, duration);
    ASSERT_TRUE(flagged && plain);
    EXPECT_TRUE(flagged->bitmapDrawn);
    EXPECT_EQ(flagged->text, QStringLiteral("02:00:00"));
    EXPECT_EQ(flagged->textOffset, QPoint(16 + 5, 2));
    EXPECT_FALSE(plain->bitmapDrawn) << "only a capital S flags a row";
    EXPECT_EQ(plain->textOffset, grid.cellDrawing(1, 0)->textOffset)
        << "without the icon the duration stands where every text does";

    const QRect cell = grid.cellRect(0, duration);
    const qreal dpr = shot.devicePixelRatio();
    const auto pixel = [&](int x, int y) { return QColor(shot.pixel(int(x * dpr), int(y * dpr))); };
    EXPECT_EQ(pixel(cell.left() + 1, cell.top()), flagged->background);
    EXPECT_EQ(flagged->background, grid.palette().color(QPalette::Highlight));
    EXPECT_EQ(pixel(cell.left() + 1 + 8, cell.top() + 10), QColor(255, 255, 0)) << "the triangle";
    for (int x = cell.left(); x < cell.left() + 18; ++x) {
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            ASSERT_NE(pixel(x, y), QColor(128, 128, 0)) << "olive left at " << x << ", " << y;
    }
}

TEST_F(DrawingTest, TheDurationBesideTheIconFitsItsCellAtTheScreensDesignSize) {
    Screen& f = open();
    ASSERT_EQ(f.form.size(), QSize(785, 543));
    workOn(DateTime::date(2025, 3, 28));
    flagRows(f.cdsAtividades, {"S", "S"});
    platform::dbcontrols::DBGrid& grid = *f.dbgAtividades;
    grid.viewport()->grab();
    const int duration = framework::IndiceCol(&grid, QStringLiteral("QTHRAPRO"));
    const QFontMetrics metrics(grid.font());
    for (int row = 0; row < 2; ++row) {
        const auto drawn = grid.cellDrawing(row, duration);
        ASSERT_TRUE(drawn);
        ASSERT_TRUE(drawn->bitmapDrawn);
        const QRect cell = grid.cellRect(row, duration);
        // Even the widest duration, as the longest any row can show.
        for (const QString& text : {drawn->text, QStringLiteral("23:59:59")})
            EXPECT_LE(drawn->textOffset.x() + metrics.horizontalAdvance(text), cell.width())
                << "row " << row << ": \"" << text.toStdString() << "\" runs past the cell's "
                << cell.width() << " pixels";
    }
}

TEST_F(DrawingTest, ADayWithoutRowsIsLeftToTheGridsOwnDrawing) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 27));
    ASSERT_TRUE(f.cdsAtividades.active());
    ASSERT_TRUE(f.cdsAtividades.isEmpty());

    QImage image(100, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    platform::dbcontrols::Canvas canvas(painter);
    canvas.setBrushColor(Qt::black);
    const QRect rect(0, 0, 100, 20);
    for (int column = 0; column < f.dbgAtividades->columnCount(); ++column) {
        canvas.beginCell(rect);
        f.dbgAtividadesDrawColumnCell(*f.dbgAtividades, canvas, rect, column,
                                      f.dbgAtividades->column(column), {});
        const platform::dbcontrols::CellDrawing drawn = canvas.endCell();
        EXPECT_FALSE(drawn.background.isValid()) << "column " << column << " was filled";
        EXPECT_TRUE(drawn.text.isEmpty()) << "column " << column;
        EXPECT_FALSE(drawn.bitmapDrawn) << "column " << column;
    }
    EXPECT_EQ(QColor(image.pixel(50, 10)), QColor(Qt::white));
}

TEST_F(DrawingTest, TheAlertIconIsASixteenPixelSquareOnOlive) {
    Screen& f = open();
    const QImage icon = f.imgAlerta->pixmap().toImage();
    ASSERT_EQ(icon.size(), QSize(16, 16));
    EXPECT_FALSE(f.imgAlerta->isVisible());
    for (const QPoint corner : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15)})
        EXPECT_EQ(QColor(icon.pixel(corner)), QColor(128, 128, 0))
            << corner.x() << "," << corner.y();
    EXPECT_NE(QColor(icon.pixel(8, 10)), QColor(128, 128, 0));
}

}  // namespace
}  // namespace screen_testing

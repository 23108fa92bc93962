// Cell drawing: the default drawing, a draw-cell handler working on the
// canvas, what the grid records per cell, the drawing state, and a handler
// that fails.
#include <QImage>
#include <QPainter>

#include <functional>
#include <stdexcept>
#include <utility>

#include "grid_fixture.h"
#include "platform/dbcontrols/grid_canvas.h"

namespace dbtest {
namespace {

using DrawingTest = GridFixture;

const QColor kOlive(128, 128, 0);

/// A 16 × 16 icon: olive background, a yellow square in the middle.
QImage alertIcon() {
    QImage icon(16, 16, QImage::Format_RGB32);
    icon.fill(kOlive);
    QPainter p(&icon);
    p.fillRect(4, 4, 8, 8, Qt::yellow);
    return icon;
}

TEST_F(DrawingTest, the_default_drawing_shows_each_fields_display_text) {
    load(2);
    grid->viewport()->repaint();
    ASSERT_TRUE(grid->cellDrawing(1, 0).has_value());
    EXPECT_EQ(grid->cellDrawing(1, 0)->text, QStringLiteral("T2"));
    EXPECT_EQ(grid->cellDrawing(0, 1)->text, QStringLiteral("08:00:00"));
    EXPECT_EQ(grid->cellDrawing(0, 4)->text, QStringLiteral("08/12/2026 09:00:00"));
    EXPECT_EQ(grid->cellDrawing(0, 1)->textOffset, QPoint(2, 2));
    EXPECT_FALSE(grid->cellDrawing(2, 0).has_value()) << "no third row";
}

TEST_F(DrawingTest, a_handler_recolours_rewrites_and_puts_a_bitmap_over_the_default_drawing) {
    load(2);
    const QImage icon = alertIcon();
    grid->onDrawColumnCell = [&](DBGrid&, platform::dbcontrols::Canvas& canvas, const QRect& rect,
                                 int column, platform::dbcontrols::DBGridColumn& col,
                                 DBGrid::DrawState) {
        canvas.fillRect(rect);
        if (col.field()->text() == "T2" || ds.fieldByName("NRTAREFA").text() == "T2")
            canvas.setFontColor(Qt::red);
        if (column == 0) {
            canvas.setFontBold(true);
            canvas.textRect(rect, rect.left() + 5, rect.top() + 2,
                            QString::fromStdString(ds.fieldByName("DSREFETAREFA").displayText()));
        } else if (col.fieldName() == QStringLiteral("QTHRAPRO")) {
            canvas.fillRect(rect);
            canvas.brushCopy(QRect(rect.left() + 1, rect.top(), icon.width(), rect.height()), icon,
                             QRect(0, 0, icon.width(), rect.height()), kOlive);
            canvas.textOut(rect.left() + icon.width() + 5, rect.top() + 2,
                           QString::fromStdString(col.field()->text()));
        } else {
            canvas.textRect(rect, rect.left() + 5, rect.top() + 2,
                            QString::fromStdString(col.field()->text()));
        }
    };
    grid->setCellColor(QColor(255, 255, 225));
    other->setFocus();
    grid->setOption(DBGrid::Option::AlwaysShowSelection, false);
    const QImage shot = grid->viewport()->grab().toImage();

    const auto task = grid->cellDrawing(1, 0);
    ASSERT_TRUE(task.has_value());
    EXPECT_EQ(task->text, QStringLiteral("Tarefa 2")) << "the fill hid the default text";
    EXPECT_TRUE(task->bold);
    EXPECT_EQ(task->fontColor, QColor(Qt::red));
    EXPECT_EQ(grid->cellDrawing(1, 2)->fontColor, QColor(Qt::red))
        << "the colour applies to the whole row";
    EXPECT_NE(grid->cellDrawing(0, 2)->fontColor, QColor(Qt::red));

    const auto duration = grid->cellDrawing(0, 3);
    ASSERT_TRUE(duration.has_value());
    EXPECT_TRUE(duration->bitmapDrawn);
    EXPECT_EQ(duration->text, QStringLiteral("01:00:00"));
    EXPECT_EQ(duration->textOffset, QPoint(16 + 5, 2));
    EXPECT_FALSE(grid->cellDrawing(0, 1)->bitmapDrawn);

    // The olive background took the cell's colour; the icon itself is drawn.
    const QRect cell = grid->cellRect(0, 3);
    const qreal dpr = shot.devicePixelRatio();
    const auto pixel = [&](int x, int y) { return QColor(shot.pixel(int(x * dpr), int(y * dpr))); };
    EXPECT_EQ(pixel(cell.left() + 1, cell.top() + 1), QColor(255, 255, 225));
    EXPECT_EQ(pixel(cell.left() + 1 + 8, cell.top() + 8), QColor(Qt::yellow));
}

TEST_F(DrawingTest, the_drawing_state_tells_selected_and_focused_cells) {
    load(2);
    std::vector<DBGrid::DrawState> cellStates;
    grid->onDrawColumnCell = [&](DBGrid&, platform::dbcontrols::Canvas&, const QRect& rect, int,
                                 platform::dbcontrols::DBGridColumn&, DBGrid::DrawState state) {
        if (rect == grid->cellRect(0, 1)) cellStates.push_back(state);
    };
    grid->setSelectedIndex(1);
    focusGrid();
    grid->viewport()->repaint();
    ASSERT_FALSE(cellStates.empty());
    EXPECT_EQ(cellStates.back(),
              DBGrid::DrawState(DBGrid::DrawFlag::Selected) | DBGrid::DrawFlag::Focused);

    press(Qt::Key_F2);  // the editor holds the focus now
    grid->viewport()->repaint();
    EXPECT_EQ(cellStates.back(), DBGrid::DrawState(DBGrid::DrawFlag::Selected));

    press(Qt::Key_Escape);
    other->setFocus();
    grid->viewport()->repaint();
    EXPECT_EQ(cellStates.back(), DBGrid::DrawState(DBGrid::DrawFlag::Selected))
        << "always show selection";
    grid->setOption(DBGrid::Option::AlwaysShowSelection, false);
    grid->viewport()->repaint();
    EXPECT_EQ(cellStates.back(), DBGrid::DrawState());
}

TEST_F(DrawingTest, a_failing_handler_is_reported_once_after_the_paint_and_the_cells_still_draw) {
    load(2);
    grid->onDrawColumnCell = [](DBGrid&, platform::dbcontrols::Canvas&, const QRect&, int,
                                platform::dbcontrols::DBGridColumn&, DBGrid::DrawState) {
        throw std::runtime_error("falha ao desenhar");
    };
    grid->viewport()->repaint();
    EXPECT_TRUE(dialogs.shown().empty()) << "nothing is shown from inside the paint";
    QApplication::processEvents();
    EXPECT_EQ(dialogs.texts(Kind::Error), QStringList({QStringLiteral("falha ao desenhar")}));
    EXPECT_EQ(grid->cellDrawing(1, 0)->text, QStringLiteral("T2")) << "the default drawing stands";
}

TEST_F(DrawingTest, an_inserted_row_is_drawn_with_its_unposted_values) {
    load(2);
    focusGrid();
    press(Qt::Key_Down);
    press(Qt::Key_Insert);
    type(QStringLiteral("NOVO"));
    press(Qt::Key_Tab);
    grid->viewport()->repaint();
    EXPECT_EQ(grid->cellDrawing(1, 0)->text, QStringLiteral("NOVO"));
    EXPECT_EQ(grid->cellDrawing(2, 0)->text, QStringLiteral("T2"));
}

TEST_F(DrawingTest, with_row_select_the_whole_current_row_is_selected_and_nothing_is_typed_into) {
    load(2);
    grid->setOptions(DBGrid::Options(DBGrid::Option::Titles) | DBGrid::Option::RowSelect |
                     DBGrid::Option::Editing);
    std::map<int, DBGrid::DrawState> rowZero;
    grid->onDrawColumnCell = [&](DBGrid&, platform::dbcontrols::Canvas&, const QRect& rect,
                                 int column, platform::dbcontrols::DBGridColumn&,
                                 DBGrid::DrawState state) {
        if (rect.top() == grid->cellRect(0, 0).top()) rowZero[column] = state;
    };
    focusGrid();
    grid->viewport()->repaint();
    ASSERT_EQ(rowZero.size(), 5u);
    for (const auto& [column, state] : rowZero)
        EXPECT_TRUE(state.testFlag(DBGrid::DrawFlag::Selected)) << column;
    EXPECT_FALSE(grid->cellDrawing(1, 0)->background == grid->cellDrawing(0, 0)->background);
    type(QStringLiteral("x"));
    press(Qt::Key_F2);
    EXPECT_FALSE(grid->editorMode());
    EXPECT_EQ(ds.state(), DataSetState::Browse);
}

TEST_F(DrawingTest, a_held_default_drawing_is_dropped_under_a_whole_fill_and_done_otherwise) {
    // Half-transparent white over black text: what was drawn underneath shows through.
    const auto darkPixels = [](const QImage& image) {
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 100) ++dark;
        return dark;
    };
    const QRect cell(0, 0, 60, 20);
    const auto draw = [&](const std::function<void(platform::dbcontrols::Canvas&)>& handler) {
        QImage image(60, 20, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        platform::dbcontrols::Canvas canvas(painter);
        canvas.beginCell(cell);
        canvas.setBrushColor(Qt::white);
        canvas.setFontColor(Qt::black);
        canvas.holdDrawings(true);
        canvas.fillRect(cell);
        canvas.textRect(cell, 2, 2, QStringLiteral("WWWWWW"));
        canvas.holdDrawings(false);
        handler(canvas);
        canvas.flushHeld();
        const platform::dbcontrols::CellDrawing drawn = canvas.endCell();
        painter.end();
        return std::pair{darkPixels(image), drawn};
    };

    const auto [overWhole, wholeDrawing] = draw([&](platform::dbcontrols::Canvas& c) {
        c.setBrushColor(QColor(255, 255, 255, 128));
        c.fillRect(cell);
    });
    EXPECT_EQ(overWhole, 0) << "the held text was never drawn";
    EXPECT_TRUE(wholeDrawing.text.isEmpty());

    const auto [nothing, nothingDrawing] = draw([](platform::dbcontrols::Canvas&) {});
    EXPECT_GT(nothing, 0) << "a handler that draws nothing leaves the default drawing";
    EXPECT_EQ(nothingDrawing.text, QStringLiteral("WWWWWW"));

    const auto [overPart, partDrawing] = draw([&](platform::dbcontrols::Canvas& c) {
        c.setBrushColor(QColor(255, 255, 255, 128));
        c.fillRect(QRect(30, 0, 30, 20));
    });
    EXPECT_GT(overPart, 0) << "a part filled: the default drawing is done first, as asked";
    EXPECT_EQ(partDrawing.text, QStringLiteral("WWWWWW"));
}

}  // namespace
}  // namespace dbtest

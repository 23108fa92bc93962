#include "grid_repaint.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "platform/dataset/data_set.h"
#include "platform/dbcontrols/db_grid.h"
#include "screen/frm_apropriacao_access.h"

namespace screen_bench {

namespace {

constexpr int kRows = 200;
constexpr double kGoalMs = 5;

/// kRows rows made from the day the screen shows: every fifth open, every
/// fifth recorded late, every fifth flagged outside the punches.
void loadBusyDay(platform::dataset::DataSet& cds) {
    platform::dataset::DataPacket day = cds.data();
    if (day.rows.empty()) throw std::runtime_error("the grid benchmark needs a loaded day");
    const auto column = [&day](const char* name) {
        const int index = day.fieldIndex(name);
        if (index < 0) throw std::runtime_error(std::string("the day has no field ") + name);
        return static_cast<std::size_t>(index);
    };
    const std::size_t endStamp = column("DTHFAPATIVTA"), startStamp = column("DTHIAPATIVTA");
    const std::size_t check = column("IDCHECK"), start = column("DTIAPATIVTAR");
    std::vector<platform::dataset::Row> rows;
    for (int i = 0; i < kRows; ++i) {
        platform::dataset::Row row = day.rows[static_cast<std::size_t>(i) % day.rows.size()];
        row[startStamp] = row[start];
        if (i % 5 == 1) row[endStamp] = platform::dataset::Value();
        if (i % 5 == 2)
            row[startStamp] = platform::dataset::Value(row[start].asDateTime().addSeconds(61));
        row[check] = platform::dataset::Value(std::string(i % 5 == 3 ? "S" : "N"));
        rows.push_back(std::move(row));
    }
    day.rows = std::move(rows);
    cds.load(std::move(day));
}

struct Figures {
    double median = 0, p90 = 0, max = 0;
};

Figures figuresOf(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 9 / 10)], ms.back()};
}

/// Times `repaints` synchronous paints of the grid's viewport; `before`
/// runs untimed ahead of each (a scroll step, say).
template <typename Before>
Figures timeRepaints(platform::dbcontrols::DBGrid& grid, int repaints, Before before) {
    std::vector<double> ms;
    for (int i = 0; i < repaints; ++i) {
        before(i);
        QElapsedTimer t;
        t.start();
        grid.viewport()->repaint();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    return figuresOf(std::move(ms));
}

int drawnRows(const platform::dbcontrols::DBGrid& grid) {
    int rows = 0;
    for (int row = 0; row < grid.rowCount(); ++row) rows += grid.cellDrawing(row, 0).has_value();
    return rows;
}

void print(const char* what, const Figures& f, int rowsDrawn, bool goal) {
    std::printf("%-26s median %6.3f ms  p90 %6.3f ms  max %6.3f ms  (%3d rows drawn)", what,
                f.median, f.p90, f.max, rowsDrawn);
    if (goal) std::printf("  goal %.0f ms: %s", kGoalMs, f.median <= kGoalMs ? "met" : "NOT met");
    std::printf("\n");
}

}  // namespace

void measureGridRepaint(Cli_Zep00700::TfrmApropriacaoAccess& form, int repaints) {
    platform::dbcontrols::DBGrid& grid = *form.dbgAtividades;
    loadBusyDay(form.cdsAtividades);
    QCoreApplication::processEvents();
    if (grid.rowCount() != kRows) throw std::runtime_error("the grid does not show the 200 rows");
    std::printf("\nthe appropriation grid with %d rows (%d columns), %d repaints each\n", kRows,
                grid.columnCount(), repaints);

    // Warm: fonts, glyphs and the icon's first copy are not what is measured.
    timeRepaints(grid, 3, [](int) {});
    const Figures whole = timeRepaints(grid, repaints, [](int) {});
    print("repaint at design size", whole, drawnRows(grid), true);

    QScrollBar* bar = grid.verticalScrollBar();
    const int steps = bar->maximum() / std::max(1, bar->singleStep()) + 1;
    const Figures scrolled = timeRepaints(grid, repaints, [&](int i) {
        bar->setValue((i % steps) * bar->singleStep());
        QCoreApplication::processEvents();
    });
    print("repaint after a scroll step", scrolled, drawnRows(grid), true);
    bar->setValue(0);

    // Every row in view: the grid made as tall as the day, outside the screen.
    platform::dbcontrols::DBGrid tall;
    tall.setOptions(grid.options());
    tall.setDataSource(grid.dataSource());
    std::vector<platform::dbcontrols::DBGridColumnDef> columns;
    for (int i = 0; i < grid.columnCount(); ++i) {
        const platform::dbcontrols::DBGridColumn& c = grid.column(i);
        columns.push_back({c.fieldName(), c.width(), c.title(), c.readOnly(), c.buttonStyle()});
    }
    tall.setColumns(columns);
    tall.onDrawColumnCell = grid.onDrawColumnCell;
    tall.resize(grid.width(), (kRows + 2) * (tall.rowHeight() + 1) + 40);
    tall.show();
    QCoreApplication::processEvents();
    timeRepaints(tall, 3, [](int) {});
    const Figures all = timeRepaints(tall, repaints, [](int) {});
    print("repaint, all rows in view", all, drawnRows(tall), false);
    // What of it is the platform's own drawing of the cells, which the
    // screen keeps on beneath its own.
    tall.onDrawColumnCell = nullptr;
    const Figures platformOnly = timeRepaints(tall, repaints, [](int) {});
    print("  the platform's part", platformOnly, drawnRows(tall), false);
    tall.hide();
}

}  // namespace screen_bench

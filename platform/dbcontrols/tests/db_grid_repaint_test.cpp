// What a change of the grid's data repaints: only what it changes.
#include <QScrollBar>

#include "grid_fixture.h"
#include "paint_counter.h"

namespace dbtest {
namespace {

using RepaintTest = GridFixture;

TEST_F(RepaintTest, new_data_of_the_same_extent_repaints_the_rows_and_not_the_scroll_bars) {
    load(30);          // more rows than fit: the vertical bar is shown
    QTest::qWait(50);  // everything the first showing drew, drawn
    QScrollBar* bar = grid->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    const int maximum = bar->maximum();
    PaintCounter barPaints(bar), rowPaints(grid->viewport());

    // A load closes the data set and opens it again: the bar's range
    // would go to nothing and back.
    load(30);
    ds.next();
    QCoreApplication::processEvents();
    EXPECT_GE(rowPaints.count, 1);
    EXPECT_EQ(barPaints.count, 0);
    EXPECT_EQ(bar->maximum(), maximum);

    load(40);  // a longer day: the bar's range grows and is drawn so
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->maximum(), maximum + 10);
    EXPECT_GE(barPaints.count, 1);

    ds.close();  // and a closed data set leaves no rows to scroll
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->maximum(), 0);
}

}  // namespace
}  // namespace dbtest

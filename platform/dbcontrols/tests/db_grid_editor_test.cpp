// The in-place editor: the field's edit mask, read-only columns and fields,
// the editing option, and the ellipsis button with its event.
#include "grid_fixture.h"

namespace dbtest {
namespace {

using EditorTest = GridFixture;

TEST_F(EditorTest, the_editor_types_through_the_fields_edit_mask) {
    load(1);
    focusGrid();
    grid->setSelectedIndex(1);  // HORAINI, mask "!90:00:00;1; "
    press(Qt::Key_F2);
    ASSERT_TRUE(grid->editorMode());
    EXPECT_EQ(grid->editorText(), QStringLiteral("08:00:00"));
    type(QStringLiteral("8:3000"));
    press(Qt::Key_Return);  // writes the text, closes the editor
    EXPECT_FALSE(grid->editorMode());
    EXPECT_EQ(text("HORAINI"), " 8:30:00") << "an hour typed as one digit keeps its leading blank";
}

TEST_F(EditorTest, letters_are_refused_by_a_time_mask) {
    load(1);
    focusGrid();
    grid->setSelectedIndex(2);
    press(Qt::Key_F2);
    type(QStringLiteral("ab"));
    EXPECT_EQ(grid->editorText(), QStringLiteral("09:00:00"));
    EXPECT_EQ(ds.state(), DataSetState::Browse) << "a refused key starts no edit";
}

TEST_F(EditorTest, a_column_or_field_marked_read_only_opens_no_editor) {
    load(1);
    focusGrid();
    grid->setSelectedIndex(4);  // DTHFAPATIVTA, read-only column
    press(Qt::Key_F2);
    type(QStringLiteral("1"));
    EXPECT_FALSE(grid->editorMode());
    EXPECT_EQ(ds.state(), DataSetState::Browse);

    ds.fieldByName("QTHRAPRO").setReadOnly(true);
    grid->setSelectedIndex(3);
    press(Qt::Key_F2);
    EXPECT_FALSE(grid->editorMode());
}

TEST_F(EditorTest, making_the_column_read_only_closes_its_open_editor_and_back) {
    load(1);
    focusGrid();
    grid->setSelectedIndex(1);
    press(Qt::Key_F2);
    ASSERT_TRUE(grid->editorMode());
    grid->column(1).setReadOnly(true);
    EXPECT_FALSE(grid->editorMode());
    type(QStringLiteral("1"));
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    grid->column(1).setReadOnly(false);
    type(QStringLiteral("1"));
    EXPECT_TRUE(grid->editorMode());
    EXPECT_EQ(ds.state(), DataSetState::Edit);
}

TEST_F(EditorTest, switching_editing_off_for_a_column_keeps_its_cells_from_being_typed_into) {
    load(1);
    grid->onColEnter = [](DBGrid& g) {
        g.setOption(DBGrid::Option::Editing, g.selectedField()->name() != "QTHRAPRO");
    };
    focusGrid();
    grid->setSelectedIndex(3);
    type(QStringLiteral("5"));
    EXPECT_FALSE(grid->editorMode());
    EXPECT_EQ(text("QTHRAPRO"), "01:00:00");
    press(Qt::Key_Left);
    type(QStringLiteral("5"));
    EXPECT_TRUE(grid->editorMode());
}

TEST_F(EditorTest, the_ellipsis_shows_only_in_the_current_cell_of_its_column) {
    load(2);
    focusGrid();
    EXPECT_TRUE(grid->columnShowsButton(0));
    EXPECT_FALSE(grid->columnShowsButton(1));
    EXPECT_FALSE(grid->editButtonRect().isEmpty());
    grid->setSelectedIndex(1);
    EXPECT_FALSE(grid->columnShowsButton(0));
    EXPECT_TRUE(grid->editButtonRect().isEmpty());
    grid->setSelectedIndex(0);
    grid->column(0).setButtonStyle(ColumnButtonStyle::None);
    EXPECT_FALSE(grid->columnShowsButton(0));
}

TEST_F(EditorTest, clicking_the_ellipsis_or_ctrl_enter_raises_the_edit_button_event) {
    load(2);
    int clicks = 0;
    grid->onEditButtonClick = [&](DBGrid& g) {
        ++clicks;
        EXPECT_EQ(g.selectedField()->name(), "NRTAREFA");
        ds.edit();
        ds.fieldByName("NRTAREFA").setText("PICKED");
    };
    focusGrid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->editButtonRect().center());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(text("NRTAREFA"), "PICKED");
    press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(clicks, 2);
    grid->setSelectedIndex(1);
    press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(clicks, 2) << "a column without the button raises nothing";
}

TEST_F(EditorTest,
       text_typed_before_the_ellipsis_is_written_first_and_the_pick_shows_in_the_editor) {
    load(1);
    std::string seen;
    grid->onEditButtonClick = [&](DBGrid&) {
        seen = text("NRTAREFA");
        ds.fieldByName("NRTAREFA").setText("PICKED");
    };
    focusGrid();
    type(QStringLiteral("TYPED"));
    press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(seen, "TYPED");
    EXPECT_EQ(grid->editorText(), QStringLiteral("PICKED"));
    press(Qt::Key_Down);  // posting must not bring the typed text back
    ds.first();
    EXPECT_EQ(text("NRTAREFA"), "PICKED");
}

TEST_F(EditorTest, an_open_editor_follows_a_field_written_by_code) {
    load(1);
    focusGrid();
    grid->setSelectedIndex(1);
    press(Qt::Key_F2);
    ds.edit();
    ds.fieldByName("HORAINI").setText("10:15:00");
    EXPECT_EQ(grid->editorText(), QStringLiteral("10:15:00"));
}

TEST_F(EditorTest, a_click_on_the_current_cell_of_a_focused_grid_opens_the_editor) {
    load(2);
    other->setFocus();
    click(0, 1);  // the first click only brings the focus and the cell
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_EQ(grid->selectedIndex(), 1);
    EXPECT_FALSE(grid->editorMode());
    click(0, 1);
    EXPECT_TRUE(grid->editorMode());
    EXPECT_TRUE(grid->editorWidget()->hasFocus());
}

TEST_F(EditorTest, dragging_a_title_edge_resizes_the_column_only_with_the_option) {
    load(1);
    const int edge = grid->cellRect(0, 1).right() + 1;
    const int y = grid->rowHeight() / 2;
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
    QTest::mouseMove(grid->viewport(), QPoint(edge + 30, y));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, QPoint(edge + 30, y));
    EXPECT_EQ(grid->column(1).width(), 66 + 30);

    grid->setOption(DBGrid::Option::ColumnResize, false);
    const int edge2 = grid->cellRect(0, 1).right() + 1;
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, QPoint(edge2, y));
    QTest::mouseMove(grid->viewport(), QPoint(edge2 + 30, y));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, QPoint(edge2 + 30, y));
    EXPECT_EQ(grid->column(1).width(), 66 + 30);
}

}  // namespace
}  // namespace dbtest

namespace dbtest {
namespace {

/// Counts the focus the watched widget receives.
struct FocusIns : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) ++count;
        return false;
    }
};

TEST_F(EditorTest, closing_a_focused_editor_keeps_the_focus_in_the_grid_without_a_hop_elsewhere) {
    load(2);
    FocusIns otherFocusIns;
    other->installEventFilter(&otherFocusIns);
    focusGrid();
    grid->setSelectedIndex(1);
    press(Qt::Key_F2);
    ASSERT_TRUE(grid->editorMode());
    ASSERT_EQ(focused(), grid->editorWidget());

    press(Qt::Key_Down);  // another row: the editor closes
    EXPECT_FALSE(grid->editorMode());
    EXPECT_EQ(focused(), grid);
    EXPECT_EQ(otherFocusIns.count, 0) << "the next control never had the focus";
}

}  // namespace
}  // namespace dbtest

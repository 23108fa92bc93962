// The grid's row rules: posting on leaving a modified row, cancelling an
// unmodified new row, Insert and Ctrl+Delete, Down on the last row, Esc,
// refusals of the data set, and cancel on exit.
#include "grid_fixture.h"
#include "platform/dataset/errors.h"

namespace dbtest {
namespace {

using RowsTest = GridFixture;

TEST_F(RowsTest, typing_starts_the_edit_and_leaving_the_row_posts_it) {
    load(3);
    int posts = 0;
    ds.events.afterPost = [&](DataSet&) { ++posts; };
    focusGrid();
    type(QStringLiteral("T9"));
    EXPECT_EQ(ds.state(), DataSetState::Edit);
    EXPECT_TRUE(grid->editorMode());
    EXPECT_EQ(grid->editorText(), QStringLiteral("T9"));
    press(Qt::Key_Down);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_FALSE(grid->editorMode());
    ds.first();
    EXPECT_EQ(text("NRTAREFA"), "T9");
}

TEST_F(RowsTest, clicking_another_row_posts_the_modified_row) {
    load(3);
    focusGrid();
    type(QStringLiteral("X"));
    click(2, 1);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(grid->currentRow(), 2);
    EXPECT_EQ(grid->selectedIndex(), 1);
    EXPECT_EQ(ds.changeCount(), 1);
}

TEST_F(RowsTest, insert_key_inserts_and_leaving_the_unmodified_new_row_cancels_it) {
    load(3);
    focusGrid();
    press(Qt::Key_Down);  // row 1
    press(Qt::Key_Insert);
    ASSERT_EQ(ds.state(), DataSetState::Insert);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->rowCount(), 4);
    press(Qt::Key_Down);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->currentRow(), 1) << "the row shown below the new one is current";
    EXPECT_EQ(text("NRTAREFA"), "T2");
    EXPECT_EQ(ds.changeCount(), 0);
}

TEST_F(RowsTest, a_row_started_by_code_while_the_editor_has_the_focus_stays_in_the_grid) {
    // A toolbar's insert: the editor closes as the new row starts; the focus
    // must not pass through the next control, which would cancel the row.
    load(2);
    focusGrid();
    grid->setEditorMode(true);
    ASSERT_TRUE(grid->editorWidget() && grid->editorWidget()->hasFocus());
    QWidget* sawFocus = nullptr;
    QObject::connect(qApp, &QApplication::focusChanged, grid, [&](QWidget*, QWidget* now) {
        if (now == other) sawFocus = now;
    });
    ds.append();
    EXPECT_EQ(ds.state(), DataSetState::Insert);
    EXPECT_EQ(sawFocus, nullptr) << "the focus went through the next control";
    EXPECT_TRUE(grid->hasFocus() || (grid->editorWidget() && grid->editorWidget()->hasFocus()));
}

TEST_F(RowsTest, insert_in_the_open_editor_posts_the_typed_row_and_starts_a_new_one) {
    load(2);
    focusGrid();
    type(QStringLiteral("NEW"));
    press(Qt::Key_Insert);
    EXPECT_EQ(ds.state(), DataSetState::Insert);
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_EQ(ds.changeCount(), 1) << "the edited row was posted first";
}

TEST_F(RowsTest, a_click_below_a_cancelled_new_row_lands_on_the_row_clicked) {
    load(3);
    focusGrid();
    press(Qt::Key_Insert);  // new row shown at 0, T1..T3 at 1..3
    click(2, 0);            // the row showing T2
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(text("NRTAREFA"), "T2");
}

TEST_F(RowsTest, a_click_below_a_posted_new_row_lands_on_the_row_clicked) {
    load(3);
    focusGrid();
    press(Qt::Key_Insert);
    type(QStringLiteral("NEW"));
    click(2, 0);  // the row showing T2; the new row is posted above it
    EXPECT_EQ(ds.recordCount(), 4);
    EXPECT_EQ(text("NRTAREFA"), "T2");
}

TEST_F(RowsTest, down_on_the_last_row_appends_once_and_up_cancels_the_empty_row) {
    load(2);
    focusGrid();
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    ASSERT_EQ(ds.state(), DataSetState::Insert);
    EXPECT_TRUE(ds.appending());
    EXPECT_EQ(grid->currentRow(), 2);
    press(Qt::Key_Down);  // an empty appended row is not followed by another
    EXPECT_EQ(grid->rowCount(), 3);
    press(Qt::Key_Up);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->currentRow(), 1);
}

TEST_F(RowsTest, without_editing_down_on_the_last_row_and_insert_do_nothing) {
    load(1);
    grid->setOption(DBGrid::Option::Editing, false);
    focusGrid();
    press(Qt::Key_Down);
    press(Qt::Key_Insert);
    type(QStringLiteral("x"));
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(grid->rowCount(), 1);
    EXPECT_FALSE(grid->editorMode());
}

TEST_F(RowsTest, esc_first_restores_the_editor_text_then_cancels_the_row) {
    load(2);
    focusGrid();
    grid->setSelectedIndex(0);
    type(QStringLiteral("AB"));
    press(Qt::Key_Tab);  // the text goes into the field; the row stays in edit
    ASSERT_EQ(text("NRTAREFA"), "AB");
    type(QStringLiteral("1"));
    ASSERT_NE(grid->editorText(), QStringLiteral("08:00:00"));
    press(Qt::Key_Escape);
    EXPECT_EQ(grid->editorText(), QStringLiteral("08:00:00"))
        << "first Esc: the field's text again";
    EXPECT_EQ(ds.state(), DataSetState::Edit);
    press(Qt::Key_Escape);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(text("NRTAREFA"), "T1");
    EXPECT_EQ(ds.changeCount(), 0);
}

TEST_F(RowsTest, ctrl_delete_asks_and_deletes_only_on_yes) {
    load(3);
    focusGrid();
    dialogs.queueConfirmation(false);
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds.recordCount(), 3);
    dialogs.queueConfirmation(true);
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_EQ(text("NRTAREFA"), "T2");
    EXPECT_EQ(
        dialogs.texts(Kind::Confirmation),
        QStringList({QStringLiteral("Excluir registro?"), QStringLiteral("Excluir registro?")}));
}

TEST_F(RowsTest, ctrl_delete_without_confirm_deletes_at_once_and_a_read_only_grid_never_deletes) {
    load(3);
    grid->setOption(DBGrid::Option::ConfirmDelete, false);
    focusGrid();
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds.recordCount(), 2);
    grid->setReadOnly(true);
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(RowsTest, a_refused_delete_keeps_the_row_silently) {
    load(2);
    ds.events.beforeDelete = [](DataSet&) { throw platform::dataset::Abort(); };
    grid->setOption(DBGrid::Option::ConfirmDelete, false);
    focusGrid();
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(RowsTest, a_refused_edit_leaves_the_cell_as_it_was_without_a_message) {
    load(1);
    ds.events.beforeEdit = [](DataSet&) { throw platform::dataset::Abort(); };
    focusGrid();
    type(QStringLiteral("Z"));
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(text("NRTAREFA"), "T1");
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_NE(grid->editorText(), QStringLiteral("Z"));
}

TEST_F(RowsTest, a_refused_post_keeps_the_row_and_shows_the_message) {
    load(2);
    ds.events.beforePost = [](DataSet&) { throw std::runtime_error("Tarefa deve ser informada."); };
    focusGrid();
    type(QStringLiteral("Q"));
    press(Qt::Key_Down);
    EXPECT_EQ(ds.state(), DataSetState::Edit);
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_EQ(dialogs.texts(Kind::Error),
              QStringList({QStringLiteral("Tarefa deve ser informada.")}));
}

TEST_F(RowsTest, leaving_the_grid_cancels_an_unmodified_new_row_and_keeps_a_modified_one) {
    load(1);
    focusGrid();
    press(Qt::Key_Insert);
    focus->setFocusTo(other);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(ds.recordCount(), 1);

    focusGrid();
    press(Qt::Key_Insert);
    type(QStringLiteral("N1"));
    focus->setFocusTo(other);
    EXPECT_EQ(ds.state(), DataSetState::Insert);
    EXPECT_EQ(text("NRTAREFA"), "N1") << "the editor's text was written on leaving";
}

TEST_F(RowsTest, without_cancel_on_exit_an_unmodified_new_row_survives_leaving_the_grid) {
    load(1);
    grid->setOption(DBGrid::Option::CancelOnExit, false);
    focusGrid();
    press(Qt::Key_Insert);
    focus->setFocusTo(other);
    EXPECT_EQ(ds.state(), DataSetState::Insert);
}

}  // namespace
}  // namespace dbtest

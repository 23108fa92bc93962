// Columns, the selected field, column enter/exit with their veto, Tab, and
// the fields' focus requests.
#include <stdexcept>

#include <QHelpEvent>
#include <QToolTip>

#include "platform/dataset/errors.h"

#include "grid_fixture.h"

namespace dbtest {
namespace {

using ColumnsTest = GridFixture;

TEST_F(ColumnsTest, default_columns_are_the_visible_fields_titled_by_their_labels) {
    load(1);
    grid->setColumns({});
    ASSERT_EQ(grid->columnCount(), 5);  // DSREFETAREFA is hidden
    EXPECT_EQ(grid->column(0).fieldName(), QStringLiteral("HORAINI"));
    EXPECT_EQ(grid->column(0).title(), QString::fromUtf8("Hora Início"));
    EXPECT_EQ(grid->column(3).title(), QStringLiteral("Fim Ap."));
    // Display width 12 of a time field against a date-time's 19 characters.
    EXPECT_LT(grid->column(0).width(), grid->column(3).width());
    EXPECT_EQ(grid->columnIndex(QStringLiteral("qthrapro")), 4);
    EXPECT_EQ(grid->columnIndex(QStringLiteral("DSREFETAREFA")), -1);
}

TEST_F(ColumnsTest, declared_columns_keep_order_widths_titles_and_flags) {
    load(1);
    EXPECT_EQ(grid->columnCount(), 5);
    EXPECT_EQ(grid->column(0).fieldName(), QStringLiteral("NRTAREFA"));
    EXPECT_EQ(grid->column(0).width(), 120);
    EXPECT_EQ(grid->column(0).title(), QStringLiteral("Tarefa"));
    EXPECT_TRUE(grid->column(4).readOnly());
    EXPECT_FALSE(grid->column(1).readOnly());
    EXPECT_EQ(grid->selectedIndex(), 0);
    ASSERT_NE(grid->selectedField(), nullptr);
    EXPECT_EQ(grid->selectedField()->name(), "NRTAREFA");
}

TEST_F(ColumnsTest, tab_runs_exit_of_the_column_left_then_enter_of_the_column_entered) {
    load(2);
    std::vector<std::string> log;
    grid->onColExit = [&](DBGrid& g) { log.push_back("exit " + g.selectedField()->name()); };
    grid->onColEnter = [&](DBGrid& g) { log.push_back("enter " + g.selectedField()->name()); };
    focusGrid();
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    press(Qt::Key_Backtab);
    EXPECT_EQ(log, (std::vector<std::string>{"exit NRTAREFA", "enter HORAINI", "exit HORAINI",
                                             "enter HORAFIN", "exit HORAFIN", "enter HORAINI"}));
    EXPECT_EQ(grid->selectedIndex(), 1);
    EXPECT_TRUE(grid->hasFocus()) << "Tab stays inside the grid";
}

TEST_F(ColumnsTest, tab_from_the_last_column_goes_to_the_first_column_of_the_next_row) {
    load(2);
    focusGrid();
    grid->setSelectedIndex(4);
    press(Qt::Key_Tab);
    EXPECT_EQ(grid->selectedIndex(), 0);
    EXPECT_EQ(grid->currentRow(), 1);
    press(Qt::Key_Backtab);
    EXPECT_EQ(grid->selectedIndex(), 4);
    EXPECT_EQ(grid->currentRow(), 0);
}

TEST_F(ColumnsTest, without_the_tabs_option_tab_leaves_the_grid) {
    load(1);
    grid->setOption(DBGrid::Option::Tabs, false);
    focusGrid();
    press(Qt::Key_Tab);
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(grid->selectedIndex(), 0);
}

TEST_F(ColumnsTest, an_error_from_column_exit_keeps_the_cell_and_is_shown_once) {
    load(2);
    int enters = 0;
    grid->onColExit = [](DBGrid& g) {
        if (g.selectedField()->name() == "HORAINI")
            throw std::runtime_error("12:60:00 não é uma hora válida.");
    };
    grid->onColEnter = [&](DBGrid&) { ++enters; };
    focusGrid();
    press(Qt::Key_Tab);  // NRTAREFA -> HORAINI
    ASSERT_EQ(enters, 1);
    press(Qt::Key_Tab);  // refused
    click(1, 3);         // refused too: neither the column nor the row changes
    EXPECT_EQ(grid->selectedIndex(), 1);
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(dialogs.texts(Kind::Error),
              QStringList({QString::fromUtf8("12:60:00 não é uma hora válida."),
                           QString::fromUtf8("12:60:00 não é uma hora válida.")}));
}

TEST_F(ColumnsTest, a_silent_abort_from_column_exit_keeps_the_cell_without_a_message) {
    load(1);
    grid->onColExit = [](DBGrid&) { throw platform::dataset::Abort(); };
    focusGrid();
    press(Qt::Key_Right);
    EXPECT_EQ(grid->selectedIndex(), 0);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(ColumnsTest, a_column_exit_that_focuses_a_field_itself_decides_where_the_cell_goes) {
    load(1);
    int enters = 0;
    grid->onColEnter = [&](DBGrid&) { ++enters; };
    grid->onColExit = [&](DBGrid& g) {
        if (g.selectedField()->name() == "HORAINI") ds.fieldByName("HORAFIN").focusControl();
    };
    focusGrid();
    grid->setSelectedIndex(1);
    enters = 0;
    press(Qt::Key_Left);  // asks for NRTAREFA; the handler sends it to HORAFIN
    EXPECT_EQ(grid->selectedField()->name(), "HORAFIN");
    EXPECT_EQ(enters, 1) << "one enter, for the column the handler chose";
}

TEST_F(ColumnsTest,
       a_field_focus_request_selects_its_column_and_takes_the_focus_through_the_manager) {
    load(1);
    std::vector<std::string> log;
    focus->setOnExit(other, [&] { log.push_back("other exit"); });
    focus->setOnEnter(grid, [&] { log.push_back("grid enter"); });
    grid->onColEnter = [&](DBGrid& g) { log.push_back("enter " + g.selectedField()->name()); };
    focus->setFocusTo(other);
    ASSERT_TRUE(other->hasFocus());

    EXPECT_TRUE(ds.fieldByName("HORAFIN").focusControl());
    EXPECT_EQ(grid->selectedField()->name(), "HORAFIN");
    EXPECT_TRUE(grid->editorMode());
    EXPECT_TRUE(grid->editorWidget()->hasFocus());
    EXPECT_EQ(log, (std::vector<std::string>{"enter HORAFIN", "other exit", "grid enter"}));
    // A field the grid does not show is not the grid's to take.
    EXPECT_FALSE(ds.fieldByName("DSREFETAREFA").focusControl());
}

TEST_F(ColumnsTest, a_refused_exit_of_the_focused_control_keeps_the_focus_there) {
    load(1);
    focus->setOnExit(other, [] { throw platform::dataset::Abort(); });
    focus->setFocusTo(other);
    EXPECT_FALSE(ds.fieldByName("HORAINI").focusControl());
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(grid->selectedField()->name(), "HORAINI")
        << "the column is selected before the focus moves";
}

TEST_F(ColumnsTest, selecting_a_field_by_code_runs_the_column_events_and_reports_the_veto) {
    load(1);
    grid->onColExit = [](DBGrid&) { throw std::runtime_error("no"); };
    EXPECT_THROW(grid->setSelectedField(QStringLiteral("HORAINI")), std::runtime_error);
    EXPECT_EQ(grid->selectedIndex(), 0);
    grid->onColExit = nullptr;
    EXPECT_TRUE(grid->setSelectedField(ds.fieldByName("QTHRAPRO")));
    EXPECT_EQ(grid->selectedIndex(), 3);
    EXPECT_FALSE(grid->setSelectedField(QStringLiteral("NOSUCH")));
}

TEST_F(ColumnsTest, click_cell_takes_the_focus_through_the_manager_and_moves_like_a_click) {
    load(3);
    focus->setFocusTo(other);
    focus->setOnExit(other, [] { throw std::runtime_error("Operador deve ser informado."); });
    grid->clickCell(2, 1);
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(grid->currentRow(), 0) << "a refused focus move is a refused click";
    EXPECT_EQ(dialogs.texts(Kind::Error),
              QStringList({QStringLiteral("Operador deve ser informado.")}));

    focus->setOnExit(other, nullptr);
    grid->clickCell(2, 1);
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_EQ(grid->currentRow(), 2);
    EXPECT_EQ(grid->selectedIndex(), 1);
    EXPECT_FALSE(grid->editorMode());
    grid->clickCell(2, 1);
    EXPECT_TRUE(grid->editorMode())
        << "a click on the current cell of a focused grid opens the editor";
}

TEST_F(ColumnsTest, keys_reach_far_rows_and_columns_and_the_current_cell_is_scrolled_into_view) {
    load(40);
    window.resize(260, 200);  // narrower than the columns, shorter than the rows
    QApplication::processEvents();
    focusGrid();
    press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->currentRow(), 39);
    press(Qt::Key_End);
    EXPECT_EQ(grid->selectedIndex(), 4);
    EXPECT_FALSE(grid->cellRect(39, 4).isEmpty()) << "the last cell is on screen";
    EXPECT_TRUE(grid->cellRect(0, 0).isEmpty()) << "the first one is scrolled away";
    press(Qt::Key_PageUp);
    EXPECT_LT(grid->currentRow(), 39);
    EXPECT_GT(grid->currentRow(), 0);
    EXPECT_FALSE(grid->cellRect(grid->currentRow(), 4).isEmpty());
    press(Qt::Key_Home, Qt::ControlModifier);
    press(Qt::Key_Home);
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_EQ(grid->selectedIndex(), 0);
    EXPECT_FALSE(grid->cellRect(0, 0).isEmpty());
}

}  // namespace
}  // namespace dbtest

namespace dbtest {
namespace {

TEST_F(ColumnsTest,
       titles_fit_their_design_widths_and_a_title_too_long_for_any_size_shows_in_its_tooltip) {
    load(1);
    const qreal points = grid->font().pointSizeF();
    const auto fits = [this](int column) {
        return QFontMetrics(grid->titleFont(column))
                   .horizontalAdvance(grid->column(column).title()) <=
               grid->column(column).width() - 4;
    };
    ASSERT_GT(QFontMetrics(grid->font()).horizontalAdvance(grid->column(2).title()), 75 - 4)
        << "the title would be cut";
    EXPECT_TRUE(fits(1)) << "Hora Início in 66";
    EXPECT_TRUE(fits(2)) << "Hora Término in 75";
    EXPECT_EQ(grid->column(2).width(), 75) << "the design width stays";
    EXPECT_EQ(grid->titleFont(0).pointSizeF(), points) << "a title with room keeps the grid's font";
    const QPoint title2(grid->cellRect(0, 2).center().x(), 2);
    EXPECT_EQ(grid->cutTitleAt(title2), QString()) << "a fitted title needs no tooltip";

    grid->column(2).setWidth(30);
    EXPECT_FALSE(fits(2));
    EXPECT_GE(grid->titleFont(2).pointSizeF(), points * 0.7) << "no smaller than readable";
    const QPoint narrow(grid->cellRect(0, 2).center().x(), 2);
    EXPECT_EQ(grid->cutTitleAt(narrow), QString::fromUtf8("Hora Término"));
    EXPECT_EQ(grid->cutTitleAt(QPoint(narrow.x(), grid->rowHeight() + 5)), QString())
        << "a data cell";

    QHelpEvent help(QEvent::ToolTip, narrow, grid->viewport()->mapToGlobal(narrow));
    QApplication::sendEvent(grid->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), QString::fromUtf8("Hora Término"));
    QToolTip::hideText();
}

}  // namespace
}  // namespace dbtest

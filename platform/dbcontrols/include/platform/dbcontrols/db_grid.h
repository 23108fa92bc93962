#pragma once

#include <QAbstractScrollArea>
#include <QFlags>
#include <QFont>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/dbcontrols/db_grid_column.h"
#include "platform/dbcontrols/export.h"
#include "platform/dbcontrols/field_link.h"
#include "platform/dbcontrols/grid_canvas.h"

namespace platform::dataset {
class DataSet;
class DataSource;
class Field;
}  // namespace platform::dataset

namespace platform::ui {
class FocusManager;
}  // namespace platform::ui

namespace platform::dbcontrols {

class GridEditor;

/// A data-aware grid: one row per row of the data set behind its data
/// source, one column per field (the visible fields in order, or the columns
/// a screen declares). Every change goes through the data set's own
/// operations (edit, insert, append, post, cancel, delete and the moves), so
/// the data set's events run as for any other caller.
///
/// Cells and moves. The current row is the data set's cursor (the row being
/// inserted while inserting); the current column is the selected index.
/// Moving to another cell, by key, click or code, runs in this order:
///   1. the in-place editor's text, when the user changed it, is written
///      into the field (a refused text stops the move);
///   2. when the column changes: onColExit, then (when it let the move go on
///      and did not itself select another column) the column changes and
///      onColEnter runs. An exception from onColExit keeps the cell;
///   3. when the row changes: the data set moves there; its browse check
///      posts a modified row and cancels an unmodified one first.
/// Row rules of the keys: Down on the last row appends a row (Editing on,
/// grid not read-only); Down or Up on an unmodified appended row cancels
/// it; Insert inserts a row before the current one; Ctrl+Delete deletes the
/// current row (after "Excluir registro?" through the dialog service when
/// ConfirmDelete is on); Esc first brings the editor back to the field's
/// text, and when there is nothing to bring back cancels the row's edit;
/// F2 or Enter opens the in-place editor, Enter in the editor writes its
/// text; typing a character opens it with that character; Ctrl+Enter is the
/// column's ellipsis button. With Tabs on, Tab and Shift+Tab move between
/// cells, wrapping to the next or previous row; without it they leave the
/// grid. Leaving the grid (to another control of the same window) cancels
/// an unmodified new row when CancelOnExit is on, and otherwise writes the
/// editor's text.
///
/// Editing. The in-place editor opens only with Editing on, RowSelect off,
/// the grid, the column and the field not read-only. It shows the field's
/// edit text under the field's edit mask; the first change the user makes
/// starts the data set's edit (a before-edit handler's refusal, silent or
/// not, leaves the text as it was).
///
/// Handlers. Each event runs inside the dispatch of the Qt event that caused
/// it (see ui::dispatch()), so an exception from a handler is shown once and
/// nothing reaches Qt; when code causes an event (setSelectedIndex, a
/// field's focusControl), the handler's exception reaches that code.
class PLATFORM_DBCONTROLS_EXPORT DBGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class Option {
        Editing = 0x001,
        Titles = 0x002,
        ColumnResize = 0x004,
        ColLines = 0x008,
        RowLines = 0x010,
        Tabs = 0x020,
        RowSelect = 0x040,
        AlwaysShowSelection = 0x080,
        ConfirmDelete = 0x100,
        CancelOnExit = 0x200,
    };
    Q_DECLARE_FLAGS(Options, Option)

    /// The state of a cell being drawn. Selected: the current cell (the
    /// current row with RowSelect) while the grid or its editor has the
    /// focus, or always with AlwaysShowSelection. Focused: the current cell
    /// while the grid itself (not its editor) has the keyboard focus. Fixed:
    /// a title cell (never passed to onDrawColumnCell).
    enum class DrawFlag { Selected = 0x1, Focused = 0x2, Fixed = 0x4 };
    Q_DECLARE_FLAGS(DrawState, DrawFlag)

    using GridEvent = std::function<void(DBGrid& sender)>;
    using DrawColumnCellEvent =
        std::function<void(DBGrid& sender, Canvas& canvas, const QRect& rect, int column,
                           DBGridColumn& columnObject, DrawState state)>;

    static constexpr Options defaultOptions() {
        return Options(Option::Editing) | Option::Titles | Option::ColumnResize | Option::ColLines |
               Option::RowLines | Option::Tabs | Option::ConfirmDelete | Option::CancelOnExit;
    }

    explicit DBGrid(QWidget* parent = nullptr);
    ~DBGrid() override;

    // --- Binding and columns ------------------------------------------------
    void setDataSource(platform::dataset::DataSource* source);
    platform::dataset::DataSource* dataSource() const;
    /// The data set behind the source, or nullptr.
    platform::dataset::DataSet* dataSet() const;

    /// Declares the columns; an empty list brings back the default columns
    /// (the data set's visible fields, in order).
    void setColumns(const std::vector<DBGridColumnDef>& columns);
    bool hasDeclaredColumns() const { return declaredColumns_; }
    int columnCount() const { return static_cast<int>(columns_.size()); }
    DBGridColumn& column(int index) const;
    /// Index of the column bound to `fieldName` (without regard to case), or -1.
    int columnIndex(const QString& fieldName) const;

    // --- Options ------------------------------------------------------------
    Options options() const { return options_; }
    void setOptions(Options options);
    void setOption(Option option, bool on = true);
    bool hasOption(Option option) const { return options_.testFlag(option); }
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return readOnly_; }
    /// The grid draws each cell itself before onDrawColumnCell (default on).
    void setDefaultDrawing(bool on);
    bool defaultDrawing() const { return defaultDrawing_; }
    void setDeleteQuestion(const QString& text) { deleteQuestion_ = text; }
    /// Background of the data cells (the palette's base colour by default).
    void setCellColor(const QColor& color);
    QColor cellColor() const;

    // --- Current cell ---------------------------------------------------------
    /// Display row of the current row (see DataSet::displayRowOfCursor), -1 when none.
    int currentRow() const;
    int rowCount() const;
    int selectedIndex() const { return selectedIndex_; }
    /// Selects a column as a move within the row does (see the class comment).
    /// Returns whether the column is now selected.
    bool setSelectedIndex(int index);
    /// The field of the current column, or nullptr.
    platform::dataset::Field* selectedField() const;
    bool setSelectedField(const platform::dataset::Field& field);
    bool setSelectedField(const QString& fieldName);

    // --- In-place editor --------------------------------------------------------
    bool editorMode() const;
    /// Opens (when editing is allowed here) or closes the editor; closing
    /// writes the text the user changed.
    void setEditorMode(bool open);
    /// The text the editor shows (the edit text, mask literals included);
    /// empty when it is closed.
    QString editorText() const;
    /// The editor widget while it is open, else nullptr.
    QWidget* editorWidget() const;

    // --- Drawing ----------------------------------------------------------------
    /// The platform's own drawing of a data cell: the brush over the cell,
    /// the field's display text 2 pixels in from the left and top, clipped.
    void defaultDrawColumnCell(Canvas& canvas, const QRect& rect, DBGridColumn& column,
                               DrawState state);
    /// What the last paint left in the cell at display row `row`, column
    /// `column`; nullopt when the last paints did not draw it.
    std::optional<CellDrawing> cellDrawing(int row, int column) const;
    /// The column shows its ellipsis button in the current cell.
    bool columnShowsButton(int column) const;
    /// The font a column's title is drawn in: the grid's own, made smaller
    /// (down to 70% of it, and never under 6 points) until the title fits the
    /// column's width. A title that does not fit even then is cut with "…"
    /// and shows whole in the tooltip of its title cell.
    QFont titleFont(int column) const;
    /// The whole title of the column whose title cell is at `pos` (viewport
    /// coordinates) when that cell cannot show it whole; empty otherwise.
    QString cutTitleAt(const QPoint& pos) const;

    // --- Geometry and scripted input ---------------------------------------------
    /// Rectangle of a data cell in viewport coordinates; empty when the cell
    /// is not on screen.
    QRect cellRect(int row, int column) const;
    /// Rectangle of the ellipsis button in viewport coordinates, or empty.
    QRect editButtonRect() const;
    int rowHeight() const;
    /// Does what a mouse click on the cell does: takes the focus (through the
    /// focus manager), then moves to the cell, or opens the editor when the
    /// cell was already current in a focused grid. Errors are shown as for a click.
    void clickCell(int row, int column);

    /// The focus manager used for the grid's own focus moves; by default the
    /// one owned by the nearest ancestor, if any.
    void setFocusManager(ui::FocusManager* manager);

    GridEvent onColEnter;
    GridEvent onColExit;
    GridEvent onEditButtonClick;
    DrawColumnCellEvent onDrawColumnCell;

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class GridEditor;
    friend class DBGridColumn;

    // Data link callbacks.
    void linkActiveChanged();
    void linkDataChanged(bool scrolled);
    void linkRecordChanged(platform::dataset::Field* field);
    void linkEditingChanged();
    void linkUpdateData();
    bool linkFocusControl(platform::dataset::Field& field);

    // Columns.
    void rebuildDefaultColumns();
    void renumberColumns();
    void columnChanged();
    int defaultColumnWidth(const platform::dataset::Field* field, const QString& title) const;

    // Moves (may throw; Qt entry points wrap them in ui::dispatch()).
    void commitEditor();
    bool changeColumn(int index);
    void moveToRow(int row);
    void moveToCell(int row, int column);
    void nextRow(bool mayAppend);
    void priorRow();
    void tabMove(bool forward);
    void cancelKey();
    void deleteCurrentRow();
    void insertRow();
    void editButtonClick();
    bool beginModify();
    bool canAppend() const;
    void handleKey(QKeyEvent* event);
    bool isNavigationKey(const QKeyEvent* event) const;
    void typeIntoCell(QKeyEvent* event);
    void forwardKeyToEditor(QKeyEvent* event);
    void clickAt(int row, int column, bool wasFocused);

    // Editor.
    bool canShowEditor() const;
    void showEditor();
    void hideEditor();
    void reloadEditor();
    void placeEditor();

    // Focus.
    bool focusWithin() const;
    void takeFocus(Qt::FocusReason reason);
    ui::FocusManager* focusManager() const;
    void registerTabUse();
    void focusLeft();

    // Geometry and painting.
    int titleHeight() const;
    int lineWidth() const;
    int rowStride() const;
    int columnLeft(int column) const;
    /// A column's width: during a paint, as it stood when the paint began.
    int columnWidth(int column) const;
    int totalWidth() const;
    int visibleRowCount() const;
    int topRow() const;
    void ensureCurrentVisible();
    void refresh();
    void updateScrollBars();
    std::pair<int, int> cellAt(const QPoint& pos) const;
    int resizeHandleAt(const QPoint& pos) const;
    DrawState drawStateOf(int row, int column) const;
    void paintTitles(QPainter& painter);
    void paintRows(QPainter& painter, Canvas& canvas);
    void paintEditButton(QPainter& painter, const QRect& rect);

    FieldLink link_;
    std::vector<std::unique_ptr<DBGridColumn>> columns_;
    bool declaredColumns_ = false;
    Options options_ = defaultOptions();
    bool readOnly_ = false;
    bool defaultDrawing_ = true;
    /// The cells' texts laid out, kept between paints.
    TextLayouts textLayouts_;
    QString deleteQuestion_;
    QColor cellColor_;
    int selectedIndex_ = -1;
    bool inColExit_ = false;

    GridEditor* editor_ = nullptr;  // one editor for the grid's life, shown while open
    bool editorOpen_ = false;
    int editorRow_ = -1;

    QPointer<ui::FocusManager> focusManager_;
    QPointer<ui::FocusManager> tabRegisteredWith_;
    bool tabRegistered_ = false;
    bool focusedByMouse_ = false;
    bool forwardingKey_ = false;

    int resizingColumn_ = -1;
    int resizeStartX_ = 0;
    int resizeStartWidth_ = 0;

    /// A title's fitted font, kept while its width, text and the grid's font stay.
    struct TitleFit {
        int width = -1;
        QString title;
        QFont base;
        QFont font;
        bool whole = true;
    };
    const TitleFit& titleFit(int column) const;
    mutable std::vector<TitleFit> titleFits_;
    /// The columns' widths while a paint runs (empty otherwise): a width
    /// asks the data set for its field and the font for its metrics, and a
    /// paint needs every left edge of every row.
    std::vector<int> paintWidths_;

    std::map<std::pair<int, int>, CellDrawing> drawings_;
    bool drawReportPending_ = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(DBGrid::Options)
Q_DECLARE_OPERATORS_FOR_FLAGS(DBGrid::DrawState)

}  // namespace platform::dbcontrols

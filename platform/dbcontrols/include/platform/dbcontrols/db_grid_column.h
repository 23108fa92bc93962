#pragma once

#include <QString>

#include "platform/dbcontrols/export.h"

namespace platform::dataset {
class Field;
}

namespace platform::dbcontrols {

class DBGrid;

/// The button a grid column shows in its current cell.
enum class ColumnButtonStyle { None, Ellipsis };

/// A column as a screen declares it. A width of 0 means the default width
/// (from the field's display width); an empty title means the field's label.
struct PLATFORM_DBCONTROLS_EXPORT DBGridColumnDef {
    QString fieldName;
    int width = 0;
    QString title;
    bool readOnly = false;
    ColumnButtonStyle buttonStyle = ColumnButtonStyle::None;
};

/// One column of a DBGrid, bound to a field by name. Owned by its grid;
/// changing a column repaints the grid.
class PLATFORM_DBCONTROLS_EXPORT DBGridColumn {
public:
    DBGridColumn(const DBGridColumn&) = delete;
    DBGridColumn& operator=(const DBGridColumn&) = delete;

    DBGrid& grid() const { return *grid_; }
    /// 0-based position in the grid.
    int index() const { return index_; }
    const QString& fieldName() const { return def_.fieldName; }
    /// The field of the grid's data set with this name; nullptr when the
    /// grid has no open data set or the data set lacks the field.
    platform::dataset::Field* field() const;

    /// The width in pixels: the design width, or the default one.
    int width() const;
    /// A width below 1 brings back the default width.
    void setWidth(int width);
    /// The title: the design title, else the field's label, else the field name.
    QString title() const;
    void setTitle(const QString& title);
    /// The column's own read-only flag (the field's flag counts too when editing).
    bool readOnly() const { return def_.readOnly; }
    void setReadOnly(bool readOnly);
    ColumnButtonStyle buttonStyle() const { return def_.buttonStyle; }
    void setButtonStyle(ColumnButtonStyle style);

private:
    friend class DBGrid;
    DBGridColumn(DBGrid& grid, int index, DBGridColumnDef def)
        : grid_(&grid), index_(index), def_(std::move(def)) {}

    DBGrid* grid_;
    int index_;
    DBGridColumnDef def_;
};

}  // namespace platform::dbcontrols

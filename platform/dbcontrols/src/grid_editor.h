#pragma once

#include "platform/dbcontrols/field_line_edit.h"

namespace platform::dbcontrols {

class DBGrid;

/// The grid's in-place editor: a field edit whose navigation keys (rows,
/// Tab, Esc, Enter, Ctrl+Delete, Ctrl+Enter) belong to the grid.
class GridEditor : public FieldLineEdit {
    Q_OBJECT
public:
    GridEditor(DBGrid& grid, QWidget* parent);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    DBGrid& grid_;
};

}  // namespace platform::dbcontrols

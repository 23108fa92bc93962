#pragma once

#include <QString>

#include "framework/export.h"

namespace platform::dbcontrols {
class DBGrid;
}  // namespace platform::dbcontrols

namespace framework {

/// The 0-based index of the column of `grid` bound to the field
/// `fieldName` (names compared without regard to letter case). A grid
/// without such a column is a fault of the screen, not a value to carry on
/// with: throws framework::Error naming the grid and the field (also for a
/// null grid), so a column is never looked up at -1.
FRAMEWORK_EXPORT int IndiceCol(const platform::dbcontrols::DBGrid* grid, const QString& fieldName);

}  // namespace framework

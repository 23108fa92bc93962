#pragma once

#include "platform/dbcontrols/export.h"

class QWidget;

namespace platform::ui {
class FocusManager;
}  // namespace platform::ui

namespace platform::dbcontrols {

/// The focus manager that governs `widget`: the one owned by its nearest
/// ancestor (or by the widget itself), or nullptr when there is none.
PLATFORM_DBCONTROLS_EXPORT ui::FocusManager* findFocusManager(QWidget* widget);

}  // namespace platform::dbcontrols

#pragma once

class QWidget;

namespace platform {

class FocusManager;

/// The focus manager that governs `widget`: the one owned by its nearest
/// ancestor (or by the widget itself), or nullptr when there is none.
FocusManager* findFocusManager(QWidget* widget);

}  // namespace platform

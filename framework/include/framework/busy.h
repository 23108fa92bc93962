#pragma once

#include "framework/export.h"

class QWidget;

namespace framework {

/// Shows the busy animation over `mainForm` (the active window when null).
/// Calls nest: each ActiveShowAvi needs one DeactiveShowAvi, and the
/// animation hides with the last. `kind` selects the animation; every kind
/// shows the same spinning indicator today.
FRAMEWORK_EXPORT void ActiveShowAvi(QWidget* mainForm, int kind = 1);
/// Hides one level; harmless when nothing is showing. The last level takes
/// the animation off the screen when the event loop next runs, so that the
/// steps of one action that each show and hide it draw it only once.
FRAMEWORK_EXPORT void DeactiveShowAvi();

/// True while at least one ActiveShowAvi is not yet matched.
FRAMEWORK_EXPORT bool busyShowing();
FRAMEWORK_EXPORT int busyDepth();
/// The overlay widget while a level is shown, else null (for tests).
FRAMEWORK_EXPORT QWidget* busyOverlay();

}  // namespace framework

#pragma once

#include <functional>

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

/// One level of the busy animation over the application's main form for a
/// step that calls the server, hidden on every way out: by hide(), or by the
/// destructor. When a failure leaves the scope, `onFailure` runs once the
/// animation is hidden (typically to put the focus back on the field the
/// step was about) and the failure goes on. Hiding only what it showed
/// keeps the nesting of the callers' own levels intact.
class FRAMEWORK_EXPORT BusyGuard {
public:
    explicit BusyGuard(std::function<void()> onFailure = {});
    ~BusyGuard();
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

    /// Shows one level (nothing when this guard shows one already).
    void show();
    /// Hides the level this guard showed (nothing when it shows none).
    void hide();

private:
    std::function<void()> onFailure_;
    int failuresAtStart_;
    bool showing_ = false;
};

}  // namespace framework

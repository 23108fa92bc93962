#pragma once

#include <QString>

#include <chrono>

class QMdiArea;
class QWidget;

namespace host {

/// Processes events until a child window of `area` is shown, the busy
/// animation is not showing and both have held for `settle` (the screen's
/// first activation runs from queued events and shows the animation while
/// it loads). False when `timeout` passes first.
bool waitForFirstActivation(QMdiArea* area, std::chrono::milliseconds timeout,
                            std::chrono::milliseconds settle = std::chrono::milliseconds(300));

/// Saves a PNG of `window` as it is drawn now. Throws std::runtime_error
/// when the file cannot be written.
void saveScreenshot(QWidget* window, const QString& file);

}  // namespace host

#pragma once

#include <QString>

#include <functional>

#include "framework/application.h"
#include "framework/export.h"

class QWidget;

namespace framework {

/// How a module opens its one screen: under the hourglass and the busy
/// animation, `screen()` gives the form (creating it when there is none),
/// which is shown as a child of the main window with its window state set
/// to normal. Every failure is dropped: the cursor goes back to the
/// default, the animation stops, the failure is written to the log
/// (standard error, after `caption`) and the caller sees a normal return.
FRAMEWORK_EXPORT void OpenScreen(const QString& caption, const std::function<QWidget*()>& screen);

/// OpenScreen for a module's screen held in `form`, created once through
/// the application object and guarded by `created` (set once the creation
/// succeeded; a failed creation leaves it false and `form` null).
template <typename T>
void OpenScreen(const QString& caption, T*& form, bool& created) {
    OpenScreen(caption, [&form, &created]() -> QWidget* {
        if (!created) {
            Application().CreateForm(form);
            created = true;
        }
        return form;
    });
}

}  // namespace framework

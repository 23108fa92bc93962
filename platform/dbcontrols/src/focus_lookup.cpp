#include "platform/dbcontrols/focus_lookup.h"

#include <QWidget>

#include "platform/ui/focus_manager.h"

namespace platform::dbcontrols {

ui::FocusManager* findFocusManager(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* manager = w->findChild<ui::FocusManager*>(QString(), Qt::FindDirectChildrenOnly))
            return manager;
    }
    return nullptr;
}

}  // namespace platform::dbcontrols

#include "platform/focus_lookup.h"

#include <QWidget>

#include "platform/focus_manager.h"

namespace platform {

FocusManager* findFocusManager(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* manager = w->findChild<FocusManager*>(QString(), Qt::FindDirectChildrenOnly)) return manager;
    }
    return nullptr;
}

}  // namespace platform

#include <QWidget>

#include "framework/utils.h"
#include "platform/dataset/errors.h"
#include "platform/ui/dialog_service.h"

namespace framework {

void SetChildEnabled(QWidget* container, bool enabled) {
    if (!container) return;
    for (QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setEnabled(enabled);
}

void MensErro(const QString& text, bool abort) {
    platform::ui::dialogs().error(text);
    if (abort) throw platform::dataset::Abort();
}

}  // namespace framework

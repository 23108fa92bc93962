#include <QWidget>

#include "dataset/errors.h"
#include "framework/utils.h"
#include "platform/dialog_service.h"

namespace framework {

void SetChildEnabled(QWidget* container, bool enabled) {
    if (!container) return;
    for (QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) child->setEnabled(enabled);
}

void MensErro(const QString& text, bool abort) {
    platform::dialogs().error(text);
    if (abort) throw dataset::Abort();
}

}  // namespace framework

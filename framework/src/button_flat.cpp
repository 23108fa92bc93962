#include "framework/button_flat.h"

namespace framework {

TButtonFlat::TButtonFlat(QWidget* parent) : QToolButton(parent) {
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

}  // namespace framework

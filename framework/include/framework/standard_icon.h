#pragma once

#include <QIcon>
#include <QStyle>

#include "framework/export.h"

class QWidget;

namespace framework {

/// The style's standard icon `which`, as `widget`'s style draws it, made
/// once per style and icon for the whole process: every screen opened puts
/// the same icons on its toolbar, and making one costs more than the rest of
/// its button.
FRAMEWORK_EXPORT QIcon StandardIcon(const QWidget* widget, QStyle::StandardPixmap which);

}  // namespace framework

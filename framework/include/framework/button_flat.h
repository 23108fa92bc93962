#pragma once

#include <QToolButton>

#include "framework/export.h"

namespace framework {

/// A flat toolbar button: raised only under the mouse, and never taking the
/// keyboard focus, so pressing it runs no exit handler of the control the
/// user was typing in.
class FRAMEWORK_EXPORT TButtonFlat : public QToolButton {
    Q_OBJECT
public:
    explicit TButtonFlat(QWidget* parent = nullptr);
};

}  // namespace framework

#include "framework/standard_icon.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

namespace framework {

QIcon StandardIcon(const QWidget* widget, QStyle::StandardPixmap which) {
    // The icons of the style they were made by; another style makes its own.
    static QPointer<QStyle> madeBy;
    static QHash<int, QIcon> made;
    QStyle* style = widget->style();
    if (madeBy != style) {
        made.clear();
        madeBy = style;
    }
    const auto it = made.constFind(which);
    if (it != made.constEnd()) return *it;
    return *made.insert(which, style->standardIcon(which, nullptr, widget));
}

}  // namespace framework

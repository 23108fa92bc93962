#include "host/script/key_names.h"

#include <QHash>

namespace host::script {

namespace {

const QHash<QString, Qt::Key>& namedKeys() {
    static const QHash<QString, Qt::Key> keys = [] {
        QHash<QString, Qt::Key> k{
            {QStringLiteral("Tab"), Qt::Key_Tab},
            {QStringLiteral("Backtab"), Qt::Key_Backtab},
            {QStringLiteral("Enter"), Qt::Key_Return},
            {QStringLiteral("Escape"), Qt::Key_Escape},
            {QStringLiteral("Delete"), Qt::Key_Delete},
            {QStringLiteral("Insert"), Qt::Key_Insert},
            {QStringLiteral("Up"), Qt::Key_Up},
            {QStringLiteral("Down"), Qt::Key_Down},
            {QStringLiteral("Left"), Qt::Key_Left},
            {QStringLiteral("Right"), Qt::Key_Right},
            {QStringLiteral("Home"), Qt::Key_Home},
            {QStringLiteral("End"), Qt::Key_End},
            {QStringLiteral("PageUp"), Qt::Key_PageUp},
            {QStringLiteral("PageDown"), Qt::Key_PageDown},
            {QStringLiteral("Backspace"), Qt::Key_Backspace},
            {QStringLiteral("Space"), Qt::Key_Space},
        };
        for (int n = 1; n <= 12; ++n)
            k.insert(QStringLiteral("F%1").arg(n), static_cast<Qt::Key>(Qt::Key_F1 + n - 1));
        return k;
    }();
    return keys;
}

}  // namespace

std::optional<KeyPress> parseKeyName(const QString& text) {
    KeyPress press;
    QString rest = text;
    const std::pair<QString, Qt::KeyboardModifier> prefixes[] = {
        {QStringLiteral("Ctrl+"), Qt::ControlModifier},
        {QStringLiteral("Shift+"), Qt::ShiftModifier},
        {QStringLiteral("Alt+"), Qt::AltModifier},
    };
    for (bool found = true; found;) {
        found = false;
        for (const auto& [prefix, modifier] : prefixes) {
            if (rest.startsWith(prefix) && !press.modifiers.testFlag(modifier)) {
                press.modifiers |= modifier;
                rest = rest.mid(prefix.size());
                found = true;
            }
        }
    }
    const auto it = namedKeys().constFind(rest);
    if (it == namedKeys().constEnd()) return std::nullopt;
    press.key = it.value();
    // Qt delivers the reverse tab as Backtab with Shift held.
    if (press.key == Qt::Key_Backtab) press.modifiers |= Qt::ShiftModifier;
    return press;
}

}  // namespace host::script

#pragma once

#include <QString>
#include <Qt>

#include <optional>

namespace host::script {

/// A key press as the scenario names it: "Tab", "Enter", "Ctrl+Delete".
struct KeyPress {
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers modifiers;
};

/// The key named by `text`: one of Tab, Backtab, Enter, Escape, Delete,
/// Insert, Up, Down, Left, Right, Home, End, PageUp, PageDown, F1…F12,
/// Backspace, Space, after any of the prefixes "Ctrl+", "Shift+", "Alt+".
/// Names match exactly (letter case included); nullopt for anything else.
std::optional<KeyPress> parseKeyName(const QString& text);

}  // namespace host::script

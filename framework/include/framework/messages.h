#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "framework/export.h"

namespace framework {

/// A keyed message table: one entry per line, "KEY|text" (the text is
/// everything after the first bar, blanks included). Keys match without
/// regard to letter case: Msg("Ativ_deve") finds the entry "ATIV_DEVE".
class FRAMEWORK_EXPORT TMessages {
public:
    TMessages() = default;
    /// Throws framework::Error naming the line for a line without a bar, an
    /// empty key or a key already present. Blank lines are skipped.
    static TMessages fromText(const QString& text);
    /// Reads a UTF-8 file (also a Qt resource path ":/…"); throws framework::Error.
    static TMessages fromFile(const QString& path);

    /// Adds an entry at the end; throws framework::Error for a duplicate key.
    void Add(const QString& key, const QString& text);
    /// The text of `key`; throws framework::Error for an unknown key.
    QString Msg(const QString& key) const;
    bool Contains(const QString& key) const;
    int Count() const { return static_cast<int>(entries_.size()); }
    /// Keys in table order, as written.
    QStringList Keys() const;

private:
    struct Entry {
        QString key;
        QString folded;  // key in case-folded form, for lookups
        QString text;
    };
    const Entry* findEntry(const QString& key) const;
    std::vector<Entry> entries_;
};

}  // namespace framework

#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

#include "platform/ui/export.h"

namespace platform::ui {

/// The rows offered by a pick list: one text per column in each row.
struct PLATFORM_UI_EXPORT PickList {
    QString title;
    QStringList columnTitles;
    std::vector<QStringList> rows;
};

/// A login asked again for the user already logged in (the session ended):
/// only the password is typed; the rest is shown.
struct PLATFORM_UI_EXPORT ReloginPrompt {
    QString text;  ///< why, and for whom: the question shown
    QString server;
    QString user;
    QString branch;
};

/// Every message and question the platform puts to the user goes through
/// one of these. The host installs the interactive one; tests and scripted
/// runs install a ScriptedDialogService so that nothing waits for a person.
class PLATFORM_UI_EXPORT DialogService {
public:
    virtual ~DialogService() = default;

    virtual void error(const QString& text) = 0;
    virtual void information(const QString& text) = 0;
    /// A yes/no question; true for yes.
    virtual bool confirm(const QString& text) = 0;
    /// Index of the picked row, or nullopt when the user cancelled.
    virtual std::optional<int> pick(const PickList& list) = 0;
    /// Asks the user's password again and runs `attempt` with it; when the
    /// attempt throws, its message is shown and the password asked again.
    /// True once an attempt succeeded, false when the user gave up.
    virtual bool relogin(const ReloginPrompt& prompt,
                         const std::function<void(const QString& password)>& attempt) = 0;
};

/// The application-wide service. Throws std::logic_error when none is
/// installed: a question that nobody can answer is a programming error.
PLATFORM_UI_EXPORT DialogService& dialogs();
PLATFORM_UI_EXPORT bool hasDialogService();
/// Installs `service` (not owned; the host or test keeps it alive while it
/// is installed) and returns the one it replaces. nullptr uninstalls.
PLATFORM_UI_EXPORT DialogService* setDialogService(DialogService* service);

/// Installs a service for the lifetime of a scope and restores the previous one.
class PLATFORM_UI_EXPORT ScopedDialogService {
public:
    explicit ScopedDialogService(DialogService& service) : previous_(setDialogService(&service)) {}
    ~ScopedDialogService() { setDialogService(previous_); }
    ScopedDialogService(const ScopedDialogService&) = delete;
    ScopedDialogService& operator=(const ScopedDialogService&) = delete;

private:
    DialogService* previous_;
};

}  // namespace platform::ui

#pragma once

#include <QPointer>
#include <QWidget>

#include <cstddef>
#include <new>
#include <type_traits>
#include <vector>

#include "framework/export.h"

class QMdiArea;
class QMdiSubWindow;

namespace framework {

/// The screen cursor as the screens set it: a plain setting, not a stack
/// (setting Default after any number of Hourglass calls restores it).
enum class ScreenCursorKind { Default, Hourglass };

/// The window state of a form shown as a child of the main window.
enum class FormWindowState { Normal, Minimized, Maximized };

/// The process-wide application object that the host sets up and that the
/// framework and the modules use: the main form, the MDI area the screens
/// live in, the forms the application owns, and the screen cursor.
///
/// Everything runs on the user-interface thread.
class FRAMEWORK_EXPORT TApplication {
public:
    TApplication() = default;
    ~TApplication() = default;
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    /// For the host: the main window and the MDI area inside it (neither is
    /// owned). Passing nulls detaches them.
    void SetMainForm(QWidget* mainForm, QMdiArea* mdiArea);
    QWidget* MainForm() const { return mainForm_.data(); }
    QMdiArea* MdiArea() const;

    /// Creates a form owned by the application: `ref` points at the new
    /// form's storage before its constructor runs (so that code run by the
    /// constructor already finds the form through it), and is set back to
    /// null when the constructor throws, the exception passing on. The form
    /// is built as `T(nullptr)` (no parent): ShowChild places it in the MDI
    /// area. Returns the new form.
    template <typename T>
    T* CreateForm(T*& ref);

    /// The forms created through CreateForm that still exist, oldest first.
    std::vector<QWidget*> Forms() const;
    /// Deletes every owned form that still exists (with its MDI window).
    /// The host calls it before it unloads the modules the forms' code
    /// lives in.
    void DestroyForms();

    /// Shows `form` as a child window of the MDI area (wrapping it in a
    /// QMdiSubWindow the first time) and activates it. Throws
    /// framework::Error when no MDI area is set.
    QMdiSubWindow* ShowChild(QWidget* form);
    /// The MDI window that holds `form`, or null when it is not in one.
    static QMdiSubWindow* SubWindowOf(const QWidget* form);
    /// Sets the window state of `form`'s MDI window (of the form itself
    /// when it is not in one).
    static void SetWindowState(QWidget* form, FormWindowState state);
    static FormWindowState WindowState(const QWidget* form);

    /// Sets the screen cursor (an application override cursor while it is
    /// the hourglass).
    void SetScreenCursor(ScreenCursorKind cursor);
    ScreenCursorKind ScreenCursor() const { return cursor_; }

private:
    void adopt(QWidget* form);

    QPointer<QWidget> mainForm_;
    QPointer<QMdiArea> mdiArea_;
    std::vector<QPointer<QWidget>> forms_;
    ScreenCursorKind cursor_ = ScreenCursorKind::Default;
};

/// The one application object of the process.
FRAMEWORK_EXPORT TApplication& Application();

template <typename T>
T* TApplication::CreateForm(T*& ref) {
    static_assert(std::is_base_of_v<QWidget, T>, "CreateForm creates widgets");
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__,
                  "over-aligned forms are not supported");
    // Plain operator new, so that the form is later destroyed by an ordinary
    // delete (Qt's parent ownership, deleteLater) with the matching delete.
    void* storage = ::operator new(sizeof(T));
    ref = static_cast<T*>(storage);
    T* form = nullptr;
    try {
        form = ::new (storage) T(nullptr);
    } catch (...) {
        ref = nullptr;
        ::operator delete(storage);
        throw;
    }
    ref = form;
    adopt(form);
    return form;
}

}  // namespace framework

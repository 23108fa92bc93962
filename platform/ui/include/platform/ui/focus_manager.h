#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "platform/ui/export.h"

namespace platform::ui {

/// Gives the widgets of one screen the platform's enter/exit semantics.
///
/// When the focus moves from widget A to widget B inside `root`, the exit
/// handler of A runs first, then the exit handlers of the containers of A
/// that do not also contain B (inner to outer); then the enter handlers of
/// the containers of B that do not contain A (outer to inner), then B's own
/// enter. Only widgets with a handler take part. An exception from an exit
/// handler keeps the focus where it was, runs no enter handler, and is
/// reported through dispatch() (a silent abort shows nothing). An exception
/// from an enter handler is reported and ends the remaining enters.
///
/// Mouse presses and Tab/Backtab are checked before Qt moves the focus, so a
/// veto leaves Qt's focus untouched. A focus move from any other source (a
/// direct QWidget::setFocus, a widget being hidden) is seen after the fact;
/// a veto then puts the focus back. Program moves should use setFocusTo().
///
/// Widgets that use Tab themselves (item views with tab navigation, text
/// editors that keep tabs, or any widget marked with setOwnsTab) keep it.
///
/// The window is not a control. Focus moving outside `root` (to another
/// window, another MDI window, or nowhere) is not a move for this manager,
/// and neither is the focus Qt hands around inside `root` while `root` is
/// hidden (a minimized or closing window). When the focus comes back from
/// outside to another widget than the one last focused inside (a restored
/// MDI window gives it to its first control), it is put back on that one
/// without running handlers; only when that widget can no longer take the
/// focus is the return a move. A modal dialog taking the focus for a while
/// is not "outside": what follows it is compared as any move.
class PLATFORM_UI_EXPORT FocusManager : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;

    /// Watches focus inside `root` (not owned) through an application event
    /// filter; the manager is a child of `root`.
    explicit FocusManager(QWidget* root);
    ~FocusManager() override;

    void setOnEnter(QWidget* widget, Handler handler);
    void setOnExit(QWidget* widget, Handler handler);
    /// Marks a widget (and its descendants) as using Tab itself.
    void setOwnsTab(QWidget* widget, bool owns = true);

    /// Moves the focus to `target` under the rules above; false when an exit
    /// handler refused or `target` cannot take the focus. Called from an exit
    /// handler, the move replaces the one in progress: the focus goes to
    /// `target` without running handlers, and no enter handler runs. Called
    /// from an enter handler, it runs as a full move after the enters.
    bool setFocusTo(QWidget* target, Qt::FocusReason reason = Qt::OtherFocusReason);

    /// The widget inside root that last held the focus (null before any).
    QWidget* current() const { return current_.data(); }

    /// Whether the focus going from `from` to `to` is a move between the
    /// controls of one screen, as a control's exit rules mean it: `to` lies in
    /// the same window and the same MDI window as `from` (and is not that
    /// window itself), and `from` is not
    /// being hidden with its window (a control hidden on its own still counts
    /// as left). Controls that act on losing the focus
    /// (write back, cancel an untouched new row) ask this.
    static bool isMoveBetweenControls(const QWidget* from, const QWidget* to);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Handlers {
        Handler onEnter;
        Handler onExit;
    };
    using Chain = std::vector<QPointer<QWidget>>;

    enum class Phase { Idle, Exits, Enters };

    bool inScope(const QWidget* widget) const;
    Chain chainOf(QWidget* widget) const;
    Chain currentChain() const;
    /// The whole move to `target`. `alreadyThere`: Qt has moved the focus
    /// already, so a veto must put it back.
    bool move(QWidget* target, Qt::FocusReason reason, bool alreadyThere);
    void focusQuietly(QWidget* widget, Qt::FocusReason reason);
    void adopt(QWidget* widget);
    bool handleMousePress(QObject* watched, QEvent* event);
    bool handleTab(QObject* watched, QEvent* event);
    QWidget* tabTarget(QWidget* from, bool forward) const;
    bool ownsTab(QWidget* widget) const;
    void watchDestruction(QWidget* widget);
    /// A FocusIn inside root that Qt made on its own (not through move()).
    void focusArrived(QWidget* widget, Qt::FocusReason reason);
    /// The window (MDI window or top-level) that shows root.
    QWidget* screenWindow() const;
    /// Once Qt is done showing, restoring or activating the window: the
    /// focus back on current() when the window's own handling left it on
    /// the window itself, nowhere, or a control the manager did not see chosen.
    void giveFocusBackSoon();
    void giveFocusBack();

    QPointer<QWidget> root_;
    QHash<QObject*, Handlers> handlers_;
    QHash<QObject*, bool> ownsTab_;
    QPointer<QWidget> current_;
    Chain currentChain_;  // kept for when current_ is destroyed
    Phase phase_ = Phase::Idle;
    bool settingFocus_ = false;  // our own setFocus calls: not a move to check
    // The focus went outside root (another window or screen): its return is
    // the window regaining the focus, not a move between controls.
    bool away_ = false;
    bool giveBackPending_ = false;
    // A move asked for by a handler: during exits it replaces the move in
    // progress (the handler chose where the focus goes, no handlers run);
    // during enters it runs as a full move once the enters are done.
    QPointer<QWidget> requested_;
    Qt::FocusReason requestedReason_ = Qt::OtherFocusReason;
    bool hasRequest_ = false;
};

}  // namespace platform::ui

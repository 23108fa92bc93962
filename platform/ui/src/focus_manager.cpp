#include "platform/ui/focus_manager.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStyleHints>
#include <QTextEdit>
#include <QWindow>

#include <algorithm>

#include "platform/ui/dispatch.h"

namespace platform::ui {

namespace {

QWidget* finalProxy(QWidget* widget) {
    while (widget && widget->focusProxy()) widget = widget->focusProxy();
    return widget;
}

bool canTakeFocus(const QWidget* widget) {
    return widget && widget->isEnabled() && widget->isVisible() &&
           widget->focusPolicy() != Qt::NoFocus;
}

bool contains(const std::vector<QPointer<QWidget>>& chain, const QWidget* widget) {
    return std::any_of(chain.begin(), chain.end(),
                       [widget](const QPointer<QWidget>& w) { return w == widget; });
}

/// The window a user sees a control in: its MDI window, or its top-level window.
const QWidget* screenWindowOf(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (qobject_cast<const QMdiSubWindow*>(w) || w->isWindow()) return w;
    }
    return nullptr;
}

/// A dialog that holds the focus while it is open and gives it back after.
bool isModalWindow(const QWidget* widget) {
    const QWidget* window = widget->window();
    return window->isModal() || window->windowModality() != Qt::NonModal;
}

}  // namespace

FocusManager::FocusManager(QWidget* root) : QObject(root), root_(root) {
    qApp->installEventFilter(this);
    if (QWidget* focused = QApplication::focusWidget(); inScope(focused)) current_ = focused;
}

FocusManager::~FocusManager() {
    if (qApp) qApp->removeEventFilter(this);
}

void FocusManager::setOnEnter(QWidget* widget, Handler handler) {
    watchDestruction(widget);
    handlers_[widget].onEnter = std::move(handler);
    currentChain_ = currentChain();
}

void FocusManager::setOnExit(QWidget* widget, Handler handler) {
    watchDestruction(widget);
    handlers_[widget].onExit = std::move(handler);
    currentChain_ = currentChain();
}

void FocusManager::setOwnsTab(QWidget* widget, bool owns) {
    // Connect once per widget: a lambda cannot be a unique connection.
    if (!ownsTab_.contains(widget))
        connect(widget, &QObject::destroyed, this,
                [this](QObject* gone) { ownsTab_.remove(gone); });
    ownsTab_[widget] = owns;
}

void FocusManager::watchDestruction(QWidget* widget) {
    if (handlers_.contains(widget)) return;
    connect(widget, &QObject::destroyed, this, [this](QObject* gone) { handlers_.remove(gone); });
}

bool FocusManager::inScope(const QWidget* widget) const {
    return widget && root_ && (widget == root_ || root_->isAncestorOf(widget));
}

FocusManager::Chain FocusManager::chainOf(QWidget* widget) const {
    Chain chain;
    for (QWidget* w = widget; w && inScope(w); w = w->parentWidget()) {
        if (handlers_.contains(w)) chain.emplace_back(w);
    }
    return chain;
}

FocusManager::Chain FocusManager::currentChain() const {
    if (current_) return chainOf(current_);
    Chain alive;
    for (const auto& w : currentChain_) {
        if (w) alive.push_back(w);
    }
    return alive;
}

bool FocusManager::setFocusTo(QWidget* target, Qt::FocusReason reason) {
    target = finalProxy(target);
    if (!canTakeFocus(target) || !inScope(target)) return false;
    if (phase_ != Phase::Idle) {
        requested_ = target;
        requestedReason_ = reason;
        hasRequest_ = true;
        return true;
    }
    return move(target, reason, false);
}

void FocusManager::focusQuietly(QWidget* widget, Qt::FocusReason reason) {
    settingFocus_ = true;
    widget->setFocus(reason);
    settingFocus_ = false;
}

void FocusManager::adopt(QWidget* widget) {
    current_ = widget;
    currentChain_ = chainOf(widget);
    away_ = false;
}

QWidget* FocusManager::screenWindow() const {
    return root_ ? const_cast<QWidget*>(screenWindowOf(root_)) : nullptr;
}

void FocusManager::giveFocusBackSoon() {
    if (giveBackPending_) return;
    giveBackPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            giveBackPending_ = false;
            giveFocusBack();
        },
        Qt::QueuedConnection);
}

void FocusManager::giveFocusBack() {
    if (!root_ || !root_->isVisible() || phase_ != Phase::Idle || !canTakeFocus(current_)) return;
    QWidget* window = screenWindow();
    // Another MDI window is the active one: focusing here would activate this one.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window);
        sub && sub->mdiArea() && sub->mdiArea()->activeSubWindow() != sub)
        return;
    QWidget* focus = QApplication::focusWidget();
    if (focus == current_) {
        away_ = false;
        return;
    }
    // The focus is someone else's (a dialog, another window): leave it there.
    if (focus && focus != window && !inScope(focus)) return;
    focusQuietly(current_, Qt::ActiveWindowFocusReason);
    away_ = false;
}

bool FocusManager::isMoveBetweenControls(const QWidget* from, const QWidget* to) {
    if (!from || !to) return false;
    // A control hidden by the program is left as any other; one hidden with
    // everything around it (a minimized or closing window) is not.
    if (const QWidget* around = from->parentWidget(); around && !around->isVisible()) return false;
    // The window itself (its frame, while it is minimized or restored) is no control.
    const QWidget* window = screenWindowOf(to);
    return to != window && screenWindowOf(from) == window;
}

void FocusManager::focusArrived(QWidget* widget, Qt::FocusReason reason) {
    // Hidden: Qt passes the focus on while the window is minimized, closed
    // or shown again. No control was chosen by anyone.
    if (!root_->isVisible()) return;
    if (widget == current_) {
        away_ = false;
        return;
    }
    if (away_ && canTakeFocus(current_)) {
        // The window has the focus again: it goes back where it was.
        focusQuietly(current_, reason);
        away_ = false;
        return;
    }
    move(widget, reason, true);
}

bool FocusManager::move(QWidget* target, Qt::FocusReason reason, bool alreadyThere) {
    QWidget* previous = current_;
    if (target == previous) {
        if (!alreadyThere && QApplication::focusWidget() != target) focusQuietly(target, reason);
        return true;
    }
    const Chain leaving = currentChain();
    const Chain next = chainOf(target);
    hasRequest_ = false;

    phase_ = Phase::Exits;
    bool allowed = true;
    for (const auto& w : leaving) {
        if (!w || contains(next, w)) continue;
        const Handler handler =
            handlers_.value(w).onExit;  // a copy: the handler may replace itself
        if (handler && !dispatch(handler)) {
            allowed = false;
            break;
        }
        if (hasRequest_) break;
    }
    phase_ = Phase::Idle;

    if (hasRequest_) {  // an exit handler put the focus somewhere itself
        hasRequest_ = false;
        if (requested_) {
            focusQuietly(requested_, requestedReason_);
            adopt(requested_);
        }
        return false;
    }
    if (!allowed) {
        if (alreadyThere && previous) focusQuietly(previous, Qt::OtherFocusReason);
        return false;
    }

    if (!alreadyThere) focusQuietly(target, reason);
    adopt(target);

    phase_ = Phase::Enters;
    for (auto it = next.rbegin(); it != next.rend(); ++it) {
        if (!*it || contains(leaving, *it)) continue;
        const Handler handler = handlers_.value(*it).onEnter;
        if (handler && !dispatch(handler)) break;
    }
    phase_ = Phase::Idle;

    if (hasRequest_) {
        hasRequest_ = false;
        if (requested_) move(requested_, requestedReason_, false);
    }
    return true;
}

bool FocusManager::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            return handleMousePress(watched, event);
        case QEvent::KeyPress:
            return handleTab(watched, event);
        case QEvent::FocusIn:
            if (!settingFocus_ && phase_ == Phase::Idle && watched->isWidgetType()) {
                auto* widget = static_cast<QWidget*>(watched);
                if (inScope(widget)) {
                    focusArrived(widget, static_cast<QFocusEvent*>(event)->reason());
                } else if (current_ && !isModalWindow(widget)) {
                    away_ = true;
                    if (widget == screenWindow()) giveFocusBackSoon();
                }
            }
            return false;
        case QEvent::Show:
        case QEvent::WindowStateChange:
        case QEvent::WindowActivate:
            if (current_ && (watched == root_ || watched == screenWindow() ||
                             (root_ && watched == root_->window())))
                giveFocusBackSoon();
            return false;
        default:
            return false;
    }
}

bool FocusManager::handleMousePress(QObject* watched, QEvent* event) {
    // Qt gives the focus for a click before any filter of the widget sees it,
    // so the click is checked where it enters: at the window.
    if (!watched->isWindowType() || phase_ != Phase::Idle || QApplication::activePopupWidget())
        return false;
    auto* window = static_cast<QWindow*>(watched);
    QWidget* top = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->windowHandle() == window) {
            top = w;
            break;
        }
    }
    if (!top || !root_ || root_->window() != top) return false;

    const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
    QWidget* hit = top->childAt(pos);
    QWidget* candidate = nullptr;
    for (QWidget* w = hit ? hit : top; w; w = w->parentWidget()) {
        QWidget* proxy = finalProxy(w);
        if (w->isEnabled() && (w->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus &&
            (proxy->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus) {
            candidate = proxy;
            break;
        }
        if (w->isWindow()) break;
    }
    if (!candidate || !inScope(candidate) || candidate == QApplication::focusWidget()) return false;
    move(candidate, Qt::MouseFocusReason, false);
    // A refused move swallows the click, so the control clicked does not act on it.
    return QApplication::focusWidget() != candidate;
}

bool FocusManager::handleTab(QObject* watched, QEvent* event) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool forward = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
    const bool backward = key->key() == Qt::Key_Backtab ||
                          (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
    if ((!forward && !backward) || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    if (!watched->isWidgetType() || phase_ != Phase::Idle) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != QApplication::focusWidget() || !inScope(widget) || ownsTab(widget)) return false;
    QWidget* target = tabTarget(widget, forward);
    if (!target) return false;
    move(target, forward ? Qt::TabFocusReason : Qt::BacktabFocusReason, false);
    return true;
}

QWidget* FocusManager::tabTarget(QWidget* from, bool forward) const {
    const auto tabAll =
        QGuiApplication::styleHints()->tabFocusBehavior() == Qt::TabFocusAllControls;
    const int flag = tabAll ? Qt::TabFocus : Qt::StrongFocus;
    QWidget* w = from;
    for (int guard = 0; guard < 100000; ++guard) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == from) return nullptr;
        if ((w->focusPolicy() & flag) == flag && !w->focusProxy() && w->isVisible() &&
            w->isEnabled() && inScope(w))
            return w;
    }
    return nullptr;
}

bool FocusManager::ownsTab(QWidget* widget) const {
    for (QWidget* w = widget; w && inScope(w); w = w->parentWidget()) {
        if (auto it = ownsTab_.find(w); it != ownsTab_.end()) return it.value();
        if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->tabKeyNavigation())
            return true;
        if (auto* text = qobject_cast<QTextEdit*>(w); text && !text->tabChangesFocus()) return true;
        if (auto* plain = qobject_cast<QPlainTextEdit*>(w); plain && !plain->tabChangesFocus())
            return true;
    }
    return false;
}

}  // namespace platform::ui

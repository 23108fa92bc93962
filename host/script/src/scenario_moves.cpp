#include <QAction>
#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QTest>

#include "framework/application.h"
#include "framework/busy.h"
#include "framework/net_connection.h"
#include "framework/padrao_simples.h"
#include "host/script/key_names.h"
#include "platform/dbcontrols/db_calendar.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/ui/dispatch.h"
#include "run_context.h"
#include "screen_lookup.h"
#include "step_failure.h"

namespace host::script {

namespace {

/// Runs events until the busy animation has stayed off for `settle`; the
/// screen's activation runs from queued events and shows the animation
/// while it works.
void waitUntilIdle(const RunnerLimits& limits) {
    QElapsedTimer clock;
    clock.start();
    qint64 idleSince = -1;
    while (clock.elapsed() < limits.openTimeout.count()) {
        QTest::qWait(5);
        if (framework::busyShowing()) {
            idleSince = -1;
            continue;
        }
        if (idleSince < 0) idleSince = clock.elapsed();
        if (clock.elapsed() - idleSince >= limits.settle.count()) return;
    }
    throw StepFailure(QStringLiteral("the busy animation was still showing after %1 ms")
                          .arg(limits.openTimeout.count()));
}

QMdiSubWindow* screenWindow(const ScenarioHost& host) {
    QMdiSubWindow* window = framework::TApplication::SubWindowOf(&requireScreen(host));
    if (!window)
        throw StepFailure(
            QStringLiteral("the screen is not a window of the main window's MDI area"));
    return window;
}

/// Brings a top-level window to the front and waits (a bounded while)
/// until the window system says it is the active one.
void activateWindow(QWidget* window, const QString& what) {
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window, 2000))
        throw StepFailure(QStringLiteral("%1 did not become the active window").arg(what));
}

QWidget* requireFocus() {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) throw StepFailure(QStringLiteral("no control has the focus"));
    return focus;
}

/// A left click at the middle of `widget` through its window, so Qt finds
/// the child under the mouse and the focus rules see the press.
void clickMiddle(QWidget* widget, const QString& name) {
    if (!widget->isVisible())
        throw StepFailure(QStringLiteral("%1 is not visible: a click cannot reach it").arg(name));
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

/// The grid holding the focus (itself or its in-place editor).
platform::dbcontrols::DBGrid* focusedGrid() {
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
        if (auto* grid = qobject_cast<platform::dbcontrols::DBGrid*>(w)) return grid;
    }
    throw StepFailure(QStringLiteral("no grid has the focus (the focus is in %1)")
                          .arg(describe(QApplication::focusWidget())));
}

/// A click on the empty area of a grid without rows: it takes the focus;
/// then the column is chosen as a program move would.
void focusEmptyGrid(platform::dbcontrols::DBGrid* grid, int column) {
    QWidget* viewport = grid->viewport();
    if (!grid->isVisible())
        throw StepFailure(QStringLiteral("%1 is not visible").arg(grid->objectName()));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier,
                      QPoint(viewport->width() / 2, viewport->height() - 2));
    const QWidget* focus = QApplication::focusWidget();
    if (column >= 0 && (focus == grid || grid->isAncestorOf(focus))) {
        platform::ui::dispatch([grid, column] { grid->setSelectedIndex(column); });
    }
}

void focusCell(const CellRef& cell) {
    platform::dbcontrols::DBGrid* grid = cell.grid;
    if (grid->rowCount() == 0) {
        focusEmptyGrid(grid, cell.column);
        return;
    }
    const int row = grid->currentRow() >= 0 ? grid->currentRow() : 0;
    grid->clickCell(row, cell.column);
}

void focusControl(const ScenarioHost& host, const QString& name) {
    QWidget* widget = findWidget(host, name);
    if (auto* grid = qobject_cast<platform::dbcontrols::DBGrid*>(widget)) {
        const QWidget* focus = QApplication::focusWidget();
        if (focus == grid || grid->isAncestorOf(focus)) return;
        if (grid->rowCount() == 0) {
            focusEmptyGrid(grid, -1);
        } else {
            grid->clickCell(std::max(grid->currentRow(), 0), std::max(grid->selectedIndex(), 0));
        }
        return;
    }
    clickMiddle(widget, name);
}

/// A click on the title of `menu` in its menu bar: opens it, or closes it
/// when it is open.
void clickMenuTitle(QMenu* menu, const QString& name) {
    for (QObject* owner : menu->menuAction()->associatedObjects()) {
        auto* bar = qobject_cast<QMenuBar*>(owner);
        if (!bar || !bar->isVisible()) continue;
        const bool wasOpen = menu->isVisible();
        const QRect title = bar->actionGeometry(menu->menuAction());
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, title.center());
        if (wasOpen) {
            // Closed by the click, and by hand where the platform (off-screen) leaves it up.
            menu->hide();
        } else if (!menu->isVisible()) {
            throw StepFailure(QStringLiteral("the menu %1 did not open").arg(name));
        }
        return;
    }
    throw StepFailure(QStringLiteral("the menu %1 is in no visible menu bar").arg(name));
}

void clickControl(const ScenarioHost& host, const QString& name) {
    QObject* object = findObject(host, name);
    if (auto* action = qobject_cast<QAction*>(object)) {
        if (!action->isVisible())
            throw StepFailure(QStringLiteral("the menu item %1 is not visible").arg(name));
        action->trigger();  // a disabled item ignores it, as it ignores a click
        return;
    }
    if (auto* menu = qobject_cast<QMenu*>(object)) {
        clickMenuTitle(menu, name);
        return;
    }
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) throw StepFailure(QStringLiteral("%1 cannot be clicked").arg(name));
    clickMiddle(widget, name);
}

void rowMove(const ScenarioHost& host, const QString& gridName, int row) {
    platform::dbcontrols::DBGrid* grid = findGrid(host, gridName);
    if (row > grid->rowCount()) {
        throw StepFailure(QStringLiteral("%1 has %2 row(s), no row %3")
                              .arg(gridName)
                              .arg(grid->rowCount())
                              .arg(row));
    }
    grid->clickCell(row - 1, std::max(grid->selectedIndex(), 0));
}

void pressEditButton() {
    platform::dbcontrols::DBGrid* grid = focusedGrid();
    const QRect button = grid->editButtonRect();
    if (button.isEmpty()) {
        throw StepFailure(QStringLiteral("the current cell of %1 shows no ellipsis button")
                              .arg(grid->objectName()));
    }
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, button.center());
}

void pickDay(const ScenarioHost& host, const QString& dayText) {
    platform::dbcontrols::DBCalendar* calendar = findCalendar(host, QStringLiteral("dbcDia"));
    const QDate day = QDate::fromString(dayText, Qt::ISODate);
    if (calendar->dayRect(day).isEmpty()) {
        throw StepFailure(QStringLiteral("dbcDia shows %1, not the day %2")
                              .arg(calendar->date().toString(QStringLiteral("MM/yyyy")), dayText));
    }
    if (!calendar->isVisible()) throw StepFailure(QStringLiteral("dbcDia is not visible"));
    calendar->clickDay(day);
}

void typeText(const QString& text) {
    // Each character goes to the control focused at that moment: the first
    // one typed into a grid cell opens its editor, which takes the rest.
    for (const QChar c : text) {
        QWidget* focus = requireFocus();
        if (c.unicode() < 0x80) {
            QTest::keyClick(focus, static_cast<char>(c.unicode()));
        } else {
            // Beyond ASCII QTest has no key of its own: send the character with
            // the key code Qt gives Latin-1 letters (their capital's code).
            const char16_t upper = c.toUpper().unicode();
            const Qt::Key key = upper < 0x100 ? static_cast<Qt::Key>(upper) : Qt::Key_unknown;
            QTest::sendKeyEvent(QTest::Click, focus, key, QString(c), Qt::NoModifier);
        }
        settleEvents();
    }
}

void pressKey(const QString& name) {
    const std::optional<KeyPress> key = parseKeyName(name);
    if (!key) throw StepFailure(QStringLiteral("unknown key %1").arg(name));
    QTest::keyClick(requireFocus(), key->key, key->modifiers);
}

void queueFailure(RunContext& context, const QString& method, int count) {
    const std::string name = method.toStdString();
    framework::NetScript::failNextCalls(name, count);
    context.queuedFailures[name] = {count, framework::NetScript::callCount(name)};
}

/// Zeroes the counters, keeping the failures queued by `fail` that no call has used yet.
void resetCalls(RunContext& context) {
    std::map<std::string, int> left;
    for (const auto& [method, queued] : context.queuedFailures) {
        const int used = framework::NetScript::callCount(method) - queued.second;
        if (queued.first - used > 0) left[method] = queued.first - used;
    }
    framework::NetScript::reset();
    context.queuedFailures.clear();
    for (const auto& [method, count] : left) {
        framework::NetScript::failNextCalls(method, count);
        context.queuedFailures[method] = {count, 0};
    }
}

void saveScreenshot(const ScenarioHost& host, const QString& file) {
    if (!host.mainWindow) throw StepFailure(QStringLiteral("there is no main window to save"));
    QPixmap image = host.mainWindow->grab();
    // An open menu is a window of its own: drawn where it stands over the main window.
    QPainter painter(&image);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* menu = qobject_cast<QMenu*>(top);
        if (!menu || !menu->isVisible()) continue;
        const QPoint at = host.mainWindow->mapFromGlobal(menu->mapToGlobal(QPoint(0, 0)));
        painter.drawPixmap(at, menu->grab());
    }
    painter.end();
    if (image.isNull() || !image.save(file, "PNG")) {
        throw StepFailure(QStringLiteral("the image could not be written to %1").arg(file));
    }
}

/// Chooses the host's menu entry `name` ("mnuResumo"), as a click on it does.
void openFromMenu(const ScenarioHost& host, const QString& name) {
    auto* entry = qobject_cast<QAction*>(findObject(host, name));
    if (!entry) throw StepFailure(QStringLiteral("%1 is not a menu entry of the host").arg(name));
    if (!entry->isEnabled() || !entry->isVisible())
        throw StepFailure(QStringLiteral("the menu entry %1 cannot be chosen").arg(name));
    entry->trigger();
}

}  // namespace

void settleEvents() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void runMove(const Command& c, RunContext& context) {
    const ScenarioHost& host = context.host;
    const auto arg = [&c](std::size_t i) { return c.args.at(i); };
    switch (c.verb) {
        case Verb::Open:
            if (!c.args.empty()) {
                openFromMenu(host, arg(0));
            } else {
                if (!host.openScreen)
                    throw StepFailure(
                        QStringLiteral("the host has no menu entry to open the screen"));
                host.openScreen();
            }
            waitUntilIdle(context.limits);
            return;
        case Verb::Close: {
            QWidget& screen = requireScreen(host);
            if (QMdiSubWindow* window = framework::TApplication::SubWindowOf(&screen))
                window->close();
            else
                screen.close();
            break;
        }
        case Verb::Activate: {
            QMdiSubWindow* window = screenWindow(host);
            // A click on the screen while another program is in front brings
            // the host back, with the MDI window that was active in it.
            if (host.mainWindow && !host.mainWindow->isActiveWindow()) {
                activateWindow(host.mainWindow, QStringLiteral("the main window"));
                if (host.mdiArea->activeSubWindow() == window) break;
            }
            // A click on a window that is already active does not activate it
            // again; to see an activation, leave it first.
            if (host.mdiArea->activeSubWindow() == window)
                host.mdiArea->setActiveSubWindow(nullptr);
            host.mdiArea->setActiveSubWindow(window);
            break;
        }
        case Verb::Minimize:
            screenWindow(host)->showMinimized();
            break;
        case Verb::Maximize:
            screenWindow(host)->showMaximized();
            break;
        case Verb::Restore:
            screenWindow(host)->showNormal();
            break;
        case Verb::Deactivate:
            if (!context.otherWindow) {
                context.otherWindow = std::make_unique<QWidget>();
                context.otherWindow->setWindowTitle(QStringLiteral("Outro programa"));
                context.otherWindow->resize(200, 100);
            }
            context.otherWindow->show();
            activateWindow(context.otherWindow.get(), QStringLiteral("another window"));
            break;
        case Verb::Focus:
            if (arg(0).contains(QLatin1Char('.')))
                focusCell(findCell(host, arg(0)));
            else
                focusControl(host, arg(0));
            break;
        case Verb::Type:
            typeText(arg(0));
            break;
        case Verb::Key:
            pressKey(arg(0));
            break;
        case Verb::Click:
            clickControl(host, arg(0));
            break;
        case Verb::Row:
            rowMove(host, arg(0), arg(1).toInt());
            break;
        case Verb::EditButton:
            pressEditButton();
            break;
        case Verb::Pick:
            pickDay(host, arg(0));
            break;
        case Verb::AnswerPick:
            context.dialogs.queuePick(arg(0).toInt() - 1);
            return;
        case Verb::AnswerCancel:
            context.dialogs.queuePick(std::nullopt);
            return;
        case Verb::AnswerYes:
            context.dialogs.queueConfirmation(true);
            return;
        case Verb::AnswerNo:
            context.dialogs.queueConfirmation(false);
            return;
        case Verb::AnswerPassword:
            context.dialogs.queuePassword(arg(0));
            return;
        case Verb::AnswerPasswordCancel:
            context.dialogs.queuePassword(std::nullopt);
            return;
        case Verb::Fail:
            queueFailure(context, arg(0), c.args.size() > 1 ? arg(1).toInt() : 1);
            return;
        case Verb::Wait:
            QTest::qWait(arg(0).toInt());
            return;
        case Verb::Screenshot:
            saveScreenshot(host, arg(0));
            return;
        case Verb::ResetCalls:
            resetCalls(context);
            return;
        default:
            throw StepFailure(QStringLiteral("not a move"));
    }
    settleEvents();
}

}  // namespace host::script

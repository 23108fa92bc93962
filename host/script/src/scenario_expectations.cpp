#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextEdit>
#include <QVariant>

#include "framework/application.h"
#include "framework/busy.h"
#include "framework/date_edit_plus.h"
#include "framework/net_connection.h"
#include "framework/padrao_simples.h"
#include "platform/dataset/data_set.h"
#include "platform/dataset/field.h"
#include "platform/dbcontrols/db_calendar.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/dbcontrols/db_grid_column.h"
#include "run_context.h"
#include "screen_lookup.h"
#include "step_failure.h"

namespace host::script {

namespace {

QString quoted(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString yesNo(bool on) {
    return on ? QStringLiteral("yes") : QStringLiteral("no");
}

void expectEqual(const QString& seen, const QString& wanted, const QString& what) {
    if (seen != wanted) throw StepFailure(QStringLiteral("%1 %2").arg(what, quoted(seen)));
}

/// `seen` is a count; the report reads "<seen> <what>".
void expectCount(int seen, const QString& wanted, const QString& what) {
    if (QString::number(seen) != wanted)
        throw StepFailure(QStringLiteral("%1 %2").arg(seen).arg(what));
}

void expectFlag(bool seen, const QString& wanted, const QString& what) {
    if (yesNo(seen) != wanted) throw StepFailure(QStringLiteral("%1: %2").arg(what, yesNo(seen)));
}

/// A form's own title: the caption its MDI window shows.
bool isForm(const QObject* object) {
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget &&
           (widget->isWindow() || qobject_cast<const framework::TfrmPadraoSimples*>(widget) ||
            qobject_cast<const QMdiSubWindow*>(widget->parentWidget()));
}

/// The caption of a form, panel, label, button or menu item; nullopt for
/// a control without one.
std::optional<QString> captionOf(const QObject* object) {
    if (const auto* action = qobject_cast<const QAction*>(object)) return action->text();
    if (const auto* menu = qobject_cast<const QMenu*>(object)) return menu->title();
    if (const auto* label = qobject_cast<const QLabel*>(object)) return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(object)) return button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(object)) return group->title();
    if (isForm(object)) return static_cast<const QWidget*>(object)->windowTitle();
    const QVariant caption = object->property("caption");
    if (caption.isValid()) return caption.toString();
    // A control drawing its own text (a data label) names it so.
    const QVariant text = object->property("text");
    if (text.isValid()) return text.toString();
    return std::nullopt;
}

/// The text of an edit, memo or data control; a label's or panel's caption.
std::optional<QString> textOf(const QObject* object) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(object)) return edit->text();
    if (const auto* memo = qobject_cast<const QPlainTextEdit*>(object)) return memo->toPlainText();
    if (const auto* rich = qobject_cast<const QTextEdit*>(object)) return rich->toPlainText();
    if (isForm(object)) return std::nullopt;
    return captionOf(object);
}

QString className(const QObject* object) {
    return QString::fromLatin1(object->metaObject()->className());
}

bool enabledOf(const QObject* object) {
    if (const auto* action = qobject_cast<const QAction*>(object)) return action->isEnabled();
    return static_cast<const QWidget*>(object)->isEnabled();
}

bool visibleOf(const QObject* object) {
    if (const auto* action = qobject_cast<const QAction*>(object)) return action->isVisible();
    return static_cast<const QWidget*>(object)->isVisible();
}

QString hintOf(const QObject* object) {
    if (const auto* action = qobject_cast<const QAction*>(object)) return action->toolTip();
    return static_cast<const QWidget*>(object)->toolTip();
}

void expectFocus(const ScenarioHost& host, const QString& target) {
    QWidget* focus = QApplication::focusWidget();
    if (target.contains(QLatin1Char('.'))) {
        const CellRef cell = findCell(host, target);
        const bool inGrid = focus == cell.grid || cell.grid->isAncestorOf(focus);
        if (!inGrid) throw StepFailure(QStringLiteral("the focus is in %1").arg(describe(focus)));
        if (cell.grid->selectedIndex() != cell.column) {
            const platform::dataset::Field* selected = cell.grid->selectedField();
            throw StepFailure(QStringLiteral("the focus is in %1, column %2")
                                  .arg(cell.grid->objectName(),
                                       selected ? QString::fromStdString(selected->name())
                                                : QString::number(cell.grid->selectedIndex() + 1)));
        }
        return;
    }
    QWidget* widget = findWidget(host, target);
    // The control itself or one of its parts (a grid's in-place editor).
    if (focus != widget && !widget->isAncestorOf(focus)) {
        throw StepFailure(QStringLiteral("the focus is in %1").arg(describe(focus)));
    }
}

/// What the last paint drew in a cell, after a fresh paint of the grid.
platform::dbcontrols::CellDrawing drawnCell(platform::dbcontrols::DBGrid& grid, int row,
                                            int column) {
    if (row > grid.rowCount()) {
        throw StepFailure(QStringLiteral("%1 has %2 row(s), no row %3")
                              .arg(grid.objectName())
                              .arg(grid.rowCount())
                              .arg(row));
    }
    if (!grid.isVisible())
        throw StepFailure(QStringLiteral("%1 is not visible").arg(grid.objectName()));
    grid.viewport()->repaint();
    std::optional<platform::dbcontrols::CellDrawing> drawing = grid.cellDrawing(row - 1, column);
    if (!drawing && grid.horizontalScrollBar()->maximum() > 0) {
        // A grid wider than its window: its scroll bar brings the column in.
        int left = 0;
        for (int c = 0; c < column; ++c) left += grid.column(c).width();
        grid.horizontalScrollBar()->setValue(left);
        grid.viewport()->repaint();
        drawing = grid.cellDrawing(row - 1, column);
    }
    if (!drawing) {
        throw StepFailure(QStringLiteral("row %1 of %2 is not drawn (scrolled out of view)")
                              .arg(row)
                              .arg(grid.objectName()));
    }
    return *drawing;
}

QString stateText(platform::dataset::DataSetState state) {
    return QString::fromLatin1(platform::dataset::stateName(state));
}

QString windowStateText(framework::FormWindowState state) {
    switch (state) {
        case framework::FormWindowState::Normal:
            return QStringLiteral("normal");
        case framework::FormWindowState::Minimized:
            return QStringLiteral("minimized");
        case framework::FormWindowState::Maximized:
            return QStringLiteral("maximized");
    }
    return QStringLiteral("?");
}

platform::dataset::Field& fieldOf(platform::dataset::DataSet& dataSet, const QString& dataSetName,
                                  const QString& fieldName) {
    platform::dataset::Field* field = dataSet.findField(fieldName.toStdString());
    if (!field) throw StepFailure(QStringLiteral("%1 has no field %2").arg(dataSetName, fieldName));
    return *field;
}

void expectDate(const ScenarioHost& host, const QString& name, const QString& day) {
    auto* edit = qobject_cast<framework::TDateEditPlus*>(findWidget(host, name));
    if (!edit) throw StepFailure(QStringLiteral("%1 is not a date edit").arg(name));
    platform::dataset::DateTime date;
    try {
        date = edit->GetDate();
    } catch (const std::exception& e) {
        throw StepFailure(QStringLiteral("no valid date: %1").arg(QString::fromUtf8(e.what())));
    }
    if (date.isZero())
        throw StepFailure(QStringLiteral("no date (text %1)").arg(quoted(edit->text())));
    const QString seen = QDate(date.year, date.month, date.day).toString(Qt::ISODate);
    if (seen != day) throw StepFailure(QStringLiteral("the date %1").arg(seen));
}

}  // namespace

void checkExpectation(const Command& c, RunContext& context) {
    const ScenarioHost& host = context.host;
    const auto arg = [&c](std::size_t i) { return c.args.at(i); };
    switch (c.verb) {
        case Verb::ExpectText: {
            const QObject* object = findObject(host, arg(0));
            const std::optional<QString> text = textOf(object);
            if (!text)
                throw StepFailure(
                    QStringLiteral("%1 (%2) shows no text").arg(arg(0), className(object)));
            expectEqual(*text, arg(1), QStringLiteral("the text"));
            return;
        }
        case Verb::ExpectCaption: {
            const QObject* object = findObject(host, arg(0));
            const std::optional<QString> caption = captionOf(object);
            if (!caption)
                throw StepFailure(
                    QStringLiteral("%1 (%2) has no caption").arg(arg(0), className(object)));
            expectEqual(*caption, arg(1), QStringLiteral("the caption"));
            return;
        }
        case Verb::ExpectHint:
            expectEqual(hintOf(findObject(host, arg(0))), arg(1), QStringLiteral("the hint"));
            return;
        case Verb::ExpectEnabled:
            expectFlag(enabledOf(findObject(host, arg(0))), arg(1), QStringLiteral("enabled"));
            return;
        case Verb::ExpectVisible:
            expectFlag(visibleOf(findObject(host, arg(0))), arg(1), QStringLiteral("visible"));
            return;
        case Verb::ExpectFocus:
            expectFocus(host, arg(0));
            return;
        case Verb::ExpectMessage:
        case Verb::ExpectMessageStarting: {
            const auto message = context.dialogs.takeMessage();
            if (!message) throw StepFailure(QStringLiteral("no message waiting"));
            const bool whole = c.verb == Verb::ExpectMessage;
            if (whole ? message->text != arg(0) : !message->text.startsWith(arg(0))) {
                throw StepFailure(QStringLiteral("the %1 %2")
                                      .arg(kindName(message->kind), quoted(message->text)));
            }
            return;
        }
        case Verb::ExpectNoMessage:
            if (const auto message = context.dialogs.peekMessage()) {
                throw StepFailure(QStringLiteral("the %1 %2")
                                      .arg(kindName(message->kind), quoted(message->text)));
            }
            return;
        case Verb::ExpectState:
            expectEqual(stateText(findDataSet(host, arg(0)).state()), arg(1),
                        QStringLiteral("the state"));
            return;
        case Verb::ExpectField: {
            platform::dataset::DataSet& dataSet = findDataSet(host, arg(0));
            if (dataSet.state() == platform::dataset::DataSetState::Inactive)
                throw StepFailure(arg(0) + QStringLiteral(" is inactive"));
            if (dataSet.isEmpty() && dataSet.state() == platform::dataset::DataSetState::Browse) {
                throw StepFailure(arg(0) + QStringLiteral(" has no rows"));
            }
            expectEqual(QString::fromStdString(fieldOf(dataSet, arg(0), arg(1)).text()), arg(2),
                        QStringLiteral("the text"));
            return;
        }
        case Verb::ExpectRecno:
            expectCount(findDataSet(host, arg(0)).recNo(), arg(1),
                        QStringLiteral("(the current record number)"));
            return;
        case Verb::ExpectRows:
            expectCount(findGrid(host, arg(0))->rowCount(), arg(1), QStringLiteral("row(s)"));
            return;
        case Verb::ExpectCell:
        case Verb::ExpectColour:
        case Verb::ExpectBold: {
            platform::dbcontrols::DBGrid& grid = *findGrid(host, arg(0));
            const platform::dbcontrols::CellDrawing drawing =
                drawnCell(grid, arg(1).toInt(), columnOf(grid, arg(2)));
            if (c.verb == Verb::ExpectCell)
                expectEqual(drawing.text, arg(3), QStringLiteral("the text"));
            if (c.verb == Verb::ExpectColour) {
                const QString seen = drawing.fontColor.name(QColor::HexRgb).toUpper();
                if (seen != arg(3).toUpper())
                    throw StepFailure(QStringLiteral("the colour %1").arg(seen));
            }
            if (c.verb == Verb::ExpectBold)
                expectFlag(drawing.bold, arg(3), QStringLiteral("bold"));
            return;
        }
        case Verb::ExpectIcon: {
            // The alert icon belongs to the duration cell.
            platform::dbcontrols::DBGrid& grid = *findGrid(host, arg(0));
            const platform::dbcontrols::CellDrawing drawing =
                drawnCell(grid, arg(1).toInt(), columnOf(grid, QStringLiteral("QTHRAPRO")));
            expectFlag(drawing.bitmapDrawn, arg(2), QStringLiteral("icon"));
            return;
        }
        case Verb::ExpectReadonly: {
            const CellRef cell = findCell(host, arg(0));
            const platform::dbcontrols::DBGridColumn& column = cell.grid->column(cell.column);
            const platform::dataset::Field* field = column.field();
            expectFlag(cell.grid->isReadOnly() || column.readOnly() || (field && field->readOnly()),
                       arg(1), QStringLiteral("read-only"));
            return;
        }
        case Verb::ExpectButton: {
            // The column carries the ellipsis style and the grid lets it show in
            // the column's current cell.
            const CellRef cell = findCell(host, arg(0));
            const platform::dbcontrols::DBGrid& grid = *cell.grid;
            const bool shows = grid.column(cell.column).buttonStyle() ==
                                   platform::dbcontrols::ColumnButtonStyle::Ellipsis &&
                               grid.hasOption(platform::dbcontrols::DBGrid::Option::Editing) &&
                               !grid.hasOption(platform::dbcontrols::DBGrid::Option::RowSelect) &&
                               !grid.isReadOnly();
            expectFlag(shows, arg(1), QStringLiteral("ellipsis button"));
            return;
        }
        case Verb::ExpectMarked:
            expectFlag(findCalendar(host, arg(0))->isMarked(QDate::fromString(arg(1), Qt::ISODate)),
                       arg(2), QStringLiteral("marked"));
            return;
        case Verb::ExpectCalls:
            expectCount(framework::NetScript::callCount(arg(0).toStdString()), arg(1),
                        QStringLiteral("call(s)"));
            return;
        case Verb::ExpectWindowState:
            expectEqual(windowStateText(framework::TApplication::WindowState(&requireScreen(host))),
                        arg(0), QStringLiteral("the window state"));
            return;
        case Verb::ExpectCursor: {
            const bool hourglass =
                framework::Application().ScreenCursor() == framework::ScreenCursorKind::Hourglass;
            expectEqual(hourglass ? QStringLiteral("hourglass") : QStringLiteral("default"), arg(0),
                        QStringLiteral("the cursor"));
            return;
        }
        case Verb::ExpectBusy:
            expectFlag(framework::busyShowing(), arg(0), QStringLiteral("busy"));
            return;
        case Verb::ExpectDate:
            expectDate(host, arg(0), arg(1));
            return;
        default:
            throw StepFailure(QStringLiteral("not an expectation"));
    }
}

}  // namespace host::script

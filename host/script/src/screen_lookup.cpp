#include "screen_lookup.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>

#include <algorithm>
#include <vector>

#include "framework/padrao_simples.h"
#include "host/script/scenario_runner.h"
#include "platform/dataset/data_set.h"
#include "platform/dbcontrols/db_calendar.h"
#include "platform/dbcontrols/db_grid.h"
#include "step_failure.h"

namespace host::script {

namespace {

/// The windows a scenario can see: the main window first, then any other
/// top-level window (a form shown outside the MDI area).
std::vector<QWidget*> roots(const ScenarioHost& host) {
    std::vector<QWidget*> out;
    if (host.mainWindow) out.push_back(host.mainWindow);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        const bool inside = std::any_of(
            out.begin(), out.end(), [top](QWidget* r) { return r == top || r->isAncestorOf(top); });
        if (!inside) out.push_back(top);
    }
    return out;
}

template <typename T>
std::vector<T*> collect(const ScenarioHost& host, const QString& name) {
    std::vector<T*> found;
    auto add = [&found](T* object) {
        if (object && std::find(found.begin(), found.end(), object) == found.end())
            found.push_back(object);
    };
    for (QWidget* root : roots(host)) {
        if (name.isEmpty() || root->objectName() == name) add(qobject_cast<T*>(root));
        const auto children =
            name.isEmpty() ? root->findChildren<T*>() : root->findChildren<T*>(name);
        for (T* child : children) add(child);
    }
    return found;
}

}  // namespace

QString describe(const QObject* object) {
    if (!object) return QStringLiteral("nothing");
    QString text = object->objectName().isEmpty()
                       ? QStringLiteral("an unnamed %1")
                             .arg(QString::fromLatin1(object->metaObject()->className()))
                       : object->objectName();
    if (object->objectName().isEmpty()) {
        for (const QObject* up = object->parent(); up; up = up->parent()) {
            if (!up->objectName().isEmpty())
                return text + QStringLiteral(" inside ") + up->objectName();
        }
    }
    return text;
}

QObject* findObject(const ScenarioHost& host, const QString& name) {
    std::vector<QObject*> found = collect<QObject>(host, name);
    if (found.empty())
        throw StepFailure(QStringLiteral("no control named %1 is on the screen").arg(name));
    // With several screens open, a name means the control of the active one.
    if (QWidget* screen = found.size() > 1 ? currentScreen(host) : nullptr) {
        std::vector<QObject*> inScreen;
        for (QObject* object : found) {
            auto* widget = qobject_cast<QWidget*>(object);
            QObject* up = object;
            while (up && up != screen) up = up->parent();
            if (up || (widget && screen->isAncestorOf(widget))) inScreen.push_back(object);
        }
        if (!inScreen.empty()) found = std::move(inScreen);
    }
    if (found.size() > 1) {
        throw StepFailure(QStringLiteral("%1 controls are named %2").arg(found.size()).arg(name));
    }
    return found.front();
}

QWidget* findWidget(const ScenarioHost& host, const QString& name) {
    QObject* object = findObject(host, name);
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) {
        throw StepFailure(QStringLiteral("%1 is a %2, not a control on the screen")
                              .arg(name, QString::fromLatin1(object->metaObject()->className())));
    }
    return widget;
}

platform::dbcontrols::DBGrid* findGrid(const ScenarioHost& host, const QString& name) {
    auto* grid = qobject_cast<platform::dbcontrols::DBGrid*>(findWidget(host, name));
    if (!grid) throw StepFailure(QStringLiteral("%1 is not a data grid").arg(name));
    return grid;
}

platform::dbcontrols::DBCalendar* findCalendar(const ScenarioHost& host, const QString& name) {
    auto* calendar = qobject_cast<platform::dbcontrols::DBCalendar*>(findWidget(host, name));
    if (!calendar) throw StepFailure(QStringLiteral("%1 is not a calendar").arg(name));
    return calendar;
}

QWidget* currentScreen(const ScenarioHost& host) {
    if (!host.mdiArea) return nullptr;
    if (QMdiSubWindow* active = host.mdiArea->activeSubWindow(); active && active->widget())
        return active->widget();
    // The newest MDI window, as the area lists them in creation order.
    const QList<QMdiSubWindow*> windows = host.mdiArea->subWindowList(QMdiArea::CreationOrder);
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        if ((*it)->widget()) return (*it)->widget();
    }
    return nullptr;
}

QWidget& requireScreen(const ScenarioHost& host) {
    QWidget* screen = currentScreen(host);
    if (!screen) throw StepFailure(QStringLiteral("no screen is open"));
    return *screen;
}

platform::dataset::DataSet& findDataSet(const ScenarioHost& host, const QString& name) {
    auto* base = qobject_cast<framework::TfrmPadraoSimples*>(&requireScreen(host));
    if (!base) throw StepFailure(QStringLiteral("the open screen has no data sets"));
    framework::TfrmPadraoSimples& screen = *base;
    platform::dataset::DataSet* dataSet = screen.findDataSet(name);
    if (!dataSet) {
        throw StepFailure(QStringLiteral("the screen has no data set %1 (it has %2)")
                              .arg(name, screen.dataSetNames().join(QStringLiteral(", "))));
    }
    return *dataSet;
}

int columnOf(const platform::dbcontrols::DBGrid& grid, const QString& field) {
    const int column = grid.columnIndex(field);
    if (column < 0)
        throw StepFailure(
            QStringLiteral("%1 has no column of field %2").arg(grid.objectName(), field));
    return column;
}

CellRef findCell(const ScenarioHost& host, const QString& gridDotField) {
    const qsizetype dot = gridDotField.indexOf(QLatin1Char('.'));
    CellRef cell;
    cell.grid = findGrid(host, gridDotField.left(dot));
    cell.field = gridDotField.mid(dot + 1);
    cell.column = columnOf(*cell.grid, cell.field);
    return cell;
}

}  // namespace host::script

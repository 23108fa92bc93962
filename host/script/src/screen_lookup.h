#pragma once

#include <QString>

class QObject;
class QWidget;

namespace platform::dataset {
class DataSet;
}
namespace framework {
class TfrmPadraoSimples;
}
namespace platform::dbcontrols {
class DBGrid;
class DBCalendar;
}  // namespace platform::dbcontrols

namespace host::script {

struct ScenarioHost;

/// Finds what a scenario names among the live widgets of the main window and
/// the application's other windows. Every function throws StepFailure with
/// a readable reason when the name finds nothing, or more than one object.
QObject* findObject(const ScenarioHost& host, const QString& name);
QWidget* findWidget(const ScenarioHost& host, const QString& name);
platform::dbcontrols::DBGrid* findGrid(const ScenarioHost& host, const QString& name);
platform::dbcontrols::DBCalendar* findCalendar(const ScenarioHost& host, const QString& name);

/// The open screen: the form in the active MDI window, else the newest form
/// of an MDI window; nullptr when none is open.
QWidget* currentScreen(const ScenarioHost& host);
QWidget& requireScreen(const ScenarioHost& host);

/// A data set of the open screen by name (the screen must be built on the
/// framework's base screen).
platform::dataset::DataSet& findDataSet(const ScenarioHost& host, const QString& name);

/// A cell named GRID.FIELD: the grid and the index of its column.
struct CellRef {
    platform::dbcontrols::DBGrid* grid = nullptr;
    int column = -1;
    QString field;
};
CellRef findCell(const ScenarioHost& host, const QString& gridDotField);
/// The column of `grid` bound to `field`; throws StepFailure when it has none.
int columnOf(const platform::dbcontrols::DBGrid& grid, const QString& field);

/// A description of a widget for reports: its object name (or class) and
/// the nearest named ancestor.
QString describe(const QObject* object);

}  // namespace host::script

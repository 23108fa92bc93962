#include "host/script/run_scenario_file.h"

#include <QAction>
#include <QTest>

#include "host/host_run.h"
#include "host/main_window.h"
#include "host/script/scenario.h"
#include "host/script/scenario_runner.h"

namespace host::script {

int runScenarioFile(HostSession& session, const QString& file, std::ostream& err) {
    Scenario scenario;
    try {
        scenario = loadScenario(file);
    } catch (const ScenarioSyntaxError& e) {
        err << e.what() << "\n";
        return 1;
    }
    MainWindow& window = session.mainWindow();
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) {
        err << file.toStdString() << ": the main window did not become active\n";
        return 1;
    }
    ScenarioHost host;
    host.mainWindow = &window;
    host.mdiArea = window.mdiArea();
    host.openScreen = [&window] { window.apropriacaoAction()->trigger(); };
    return runScenario(scenario, host, err);
}

}  // namespace host::script

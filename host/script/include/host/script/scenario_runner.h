#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <ostream>

#include "host/script/scenario.h"

class QMdiArea;
class QWidget;

namespace host::script {

/// What a scenario drives: the main window with its MDI area, and what the
/// host's menu entry does to open the screen.
struct ScenarioHost {
    QWidget* mainWindow = nullptr;
    QMdiArea* mdiArea = nullptr;
    /// Runs the menu entry (through the dispatch point, as a click on it).
    std::function<void()> openScreen;
};

struct RunnerLimits {
    /// How long `open` may take to finish the screen's activation.
    std::chrono::milliseconds openTimeout{30000};
    /// How long the busy animation must stay off for `open` to count as done.
    std::chrono::milliseconds settle{60};
};

/// Runs a parsed scenario against the widgets of `host`, with the
/// scenario's own dialog service installed for the run (questions answered
/// from the `answer` queue, messages recorded for `expect message`).
/// Returns 0 when every command ran and every expectation held; otherwise
/// prints to `out` the file, line, the command and what was seen, and
/// returns 1 at the first failure.
int runScenario(const Scenario& scenario, const ScenarioHost& host, std::ostream& out,
                RunnerLimits limits = {});

}  // namespace host::script

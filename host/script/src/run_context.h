#pragma once

#include <QWidget>

#include <map>
#include <memory>
#include <string>

#include "host/script/scenario.h"
#include "host/script/scenario_runner.h"
#include "scenario_dialogs.h"

namespace host::script {

/// What the commands of one run share.
struct RunContext {
    const ScenarioHost& host;
    ScenarioDialogService& dialogs;
    RunnerLimits limits;
    /// Failures queued by `fail`, so that `reset calls` can keep the ones
    /// not yet used: method → (count, calls made when queued).
    std::map<std::string, std::pair<int, int>> queuedFailures;
    /// The window of another program that `deactivate` brings to the front.
    std::unique_ptr<QWidget> otherWindow;
};

/// Carries out a move; throws StepFailure when it cannot be made.
void runMove(const Command& command, RunContext& context);
/// Checks an expectation; throws StepFailure with what was seen.
void checkExpectation(const Command& command, RunContext& context);

/// Lets the events that a move posted run (deferred deletions included),
/// without letting timers run on for long.
void settleEvents();

}  // namespace host::script

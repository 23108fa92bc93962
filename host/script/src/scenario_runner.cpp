#include "host/script/scenario_runner.h"

#include <QWidget>

#include "platform/ui/dialog_service.h"
#include "run_context.h"
#include "step_failure.h"

namespace host::script {

namespace {

void report(std::ostream& out, const Scenario& scenario, const Command& command,
            const QString& seen) {
    out << scenario.file.toStdString() << ":" << command.line << ": "
        << command.source.toStdString() << "\n"
        << "  saw: " << seen.toStdString() << "\n";
}

/// What the scenario did not account for: worth a note at the end of a run
/// (the language does not make it a failure), and a clue after a failure.
void noteLeftovers(std::ostream& out, ScenarioDialogService& dialogs) {
    while (const auto message = dialogs.takeMessage()) {
        out << "note: " << kindName(message->kind).toStdString() << " not expected: \""
            << message->text.toStdString() << "\"\n";
    }
    if (dialogs.pendingAnswers() > 0)
        out << "note: " << dialogs.pendingAnswers() << " answer(s) not used\n";
}

}  // namespace

int runScenario(const Scenario& scenario, const ScenarioHost& host, std::ostream& out,
                RunnerLimits limits) {
    ScenarioDialogService dialogs;
    platform::ui::ScopedDialogService installed(dialogs);
    RunContext context{host, dialogs, limits, {}};
    for (const Command& command : scenario.commands) {
        try {
            if (command.isExpectation())
                checkExpectation(command, context);
            else
                runMove(command, context);
            if (const auto question = dialogs.takeUnexpectedQuestion()) {
                throw StepFailure(
                    QStringLiteral("a question without a fitting answer: %1").arg(*question));
            }
        } catch (const StepFailure& failure) {
            report(out, scenario, command, failure.seen());
            noteLeftovers(out, dialogs);
            return 1;
        } catch (const std::exception& e) {
            report(out, scenario, command,
                   QStringLiteral("an error: %1").arg(QString::fromUtf8(e.what())));
            noteLeftovers(out, dialogs);
            return 1;
        }
    }
    noteLeftovers(out, dialogs);
    return 0;
}

}  // namespace host::script

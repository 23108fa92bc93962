#pragma once

#include <QString>

#include <ostream>

namespace host {
class HostSession;
}

namespace host::script {

/// `host --script FILE` after a scripted login: reads the scenario, shows
/// the main window and runs the scenario against it, the menu entry
/// opening the screen. Returns 0 when every expectation held, 1 otherwise
/// (a scenario that cannot be read included); reports go to `err`.
int runScenarioFile(HostSession& session, const QString& file, std::ostream& err);

}  // namespace host::script

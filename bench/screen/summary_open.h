#pragma once

namespace platform::ui {
class ScriptedDialogService;
}

namespace screen_bench {

/// Opens the summary screen (its IniProc) on the summary's team and the
/// server's month, `openings` times, and prints how long an opening takes
/// until the month is shown; then moves the grid from operator to operator
/// `redraws` times and prints how long the chart takes to follow and
/// repaint. Throws when the screen shows an error or the month is not the
/// team's.
void measureSummary(platform::ui::ScriptedDialogService& dialogs, int openings, int redraws);

}  // namespace screen_bench

#pragma once

namespace Cli_Zep00700 {
class TfrmApropriacaoAccess;
}

namespace screen_bench {

/// Fills the screen's appropriation grid with a day of 200 rows (open,
/// late, flagged and plain ones, as a busy day mixes them) and prints how
/// long the grid takes to repaint: whole at the screen's design size, at
/// each step of a scroll through the day, and with all 200 rows in view.
/// `repaints` paints are timed for each figure.
void measureGridRepaint(Cli_Zep00700::TfrmApropriacaoAccess& form, int repaints);

}  // namespace screen_bench

#pragma once

namespace Cli_Zep00700 {
class TfrmApropriacaoAccess;
}

namespace platform::ui {
class ScriptedDialogService;
}

namespace screen_bench {

/// Times the two shortcuts of the day screen and prints their figures:
/// "Copiar Dia Anterior" of a day of 10 rows onto an empty day, end to end
/// (the question answered yes, the save, the refresh and the day load), on
/// `copies` operators; and "Preencher pelos Pontos" on a filled day (the new
/// row begun over the first gap between its rows), `fills` times, with the
/// remote calls each made. What a copy adds to the database is removed again,
/// untimed, so that a cached database stays as filled.
void measureShortcuts(Cli_Zep00700::TfrmApropriacaoAccess& form,
                      platform::ui::ScriptedDialogService& dialogs, int copies, int fills);

}  // namespace screen_bench

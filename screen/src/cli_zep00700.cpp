#include "screen/cli_zep00700.h"

namespace Cli_Zep00700 {

TfrmApropriacao* frmApropriacao = nullptr;
bool boIdCriado = false;
bool boSimplificada = false;
bool boPrimVez = true;
QString stSitAtiv;
bool boFiltrado = false;

namespace {
// Counts down on initialization and back up on finalization, so nested
// initializations act once and the finalization acts on the last one.
int initializationCount = 0;
}  // namespace

void UnitInitialization() {
    if (initializationCount-- == 0) {
        boIdCriado = false;
        boPrimVez = true;
    }
}

void UnitFinalization() {
    if (++initializationCount == 0) {
        stSitAtiv.clear();
        stSitAtiv.squeeze();
    }
}

}  // namespace Cli_Zep00700

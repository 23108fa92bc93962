#include "summary/cli_zep00710.h"

namespace Cli_Zep00710 {

TfrmResumoApropriacao* frmResumoApropriacao = nullptr;
bool boIdCriado = false;

void UnitInitialization() {
    boIdCriado = false;
}

void UnitFinalization() {
    boIdCriado = false;
}

}  // namespace Cli_Zep00710

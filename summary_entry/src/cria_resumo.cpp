#include "summary_entry/cria_resumo.h"

#include "framework/open_screen.h"
#include "summary/frm_resumo_apropriacao.h"

namespace Cli_Zep00710 {

void CriaResumo() {
    framework::OpenScreen(QStringLiteral("Resumo da Apropriação"), frmResumoApropriacao,
                          boIdCriado);
}

void IniProc() {
    CriaResumo();
}

}  // namespace Cli_Zep00710

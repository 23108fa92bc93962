#include "entry/cria_apropriacao.h"

#include <iostream>

#include "framework/application.h"
#include "framework/busy.h"
#include "platform/ui/dispatch.h"
#include "screen/cli_zep00700.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

void CriaApropriacao() {
    framework::TApplication& app = framework::Application();
    try {
        app.SetScreenCursor(framework::ScreenCursorKind::Hourglass);
        framework::ActiveShowAvi(app.MainForm(), 1);
        if (!boIdCriado) {
            app.CreateForm(frmApropriacao);
            boIdCriado = true;
        }
        app.ShowChild(frmApropriacao);
        framework::TApplication::SetWindowState(frmApropriacao, framework::FormWindowState::Normal);
        app.SetScreenCursor(framework::ScreenCursorKind::Default);
        framework::DeactiveShowAvi();
    } catch (...) {
        app.SetScreenCursor(framework::ScreenCursorKind::Default);
        framework::DeactiveShowAvi();
        // The host sees a normal return; support sees why nothing opened.
        std::cerr << "Manutenção da Apropriação: a tela não pôde ser aberta: "
                  << platform::ui::exceptionMessage(std::current_exception()).toStdString()
                  << std::endl;
    }
}

void IniProc() {
    CriaApropriacao();
}

}  // namespace Cli_Zep00700

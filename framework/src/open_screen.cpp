#include "framework/open_screen.h"

#include <iostream>

#include "framework/busy.h"
#include "platform/ui/dispatch.h"

namespace framework {

void OpenScreen(const QString& caption, const std::function<QWidget*()>& screen) {
    TApplication& app = Application();
    try {
        app.SetScreenCursor(ScreenCursorKind::Hourglass);
        ActiveShowAvi(app.MainForm(), 1);
        QWidget* form = screen();
        app.ShowChild(form);
        TApplication::SetWindowState(form, FormWindowState::Normal);
        app.SetScreenCursor(ScreenCursorKind::Default);
        DeactiveShowAvi();
    } catch (...) {
        app.SetScreenCursor(ScreenCursorKind::Default);
        DeactiveShowAvi();
        // The host sees a normal return; support sees why nothing opened.
        std::cerr << caption.toStdString() << ": a tela não pôde ser aberta: "
                  << platform::ui::exceptionMessage(std::current_exception()).toStdString()
                  << std::endl;
    }
}

}  // namespace framework

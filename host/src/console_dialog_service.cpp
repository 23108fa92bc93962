#include "host/console_dialog_service.h"

namespace host {

void ConsoleDialogService::error(const QString& text) {
    ScriptedDialogService::error(text);
    out_ << "Erro: " << text.toStdString() << std::endl;
}

void ConsoleDialogService::information(const QString& text) {
    ScriptedDialogService::information(text);
    out_ << text.toStdString() << std::endl;
}

}  // namespace host

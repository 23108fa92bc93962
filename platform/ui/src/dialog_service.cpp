#include "platform/ui/dialog_service.h"

#include <stdexcept>

namespace platform::ui {

namespace {
DialogService* g_service = nullptr;
}

DialogService& dialogs() {
    if (!g_service) throw std::logic_error("No dialog service is installed");
    return *g_service;
}

bool hasDialogService() {
    return g_service != nullptr;
}

DialogService* setDialogService(DialogService* service) {
    DialogService* previous = g_service;
    g_service = service;
    return previous;
}

}  // namespace platform::ui

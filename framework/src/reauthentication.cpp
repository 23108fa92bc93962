#include "framework/reauthentication.h"

namespace framework {

namespace {

ReauthenticationService* g_service = nullptr;
bool g_renewing = false;

}  // namespace

ReauthenticationService* setReauthenticationService(ReauthenticationService* service) {
    ReauthenticationService* previous = g_service;
    g_service = service;
    return previous;
}

ReauthenticationService* reauthenticationService() {
    return g_service;
}

bool RenewSession(const QString& reason) {
    if (!g_service || g_renewing) return false;
    struct Renewing {
        Renewing() { g_renewing = true; }
        ~Renewing() { g_renewing = false; }
    } renewing;
    return g_service->reauthenticate(reason);
}

}  // namespace framework

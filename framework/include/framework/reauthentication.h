#pragma once

#include <QString>

#include "framework/export.h"

namespace framework {

/// Opens a new session when the server says the one in use has ended (its
/// idle or maximum age reached, or the server lost it in a restart). The
/// host installs one that asks the logged-in user's password again; the
/// framework asks it when a remote call is answered 401 and, when it
/// succeeds, repeats that call once with the new session. Without one
/// installed, a 401 fails as any other answer.
class FRAMEWORK_EXPORT ReauthenticationService {
public:
    virtual ~ReauthenticationService() = default;
    /// Runs on the user-interface thread. `reason` is the server's text.
    /// True once a new session is open (the login values then hold its
    /// token), false when the user gave up.
    virtual bool reauthenticate(const QString& reason) = 0;
};

/// Installs `service` (not owned; nullptr uninstalls) and returns the one it replaces.
FRAMEWORK_EXPORT ReauthenticationService* setReauthenticationService(
    ReauthenticationService* service);
FRAMEWORK_EXPORT ReauthenticationService* reauthenticationService();

/// Installs a service for the lifetime of a scope and restores the previous one.
class FRAMEWORK_EXPORT ScopedReauthenticationService {
public:
    explicit ScopedReauthenticationService(ReauthenticationService& service)
        : previous_(setReauthenticationService(&service)) {}
    ~ScopedReauthenticationService() { setReauthenticationService(previous_); }
    ScopedReauthenticationService(const ScopedReauthenticationService&) = delete;
    ScopedReauthenticationService& operator=(const ScopedReauthenticationService&) = delete;

private:
    ReauthenticationService* previous_;
};

/// For the framework's remote calls: asks the installed service for a new
/// session, never two at once. False without a service, when the user gave
/// up, and when a renewal is already under way (a call made while its
/// dialog is open fails instead of opening a second one).
FRAMEWORK_EXPORT bool RenewSession(const QString& reason);

}  // namespace framework

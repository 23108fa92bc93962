#pragma once

#include "framework/reauthentication.h"
#include "platform/ui/qt_dialog_service.h"

namespace host {

/// A new session for the user already logged in, when the server ended the
/// one in use: the dialog service asks the password again (server, user and
/// branch stay those of the login values) and the login sets the new token.
/// The framework repeats the call that was refused once this succeeds.
class SessionRenewal : public framework::ReauthenticationService {
public:
    bool reauthenticate(const QString& reason) override;
};

/// The interactive dialog service of the host: the platform's, with the
/// host's own login dialog (asking only the password) to log in again.
class HostDialogService : public platform::ui::QtDialogService {
public:
    bool relogin(const platform::ui::ReloginPrompt& prompt,
                 const std::function<void(const QString& password)>& attempt) override;
};

}  // namespace host

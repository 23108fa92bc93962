#pragma once

#include <QString>

#include "framework/corvix.h"

namespace host {

/// What the user typed (or the script gave) to log in.
struct LoginRequest {
    QString serverHost;
    int serverPort = 0;
    QString user;
    QString password;
    QString branch;
};

/// The text of the first field the request lacks ("Informe …"), or an
/// empty text when it is complete.
QString missingLoginField(const LoginRequest& request);

/// Logs in at the application server and, on success, sets the session's
/// login values (user, name, branch, host, port, token) and returns them.
/// Throws framework::ServerCallError with the server's message (or the
/// host and port that could not be reached), framework::Error for an
/// incomplete request.
framework::LoginValues logIn(const LoginRequest& request);

}  // namespace host

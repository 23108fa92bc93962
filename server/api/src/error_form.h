#pragma once

#include "appserver/remote/api_error.h"

namespace appserver {

/// The name of a failure kind in the protocol's error form ({"error":{"code":…}}).
const char* errorCodeName(ErrorCode code);
/// The HTTP status a failure kind is answered with.
int errorCodeStatus(ErrorCode code);

}  // namespace appserver

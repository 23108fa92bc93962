#pragma once

#include <simdjson.h>

#include <string>
#include <string_view>
#include <vector>

#include "appserver/remote/call_args.h"

namespace appserver {

/// Reads the "args" array of a call; throws ApiError naming the argument at
/// fault: bad_request for a malformed one or a text holding a control
/// character, too_large or invalid for a change packet past its limits.
std::vector<CallArg> parseCallArgs(simdjson::dom::element args);

/// A remote call as its body names it.
struct CallRequest {
    std::string server;
    std::string method;
    std::vector<CallArg> args;
};

/// Decodes the body of POST /v1/call; throws ApiError as parseCallArgs does.
CallRequest decodeCallBody(std::string_view body);

/// A text argument as the decoder admits it; throws ApiError(bad_request)
/// naming `what` when it holds a C0 control character.
void checkTextArgument(std::string_view text, const std::string& what);

}  // namespace appserver

#include "appserver/api/server_settings.h"

#include "appserver/http/limits.h"

namespace appserver {

ServerSettings::ServerSettings()
    : requestDeadline(http::limits::kRequestDeadline),
      keepAliveIdle(http::limits::kKeepAliveIdle),
      maxConnectionsPerAddress(http::limits::kMaxConnectionsPerAddress),
      shutdownGrace(http::limits::kShutdownGrace) {}

}  // namespace appserver

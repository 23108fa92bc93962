#pragma once

#include <string>

namespace appserver {

/// Who is calling: one user at one branch, as the login opened the session.
struct SessionInfo {
    std::string user;
    std::string name;
    std::string branch;
};

}  // namespace appserver

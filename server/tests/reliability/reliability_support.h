#pragma once

#include <httplib.h>
#include <spdlog/spdlog.h>
#include <nlohmann/json.hpp>

#include <sys/types.h>
#include <memory>
#include <string>
#include <vector>

#include "log_capture.h"
#include "test_support.h"

namespace appserver::testing {

/// The appserver program run as a process of its own over a database URL, on
/// a free loopback port, with the tests' clock. Killed at the end if still running.
class ServerProcess {
public:
    ServerProcess(const std::string& dbUrl, const std::vector<std::string>& extraArgs = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const { return port_; }
    /// Sends the signal and waits for the process to end; its exit status (waitpid's).
    int kill(int signal);
    /// What the process wrote to its standard error so far.
    std::string log() const;

    /// A keep-alive client of this server.
    std::unique_ptr<httplib::Client> client() const;
    /// Logs in (password "senha" + the code's last three digits); fails the test unless it
    /// succeeds.
    std::string login(const std::string& user, const std::string& branch = "0001") const;

private:
    std::string dir_;
    pid_t pid_ = -1;
    int port_ = 0;
};

/// A call body of the remote module.
std::string callBody(const std::string& method, const nlohmann::json& args);

/// Runs a cluster command of scripts/pg-tmp (halt, resume) on the cluster the
/// tests run against; fails the test when it fails.
void pgTmp(const std::string& command);
/// True when the tests run against a cluster of scripts/pg-tmp that they may halt.
bool pgTmpAvailable();

}  // namespace appserver::testing

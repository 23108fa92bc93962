#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace appserver::testing {

/// The appserver program run as a separate process, as an operator runs it:
/// on a free loopback port, its log in a file, over a database given by URL
/// or a temporary SQLite file seeded with the tests' base data. The binary is
/// the one built with the tests, or $APPSERVER_BINARY when set (to try the
/// same tests on another build). Killed, if still running, at the end.
class ServerProcess {
public:
    /// Starts `appserver serve` with `extraArgs`; fails the test (fatally)
    /// unless it listens within a bounded wait.
    explicit ServerProcess(const std::vector<std::string>& extraArgs = {},
                           const std::string& dbUrl = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    bool started() const { return port_ > 0; }
    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    /// The SQLite file when the process made its own database, else empty.
    const std::string& sqlitePath() const { return sqlitePath_; }

    /// Resident memory the process holds of its own now, in KiB (from
    /// /proc): its heap and stacks, not the pages of the program, its
    /// libraries or the database file it has mapped, which the kernel maps
    /// in more or fewer at a time as they stand in its page cache.
    long residentKiB() const;
    void signal(int sig) const;
    /// Waits for the process to end: its exit code, 128 + the signal that
    /// killed it, or -1 when it still runs after `limit`.
    int waitExit(std::chrono::milliseconds limit);
    std::string log() const;

private:
    std::string dir_;
    std::string sqlitePath_;
    pid_t pid_ = -1;
    int port_ = 0;
    bool exited_ = false;
};

/// Samples a process's resident memory from a thread of its own and keeps
/// the highest value, so that a short peak during a request is seen.
class ResidentPeak {
public:
    explicit ResidentPeak(const ServerProcess& process);
    ~ResidentPeak();
    ResidentPeak(const ResidentPeak&) = delete;
    ResidentPeak& operator=(const ResidentPeak&) = delete;

    /// The highest sample since the start, in KiB.
    long peakKiB() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace appserver::testing

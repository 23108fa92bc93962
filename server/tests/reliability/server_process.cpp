#include "server_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "test_support.h"

extern char** environ;

namespace appserver::testing {

namespace fs = std::filesystem;

namespace {

std::string binary() {
    if (const char* b = std::getenv("APPSERVER_BINARY"); b && *b) return b;
    return APPSERVER_BINARY;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ServerProcess::ServerProcess(const std::vector<std::string>& extraArgs, const std::string& dbUrl) {
    std::string pattern = (fs::temp_directory_path() / "appserver-process-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        ADD_FAILURE() << "cannot make a temporary folder";
        return;
    }
    dir_ = pattern;
    std::vector<std::string> args = {binary(),      "serve",        "--listen", "127.0.0.1:0",
                                     "--port-file", dir_ + "/port", "--clock",  kNow};
    if (dbUrl.empty()) {
        sqlitePath_ = dir_ + "/server.db";
        std::ofstream(dir_ + "/seed.json") << baseData().dump();
        for (const std::string& a : {std::string("--db"), "sqlite:" + sqlitePath_,
                                     std::string("--seed"), dir_ + "/seed.json"})
            args.push_back(a);
    } else {
        args.push_back("--db");
        args.push_back(dbUrl);
    }
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    const std::string logPath = dir_ + "/server.log";
    posix_spawn_file_actions_addopen(&files, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    // The child starts with no signal blocked, whatever this thread blocks.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&pid_, argv[0], &files, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attr);
    if (spawned != 0) {
        pid_ = -1;
        ADD_FAILURE() << "cannot start " << args[0] << ": " << std::strerror(spawned);
        return;
    }
    // Sanitized builds and password hashing at the seed's import make the start take a while.
    for (int i = 0; i < 600; ++i) {
        if (fs::exists(dir_ + "/port")) {
            port_ = std::stoi(readFile(dir_ + "/port"));
            return;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            exited_ = true;
            ADD_FAILURE() << "the server ended before listening:\n" << log();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ADD_FAILURE() << "the server did not listen within 30 s:\n" << log();
}

ServerProcess::~ServerProcess() {
    if (pid_ > 0 && !exited_) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    std::error_code ignored;  // a folder left behind in the temporary one is harmless
    if (!dir_.empty()) fs::remove_all(dir_, ignored);
}

long ServerProcess::residentKiB() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("RssAnon:", 0) == 0) return std::stol(line.substr(8));
    return -1;
}

void ServerProcess::signal(int sig) const {
    if (pid_ > 0) ::kill(pid_, sig);
}

int ServerProcess::waitExit(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            exited_ = true;
            if (WIFEXITED(status)) return WEXITSTATUS(status);
            if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

std::string ServerProcess::log() const {
    return readFile(dir_ + "/server.log");
}

struct ResidentPeak::State {
    const ServerProcess& process;
    std::atomic<bool> stop{false};
    std::atomic<long> peak{0};
    std::thread sampler;
};

ResidentPeak::ResidentPeak(const ServerProcess& process) : state_(new State{process, {}, {}, {}}) {
    state_->peak = process.residentKiB();
    state_->sampler = std::thread([s = state_.get()] {
        while (!s->stop) {
            const long now = s->process.residentKiB();
            if (now > s->peak) s->peak = now;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
}

ResidentPeak::~ResidentPeak() {
    state_->stop = true;
    state_->sampler.join();
}

long ResidentPeak::peakKiB() const {
    return state_->peak;
}

}  // namespace appserver::testing

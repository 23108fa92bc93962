#include "reliability_support.h"

#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace appserver::testing {

using nlohmann::json;

ServerProcess::ServerProcess(const std::string& dbUrl, const std::vector<std::string>& extraArgs) {
    char pattern[] = "/tmp/appserver-process-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("cannot create a temporary folder");
    dir_ = pattern;
    const std::string portFile = dir_ + "/port";
    std::vector<std::string> args = {
        APPSERVER_EXECUTABLE, "serve",  "--db",    dbUrl, "--listen",  "127.0.0.1:0",
        "--port-file",        portFile, "--clock", kNow,  "--threads", "4"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        // Ends with the test, even one that aborts; writes nothing to the test's own output.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const std::string logFile = dir_ + "/stderr.log";
        if (!std::freopen(logFile.c_str(), "w", stderr) || !std::freopen("/dev/null", "w", stdout))
            _exit(126);
        std::vector<char*> argv;
        argv.reserve(args.size() + 1);
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    for (int i = 0; i < 400 && port_ == 0; ++i) {
        std::ifstream in(portFile);
        if (!(in >> port_)) port_ = 0;
        if (port_ == 0) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                throw std::runtime_error("appserver ended at start: " + log());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
    if (port_ == 0)
        throw std::runtime_error("appserver did not start listening within 10 s: " + log());
}

ServerProcess::~ServerProcess() {
    if (pid_ > 0) kill(SIGKILL);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

int ServerProcess::kill(int signal) {
    if (pid_ <= 0) return -1;
    ::kill(pid_, signal);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
}

std::string ServerProcess::log() const {
    std::ifstream in(dir_ + "/stderr.log");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::unique_ptr<httplib::Client> ServerProcess::client() const {
    auto c = std::make_unique<httplib::Client>("127.0.0.1", port_);
    c->set_keep_alive(true);
    c->set_read_timeout(20, 0);
    return c;
}

std::string ServerProcess::login(const std::string& user, const std::string& branch) const {
    auto c = client();
    auto res = c->Post(
        "/v1/login",
        json{{"user", user}, {"password", "senha" + user.substr(9)}, {"branch", branch}}.dump(),
        "application/json");
    EXPECT_TRUE(res && res->status == 200) << (res ? res->body : httplib::to_string(res.error()));
    return res && res->status == 200 ? json::parse(res->body).value("token", "") : std::string();
}

std::string callBody(const std::string& method, const json& args) {
    return json{{"server", "Zep00700.rdmApropriacao"}, {"method", method}, {"args", args}}.dump();
}

bool pgTmpAvailable() {
    const char* dir = std::getenv("APPSERVER_TEST_PG_DIR");
    const char* script = std::getenv("APPSERVER_TEST_PG_TMP");
    return dir && *dir && script && *script;
}

void pgTmp(const std::string& command) {
    ASSERT_TRUE(pgTmpAvailable());
    const std::string line = std::string("'") + std::getenv("APPSERVER_TEST_PG_TMP") + "' " +
                             command + " '" + std::getenv("APPSERVER_TEST_PG_DIR") + "'";
    ASSERT_EQ(std::system(line.c_str()), 0) << line;
}

}  // namespace appserver::testing

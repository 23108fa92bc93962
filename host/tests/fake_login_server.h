#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

/// A loopback stand-in for the application server's login, on a free port:
/// user "000000000101", password "segredo", branch "0001" get a token;
/// anything else gets 401 with the server's message. Stopped and joined on
/// destruction.
class FakeLoginServer {
public:
    static constexpr const char* kUser = "000000000101";
    static constexpr const char* kPassword = "segredo";
    static constexpr const char* kBranch = "0001";
    static constexpr const char* kName = "OPERADOR DE TESTE";
    static constexpr const char* kRefusal = "Usuário, senha ou filial inválidos.";

    FakeLoginServer();
    ~FakeLoginServer();

    int port() const { return port_; }
    int loginCount() const { return logins_; }

private:
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<int> logins_{0};
};

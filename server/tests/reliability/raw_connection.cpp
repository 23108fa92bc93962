#include "raw_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace appserver::testing {

namespace {

int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

RawConnection::RawConnection(int port) : fd_(connectTo(port)) {}

RawConnection::~RawConnection() {
    close();
}

void RawConnection::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool RawConnection::send(std::string_view bytes) {
    while (fd_ >= 0 && !bytes.empty()) {
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return fd_ >= 0;
}

bool RawConnection::receive(std::chrono::steady_clock::time_point until, bool& ended) {
    ended = false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    if (fd_ < 0 || left.count() <= 0) return false;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) != 1) return false;
    char chunk[65536];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) {
        ended = true;
        return false;
    }
    pending_.append(chunk, static_cast<std::size_t>(n));
    return true;
}

RawAnswer RawConnection::read(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    bool ended = false;
    for (;;) {
        const auto headEnd = pending_.find("\r\n\r\n");
        if (headEnd != std::string::npos && pending_.rfind("HTTP/1.", 0) == 0) {
            const std::string head = pending_.substr(0, headEnd);
            std::size_t length = 0;
            for (const char* name : {"\r\nContent-Length:", "\r\ncontent-length:"})
                if (auto at = head.find(name); at != std::string::npos)
                    length = std::strtoul(head.c_str() + at + std::string_view(name).size(),
                                          nullptr, 10);
            if (pending_.size() >= headEnd + 4 + length) {
                RawAnswer answer{std::atoi(pending_.c_str() + 9),
                                 pending_.substr(headEnd + 4, length)};
                pending_.erase(0, headEnd + 4 + length);
                return answer;
            }
        }
        if (!receive(until, ended)) return {};
    }
}

bool RawConnection::closedWithin(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    bool ended = false;
    while (receive(until, ended)) pending_.clear();
    return ended;
}

bool connectionRefused(int port) {
    const int fd = connectTo(port);
    if (fd < 0) return true;
    ::close(fd);
    return false;
}

}  // namespace appserver::testing

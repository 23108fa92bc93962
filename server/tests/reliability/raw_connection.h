#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace appserver::testing {

/// What came back on a raw connection: the status of the answer (0 when
/// none arrived whole) and its body.
struct RawAnswer {
    int status = 0;
    std::string body;
};

/// A plain TCP connection to the loopback port, for requests no HTTP client
/// library would send: trickled, malformed, over every limit.
class RawConnection {
public:
    /// Connects; `connected()` tells whether it did.
    explicit RawConnection(int port);
    ~RawConnection();
    RawConnection(RawConnection&& other) noexcept
        : fd_(other.fd_), pending_(std::move(other.pending_)) {
        other.fd_ = -1;
    }
    RawConnection& operator=(RawConnection&&) = delete;

    bool connected() const { return fd_ >= 0; }
    /// Sends all of `bytes`; false once the server closed or reset the connection.
    bool send(std::string_view bytes);
    /// Reads one answer (head and Content-Length body) within `limit`.
    RawAnswer read(std::chrono::milliseconds limit);
    /// True when the server ends the connection within `limit` (after
    /// whatever answer it sent).
    bool closedWithin(std::chrono::milliseconds limit);
    void close();

private:
    /// Waits up to `limit` for bytes; false on timeout, end or error.
    bool receive(std::chrono::steady_clock::time_point until, bool& ended);

    int fd_ = -1;
    std::string pending_;
};

/// True when a new connection to the port is refused (nothing listens).
bool connectionRefused(int port);

}  // namespace appserver::testing

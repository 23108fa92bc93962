#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace appserver {

/// An IPv4 or IPv6 address as 16 bytes, IPv4 as an IPv4-mapped IPv6 address
/// (::ffff:a.b.c.d), so that both forms of one address compare equal.
using IpBytes = std::array<std::uint8_t, 16>;

/// "10.0.0.1", "::1" or "::ffff:10.0.0.1"; nullopt for anything else.
std::optional<IpBytes> parseIpAddress(std::string_view text);

/// The proxies whose X-Forwarded-For the server believes: addresses and
/// CIDR blocks, IPv4 or IPv6. Only for a request whose peer is one of them
/// is the client's address taken from that header, and then only its last
/// address, the one the proxy itself appended: the ones before it are
/// whatever the client chose to send.
class TrustedProxies {
public:
    TrustedProxies() = default;
    /// Entries separated by commas or blanks ("127.0.0.1, 10.0.0.0/8 ::1").
    /// Throws std::invalid_argument naming the first entry that is neither
    /// an address nor a block.
    static TrustedProxies parse(std::string_view list);

    bool empty() const { return blocks_.empty(); }
    /// Whether `address` (as the transport gives a peer) is a trusted proxy.
    bool contains(std::string_view address) const;

    struct Client {
        std::string address;
        /// A trusted peer sent X-Forwarded-For without a usable last address:
        /// `address` is then the peer's own.
        bool malformed = false;
    };
    /// The client of a request from `peer` whose X-Forwarded-For fields, in
    /// their order and joined by commas, are `forwardedFor` (empty: none).
    Client clientOf(const std::string& peer, std::string_view forwardedFor) const;

private:
    struct Block {
        IpBytes bytes;
        int prefixBits;  ///< of the 128
    };
    std::vector<Block> blocks_;
};

}  // namespace appserver

#include "appserver/api/trusted_proxies.h"

#include <arpa/inet.h>
#include <fmt/format.h>

#include <charconv>
#include <stdexcept>

namespace appserver {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool isV4Mapped(const IpBytes& b) {
    for (int i = 0; i < 10; ++i)
        if (b[i] != 0) return false;
    return b[10] == 0xff && b[11] == 0xff;
}

bool sharesPrefix(const IpBytes& a, const IpBytes& b, int bits) {
    int i = 0;
    for (; bits >= 8; bits -= 8, ++i)
        if (a[i] != b[i]) return false;
    if (bits == 0) return true;
    const auto mask = static_cast<std::uint8_t>(0xff << (8 - bits));
    return (a[i] & mask) == (b[i] & mask);
}

}  // namespace

std::optional<IpBytes> parseIpAddress(std::string_view text) {
    // inet_pton wants a terminated string; an address is short.
    if (text.empty() || text.size() > 45) return std::nullopt;
    const std::string s(text);
    IpBytes b{};
    in_addr v4{};
    if (inet_pton(AF_INET, s.c_str(), &v4) == 1) {
        b[10] = 0xff;
        b[11] = 0xff;
        const auto* p = reinterpret_cast<const std::uint8_t*>(&v4.s_addr);
        std::copy(p, p + 4, b.begin() + 12);
        return b;
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, s.c_str(), &v6) == 1) {
        std::copy(v6.s6_addr, v6.s6_addr + 16, b.begin());
        return b;
    }
    return std::nullopt;
}

TrustedProxies TrustedProxies::parse(std::string_view list) {
    TrustedProxies out;
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t end = list.find_first_of(", \t", at);
        const std::string_view entry =
            list.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        at = end == std::string_view::npos ? list.size() : end + 1;
        if (entry.empty()) continue;
        const auto bad = [&entry](const char* why) {
            return std::invalid_argument(
                fmt::format("\"{}\" {}; use endereços ou blocos como 127.0.0.1, 10.0.0.0/8 "
                            "ou fd00::/8",
                            entry, why));
        };
        const auto slash = entry.find('/');
        const auto ip = parseIpAddress(entry.substr(0, slash));
        if (!ip) throw bad("não é um endereço IPv4 nem IPv6");
        int prefix = 128;
        if (slash != std::string_view::npos) {
            const std::string_view digits = entry.substr(slash + 1);
            int bits = -1;
            const auto [ptr, ec] =
                std::from_chars(digits.data(), digits.data() + digits.size(), bits);
            const int max = isV4Mapped(*ip) && entry.find(':') == std::string_view::npos ? 32 : 128;
            if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size() ||
                bits < 0 || bits > max)
                throw bad(max == 32 ? "tem um prefixo fora de 0–32"
                                    : "tem um prefixo fora de 0–128");
            prefix = max == 32 ? 96 + bits : bits;
        }
        out.blocks_.push_back({*ip, prefix});
    }
    return out;
}

bool TrustedProxies::contains(std::string_view address) const {
    if (blocks_.empty()) return false;
    const auto ip = parseIpAddress(address);
    if (!ip) return false;
    for (const Block& b : blocks_)
        if (sharesPrefix(*ip, b.bytes, b.prefixBits)) return true;
    return false;
}

TrustedProxies::Client TrustedProxies::clientOf(const std::string& peer,
                                                std::string_view forwardedFor) const {
    if (forwardedFor.empty() || !contains(peer)) return {peer, false};
    const auto comma = forwardedFor.rfind(',');
    const std::string_view last =
        trimmed(comma == std::string_view::npos ? forwardedFor : forwardedFor.substr(comma + 1));
    if (!parseIpAddress(last)) return {peer, true};
    return {std::string(last), false};
}

}  // namespace appserver

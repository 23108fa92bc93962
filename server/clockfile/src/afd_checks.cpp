#include <fmt/format.h>
#include <sodium.h>

#include <array>

#include "appserver/clockfile/afd_layout.h"

namespace appserver::afd {

namespace {

/// The CRC of each byte value alone, so that a record costs one lookup per byte.
constexpr std::array<std::uint16_t, 256> crcTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned v = 0; v < 256; ++v) {
        std::uint16_t crc = static_cast<std::uint16_t>(v);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0x8408)
                            : static_cast<std::uint16_t>(crc >> 1);
        table[v] = crc;
    }
    return table;
}

constexpr auto kCrcTable = crcTable();

}  // namespace

std::uint16_t crc16Kermit(std::string_view bytes) {
    std::uint16_t crc = 0;
    for (unsigned char c : bytes)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kCrcTable[(crc ^ c) & 0xFF]);
    return crc;
}

std::string crcText(std::string_view bytes) {
    return fmt::format("{:04X}", crc16Kermit(bytes));
}

std::string sha256Hex(std::string_view bytes) {
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    char hex[crypto_hash_sha256_BYTES * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    return std::string(hex, crypto_hash_sha256_BYTES * 2);
}

}  // namespace appserver::afd

#include <fmt/format.h>
#include <sodium.h>

#include "appserver/afd_layout.h"

namespace appserver::afd {

std::uint16_t crc16Kermit(std::string_view bytes) {
    std::uint16_t crc = 0;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0x8408)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
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

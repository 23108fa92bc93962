#include "appserver/stores/password_hasher.h"

#include <sodium.h>

#include <stdexcept>

namespace appserver {

namespace {

void ensureSodium() {
    static const bool ready = sodium_init() >= 0;
    if (!ready) throw std::runtime_error("Falha ao iniciar a biblioteca de criptografia");
}

}  // namespace

HashCost HashCost::interactive() {
    return {crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE,
            crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE};
}

HashCost HashCost::minimum() {
    return {crypto_pwhash_argon2id_OPSLIMIT_MIN, crypto_pwhash_argon2id_MEMLIMIT_MIN};
}

PasswordHasher::PasswordHasher(HashCost cost) : cost_(cost) {
    ensureSodium();
}

std::string PasswordHasher::hash(const std::string& password) const {
    char out[crypto_pwhash_argon2id_STRBYTES];
    if (crypto_pwhash_argon2id_str(out, password.data(), password.size(), cost_.opsLimit,
                                   cost_.memLimit) != 0)
        throw std::runtime_error("Memória insuficiente para calcular o hash da senha");
    return out;
}

bool PasswordHasher::verify(const std::string& encodedHash, const std::string& password) const {
    if (encodedHash.empty() || encodedHash.size() >= crypto_pwhash_argon2id_STRBYTES) return false;
    return crypto_pwhash_argon2id_str_verify(encodedHash.c_str(), password.data(),
                                             password.size()) == 0;
}

std::string randomToken() {
    ensureSodium();
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    char hex[sizeof bytes * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, bytes, sizeof bytes);
    return hex;
}

}  // namespace appserver

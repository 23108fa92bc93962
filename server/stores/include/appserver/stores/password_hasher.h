#pragma once

#include <cstddef>
#include <string>

namespace appserver {

/// The cost of argon2id hashing. Production uses the interactive strength;
/// tests and throwaway databases may choose the minimum.
struct HashCost {
    unsigned long long opsLimit;
    std::size_t memLimit;

    static HashCost interactive();
    static HashCost minimum();
};

/// Password hashing with libsodium's argon2id; stores only the encoded hash.
class PasswordHasher {
public:
    explicit PasswordHasher(HashCost cost = HashCost::interactive());

    std::string hash(const std::string& password) const;
    /// Constant-time check; false for a malformed hash.
    bool verify(const std::string& encodedHash, const std::string& password) const;

private:
    HashCost cost_;
};

/// A random 256-bit token as 64 hexadecimal characters.
std::string randomToken();

}  // namespace appserver

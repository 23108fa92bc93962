#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace platform::detail {

/// The bytes of the named section of a 64-bit little-endian ELF file, or
/// nullopt when the file has no such section. Throws std::runtime_error
/// when the file cannot be read or is not such an ELF file.
std::optional<std::string> readElfSection(const std::filesystem::path& file,
                                          const std::string& sectionName);

}  // namespace platform::detail

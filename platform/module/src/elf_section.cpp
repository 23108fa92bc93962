#include "elf_section.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace platform::detail {

namespace {

void readAt(std::ifstream& in, std::uint64_t offset, void* out, std::size_t size,
            std::uint64_t fileSize) {
    if (offset > fileSize || size > fileSize - offset)
        throw std::runtime_error("arquivo ELF truncado");
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(static_cast<char*>(out), static_cast<std::streamsize>(size));
    if (!in) throw std::runtime_error("não foi possível ler o arquivo");
}

}  // namespace

std::optional<std::string> readElfSection(const std::filesystem::path& file,
                                          const std::string& sectionName) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("não foi possível abrir o arquivo");
    in.seekg(0, std::ios::end);
    const auto fileSize = static_cast<std::uint64_t>(in.tellg());

    unsigned char magic[SELFMAG] = {};
    if (fileSize < SELFMAG) throw std::runtime_error("não é um arquivo ELF");
    readAt(in, 0, magic, SELFMAG, fileSize);
    if (std::memcmp(magic, ELFMAG, SELFMAG) != 0) throw std::runtime_error("não é um arquivo ELF");

    Elf64_Ehdr header{};
    readAt(in, 0, &header, sizeof header, fileSize);
    if (header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB) {
        throw std::runtime_error("não é um arquivo ELF de 64 bits little-endian");
    }
    if (header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shstrndx >= header.e_shnum) {
        throw std::runtime_error("arquivo ELF sem tabela de seções utilizável");
    }

    std::vector<Elf64_Shdr> sections(header.e_shnum);
    readAt(in, header.e_shoff, sections.data(), sections.size() * sizeof(Elf64_Shdr), fileSize);
    const Elf64_Shdr& names = sections[header.e_shstrndx];
    std::string nameTable(names.sh_size, '\0');
    readAt(in, names.sh_offset, nameTable.data(), nameTable.size(), fileSize);

    for (const Elf64_Shdr& section : sections) {
        if (section.sh_name >= nameTable.size()) continue;
        if (std::strcmp(nameTable.c_str() + section.sh_name, sectionName.c_str()) != 0) continue;
        if (section.sh_type == SHT_NOBITS) return std::string();
        std::string bytes(section.sh_size, '\0');
        readAt(in, section.sh_offset, bytes.data(), bytes.size(), fileSize);
        return bytes;
    }
    return std::nullopt;
}

}  // namespace platform::detail

#include "export_table.h"

#include <elf.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace khost::validator {
namespace {

// Offsets are 64-bit in a 64-bit file, also when this build's size_t is not.
template <typename T>
bool ReadAt(const std::vector<char>& file, uint64_t offset, T& value) {
  if (offset > file.size() || file.size() - offset < sizeof(T)) return false;
  std::memcpy(&value, file.data() + static_cast<size_t>(offset), sizeof(T));
  return true;
}

// Header, section header and symbol types of one ELF class.
template <typename Header, typename Section, typename Symbol,
          unsigned char (*BindOf)(unsigned char)>
std::optional<ExportTable> ReadSymbols(const std::vector<char>& file, std::string& error) {
  Header header;
  if (!ReadAt(file, 0, header)) {
    error = "truncated ELF header";
    return std::nullopt;
  }
  if (header.e_type != ET_DYN) {
    error = "not a shared object";
    return std::nullopt;
  }
  std::vector<Section> sections(header.e_shnum);
  for (size_t i = 0; i < sections.size(); ++i)
    if (!ReadAt(file, uint64_t{header.e_shoff} + uint64_t{i} * header.e_shentsize, sections[i])) {
      error = "truncated section table";
      return std::nullopt;
    }
  ExportTable table;
  bool found = false;
  for (const Section& section : sections) {
    if (section.sh_type != SHT_DYNSYM) continue;
    found = true;
    if (section.sh_link >= sections.size() || section.sh_entsize == 0) {
      error = "malformed dynamic symbol table";
      return std::nullopt;
    }
    const Section& names = sections[section.sh_link];
    const uint64_t count = section.sh_size / section.sh_entsize;
    for (uint64_t i = 1; i < count; ++i) {
      Symbol symbol;
      if (!ReadAt(file, section.sh_offset + i * section.sh_entsize, symbol)) {
        error = "truncated dynamic symbol table";
        return std::nullopt;
      }
      const unsigned char binding = BindOf(symbol.st_info);
      if (symbol.st_shndx == SHN_UNDEF ||
          (binding != STB_GLOBAL && binding != STB_WEAK && binding != STB_GNU_UNIQUE))
        continue;
      const uint64_t at = uint64_t{names.sh_offset} + symbol.st_name;
      if (symbol.st_name >= names.sh_size || at >= file.size()) continue;
      const char* name = file.data() + static_cast<size_t>(at);
      table.defined.emplace_back(name, strnlen(name, file.size() - static_cast<size_t>(at)));
    }
  }
  if (!found) {
    error = "no dynamic symbol table";
    return std::nullopt;
  }
  std::sort(table.defined.begin(), table.defined.end());
  return table;
}

unsigned char Bind32(unsigned char info) { return ELF32_ST_BIND(info); }
unsigned char Bind64(unsigned char info) { return ELF64_ST_BIND(info); }

}  // namespace

std::optional<ExportTable> ReadExportTable(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return std::nullopt;
  }
  const std::vector<char> file((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
  if (file.size() < EI_NIDENT || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0) {
    error = path + " is not an ELF file";
    return std::nullopt;
  }
  std::optional<ExportTable> table;
  if (file[EI_CLASS] == ELFCLASS32)
    table = ReadSymbols<Elf32_Ehdr, Elf32_Shdr, Elf32_Sym, Bind32>(file, error);
  else if (file[EI_CLASS] == ELFCLASS64)
    table = ReadSymbols<Elf64_Ehdr, Elf64_Shdr, Elf64_Sym, Bind64>(file, error);
  else
    error = "unknown ELF class";
  if (!table) error = path + ": " + error;
  return table;
}

}  // namespace khost::validator

#pragma once
// The symbols a shared library defines for others to use, read from its ELF dynamic
// symbol table (both 32-bit and 64-bit files, whatever this build is).

#include <optional>
#include <string>
#include <vector>

namespace khost::validator {

struct ExportTable {
  std::vector<std::string> defined;  // global or weak, defined in the file, sorted
};

// nullopt with `error` set when the file cannot be read or is not an ELF shared object.
std::optional<ExportTable> ReadExportTable(const std::string& path, std::string& error);

}  // namespace khost::validator

// Fuzzes the readers of the plug-in folder's resource files: the string tables and the
// settings panel descriptions. The first byte picks the reader; the rest is the file.
// Either reader must answer a table or an error, never crash, and an error names the
// file.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "description_layout.h"
#include "resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string error;
  bool parsed = false;
  const char* fileName = nullptr;
  if (data[0] % 2 == 0) {
    fileName = "res/strings/en.json";
    parsed = khost::ParseStringTable(text, fileName, error).has_value();
  } else {
    fileName = "res/description/Kestrum.json";
    parsed = khost::ParseDescriptionLayout(text, fileName, error).has_value();
  }
  // A refusal must say why, and where.
  if (!parsed && error.find(fileName) == std::string::npos) std::abort();
  return 0;
}

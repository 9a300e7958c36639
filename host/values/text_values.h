#pragma once
// Strings and file names kept in value storage that the module provides. The host puts
// a pointer to its own record in the storage's first word and keeps a ledger of live
// records, so a value freed twice, used after free or never initialised is reported as
// misuse instead of being followed.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "c4d_host_abi.h"

namespace khost {

class TextValues {
 public:
  TextValues();
  ~TextValues();

  // The string slot 0 of the string sub-table points at; host-owned, always alive.
  const HostStringStorage* DefaultString() const;

  // Text of a live string, or nullptr (and a misuse report naming `operation`) when the
  // storage holds no live string.
  const std::string* Text(const HostStringStorage* text, const char* operation);
  // Path of a live file name, or nullptr (and a misuse report) as above.
  const std::string* Path(const HostFileNameStorage* name, const char* operation);
  // The same without a report, for showing a value (the call trace).
  const std::string* PeekText(const HostStringStorage* text) const;
  const std::string* PeekPath(const HostFileNameStorage* name) const;

  // A host-owned string that stays alive and unchanged until this TextValues is
  // destroyed (resource strings, help lines).
  const HostStringStorage* HostOwnedString(const std::string& text);

  // Fills caller storage with a complete file name value (string part and file name
  // part), as an operation that yields a file name does.
  void ConstructFileName(HostFileNameStorage* storage, const std::string& path);
  // Builds a complete string / file name in caller storage and frees it again: for the
  // host's own callers (tests, the command) that hand values to the module.
  void ConstructString(HostStringStorage* storage, const std::string& text);
  void DestroyString(HostStringStorage* storage);
  void DestroyFileName(HostFileNameStorage* storage);

  // Values the module made and has not freed yet.
  size_t LiveStrings() const;
  size_t LiveFileNames() const;
  // One line per live module value: its kind and content.
  std::vector<std::string> DescribeLive() const;

  // The operations of the string and file name sub-tables call these.
  void StringInit(HostStringStorage* text);
  void StringSetText(HostStringStorage* text, const char* characters, int32_t length, int32_t last);
  void StringFree(HostStringStorage* text);
  int32_t StringHasContent(const HostStringStorage* text);
  void FileNameInit(HostFileNameStorage* name);
  void FileNameFree(HostFileNameStorage* name);
  void FileNameSetText(HostFileNameStorage* name, const char* text);
  void FileNameSetString(HostFileNameStorage* name, const HostStringStorage* text);
  void FileNameCopy(const HostFileNameStorage* source, HostFileNameStorage* destination);
  void FileNameAppend(HostFileNameStorage* name, const HostFileNameStorage* component);
  void FileNameDirectory(const HostFileNameStorage* name, HostFileNameStorage* folder);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace khost

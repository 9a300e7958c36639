#pragma once
// Resource sets read from a plug-in folder, handing out strings by id.
//
// A set is the file <folder>/res/strings/<language>.json (format in
// docs/resource-formats.md). The language is KESTRUM_LANGUAGE, else the first two
// letters of LANG; when the folder has no file for it, "en", and then the
// alphabetically first file. A file that exists but is malformed is not skipped for
// another language: the load fails and says why.
//
// Handles stay unique for the life of this object (a freed set keeps a small record),
// so a set freed twice or used after free is recognised and reported, never followed.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "c4d_host_abi.h"

namespace khost {

class Resources {
 public:
  Resources();
  ~Resources();
  Resources(const Resources&) = delete;
  Resources& operator=(const Resources&) = delete;

  // The operations of the resource sub-table call these.
  HostResourceSet* LoadResourceSet(const HostFileNameStorage* folder);
  void FreeResourceSet(HostResourceSet* set);
  // A host-owned string, alive until the host goes. An id the set lacks yields an empty
  // string (and is counted, see MissingLookups); so does a null or freed set, which is
  // also reported as misuse.
  const HostStringStorage* ResourceSetString(HostResourceSet* set, int32_t id);

  // Host-side load from a folder path, as LoadResourceSet does.
  HostResourceSet* LoadFromFolder(const std::string& folder);
  // Why the last load returned null; empty after a successful load.
  const std::string& LastLoadError() const { return lastLoadError_; }

  // Forces the language instead of reading the environment; nullopt goes back to it.
  void SetLanguage(std::optional<std::string> language) { language_ = std::move(language); }
  // The language asked for: the forced one, KESTRUM_LANGUAGE, the first two letters
  // of LANG (when they are letters), or "en".
  std::string PreferredLanguage() const;

  // Facts about a live set; null / nullopt for a set that is not live.
  const std::string* FolderOf(const HostResourceSet* set) const;
  const std::string* LanguageOf(const HostResourceSet* set) const;
  std::optional<std::string> Text(const HostResourceSet* set, int32_t id) const;

  size_t LiveSets() const;
  // One line per live set: its file.
  std::vector<std::string> DescribeLive() const;
  // Ids asked for that their set did not hold, in order of asking.
  const std::vector<int32_t>& MissingLookups() const { return missingLookups_; }

 private:
  struct Set;
  Set* LiveSet(const HostResourceSet* set) const;
  HostResourceSet* Fail(std::string reason);

  std::optional<std::string> language_;
  std::unordered_map<const HostResourceSet*, std::unique_ptr<Set>> sets_;
  std::string lastLoadError_;
  std::vector<int32_t> missingLookups_;
};

// The strings of one set file: parses `text` (read from `fileName`, which the error
// names) into id -> text. On failure returns nullopt and fills `error` with the file,
// the line and column of a syntax error or the JSON path of a wrong value, and what is
// wrong.
std::optional<std::map<int32_t, std::string>> ParseStringTable(const std::string& text,
                                                               const std::string& fileName,
                                                               std::string& error);

}  // namespace khost

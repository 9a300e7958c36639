#include "resources.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "host.h"
#include "host_operations.h"
#include "json_files.h"
#include "text_values.h"

namespace khost {

using kestrum::DescribeFormatError;
using kestrum::JsonFormatError;
using kestrum::JsonPath;
using kestrum::ParseIdKey;
using kestrum::ParseJsonText;
using kestrum::ReadTextFile;
using kestrum::RequireKnownMembers;
using kestrum::RequireMember;
using kestrum::RequireString;

struct Resources::Set {
  bool alive = true;
  std::string folder;
  std::string file;
  std::string language;
  std::map<int32_t, std::string> strings;
  // Strings already handed out, so asking twice yields the same host-owned value.
  std::unordered_map<int32_t, const HostStringStorage*> handedOut;
};

namespace {

const std::string kStringsFolder = "/res/strings/";

bool IsLanguageName(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
  });
}

// The language files a folder offers, by name without ".json", sorted.
std::vector<std::string> AvailableLanguages(const std::string& stringsFolder) {
  std::vector<std::string> languages;
  std::error_code problem;
  for (std::filesystem::directory_iterator entry(stringsFolder, problem), end;
       !problem && entry != end; entry.increment(problem)) {
    const std::filesystem::path& path = entry->path();
    if (path.extension() == ".json" && entry->is_regular_file(problem))
      languages.push_back(path.stem().string());
  }
  std::sort(languages.begin(), languages.end());
  return languages;
}

}  // namespace

std::optional<std::map<int32_t, std::string>> ParseStringTable(const std::string& text,
                                                               const std::string& fileName,
                                                               std::string& error) {
  std::optional<nlohmann::json> document = ParseJsonText(text, fileName, error);
  if (!document) return std::nullopt;
  try {
    RequireKnownMembers(*document, "", {"language", "comment", "strings"});
    if (document->contains("language")) RequireString((*document)["language"], "/language", false);
    if (document->contains("comment")) RequireString((*document)["comment"], "/comment", true);
    const nlohmann::json& strings = RequireMember(*document, "", "strings");
    if (!strings.is_object()) throw JsonFormatError{"/strings", "an object {...} is expected"};
    std::map<int32_t, std::string> table;
    for (const auto& [key, value] : strings.items()) {
      const std::string path = JsonPath("/strings", key);
      const int32_t id = ParseIdKey(key, path);
      if (!table.emplace(id, RequireString(value, path, true)).second)
        throw JsonFormatError{path, "the id " + std::to_string(id) + " is given twice"};
    }
    return table;
  } catch (const JsonFormatError& wrong) {
    error = DescribeFormatError(fileName, wrong);
    return std::nullopt;
  }
}

Resources::Resources() = default;
Resources::~Resources() = default;

std::string Resources::PreferredLanguage() const {
  if (language_) return *language_;
  if (const char* chosen = std::getenv("KESTRUM_LANGUAGE"); chosen && IsLanguageName(chosen))
    return chosen;
  if (const char* locale = std::getenv("LANG"); locale != nullptr) {
    const std::string prefix = std::string(locale).substr(0, 2);
    if (prefix.size() == 2 && std::isalpha(static_cast<unsigned char>(prefix[0])) &&
        std::isalpha(static_cast<unsigned char>(prefix[1])))
      return std::string{static_cast<char>(std::tolower(static_cast<unsigned char>(prefix[0]))),
                         static_cast<char>(std::tolower(static_cast<unsigned char>(prefix[1])))};
  }
  return "en";
}

HostResourceSet* Resources::Fail(std::string reason) {
  lastLoadError_ = std::move(reason);
  return nullptr;
}

HostResourceSet* Resources::LoadFromFolder(const std::string& folder) {
  const std::string stringsFolder = folder + kStringsFolder;
  const std::vector<std::string> languages = AvailableLanguages(stringsFolder);
  if (languages.empty()) return Fail(stringsFolder + ": no resource set (no <language>.json file)");

  std::string language = PreferredLanguage();
  const auto offered = [&](const std::string& name) {
    return std::binary_search(languages.begin(), languages.end(), name);
  };
  if (!offered(language)) language = offered("en") ? "en" : languages.front();

  const std::string file = stringsFolder + language + ".json";
  std::string error;
  const std::optional<std::string> text = ReadTextFile(file, error);
  if (!text) return Fail(error);
  std::optional<std::map<int32_t, std::string>> strings = ParseStringTable(*text, file, error);
  if (!strings) {
    // A broken file is the plug-in's fault, not the user's: it belongs in the misuse log.
    Host::Current().misuse().Report("LoadResourceSet: " + error);
    return Fail(error);
  }

  auto set = std::make_unique<Set>();
  set->folder = folder;
  set->file = file;
  set->language = language;
  set->strings = std::move(*strings);
  auto* handle = reinterpret_cast<HostResourceSet*>(set.get());
  sets_[handle] = std::move(set);
  lastLoadError_.clear();
  return handle;
}

HostResourceSet* Resources::LoadResourceSet(const HostFileNameStorage* folder) {
  Host& host = Host::Current();
  const std::string* path = host.text().Path(folder, "LoadResourceSet");
  if (path == nullptr) return Fail("LoadResourceSet: the folder is not a live file name");
  return LoadFromFolder(*path);
}

Resources::Set* Resources::LiveSet(const HostResourceSet* set) const {
  const auto found = sets_.find(set);
  return found != sets_.end() && found->second->alive ? found->second.get() : nullptr;
}

void Resources::FreeResourceSet(HostResourceSet* set) {
  Host& host = Host::Current();
  const auto found = sets_.find(set);
  if (set == nullptr) {
    host.misuse().Report("FreeResourceSet: null resource set");
  } else if (found == sets_.end()) {
    host.misuse().Report("FreeResourceSet: a resource set this host never handed out");
  } else if (!found->second->alive) {
    host.misuse().Report("FreeResourceSet: resource set " + found->second->file + " freed twice");
  } else {
    // Keep the record so the handle is never reused; its strings stay valid because the
    // module may still hold them until the end of its current call.
    found->second->alive = false;
  }
}

const HostStringStorage* Resources::ResourceSetString(HostResourceSet* set, int32_t id) {
  Host& host = Host::Current();
  Set* live = LiveSet(set);
  if (live == nullptr) {
    host.misuse().Report("ResourceSetString: string " + std::to_string(id) +
                         " asked of a resource set that is not live");
    return host.text().HostOwnedString("");
  }
  if (const auto given = live->handedOut.find(id); given != live->handedOut.end())
    return given->second;
  const auto found = live->strings.find(id);
  if (found == live->strings.end()) missingLookups_.push_back(id);
  const HostStringStorage* text =
      host.text().HostOwnedString(found != live->strings.end() ? found->second : "");
  live->handedOut.emplace(id, text);
  return text;
}

const std::string* Resources::FolderOf(const HostResourceSet* set) const {
  const Set* live = LiveSet(set);
  return live ? &live->folder : nullptr;
}

const std::string* Resources::LanguageOf(const HostResourceSet* set) const {
  const Set* live = LiveSet(set);
  return live ? &live->language : nullptr;
}

std::optional<std::string> Resources::Text(const HostResourceSet* set, int32_t id) const {
  const Set* live = LiveSet(set);
  if (live == nullptr) return std::nullopt;
  const auto found = live->strings.find(id);
  if (found == live->strings.end()) return std::nullopt;
  return found->second;
}

size_t Resources::LiveSets() const {
  return static_cast<size_t>(std::count_if(sets_.begin(), sets_.end(),
                                           [](const auto& entry) { return entry.second->alive; }));
}

std::vector<std::string> Resources::DescribeLive() const {
  std::vector<std::string> lines;
  for (const auto& [handle, set] : sets_)
    if (set->alive) lines.push_back("resource set " + set->file);
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace khost

namespace host_ops {

HostResourceSet* LoadResourceSet(const HostFileNameStorage* folder) {
  return khost::Host::Current().resources().LoadResourceSet(folder);
}

void FreeResourceSet(HostResourceSet* set) {
  khost::Host::Current().resources().FreeResourceSet(set);
}

const HostStringStorage* ResourceSetString(HostResourceSet* set, int32_t id) {
  return khost::Host::Current().resources().ResourceSetString(set, id);
}

}  // namespace host_ops

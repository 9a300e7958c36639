#include "text_values.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <unordered_set>

#include "host.h"
#include "host_operations.h"
#include "misuse.h"

namespace khost {
namespace {

// Check values step by two from an odd start, so zero-filled or never-written storage
// does not match a live record by accident.
constexpr uintptr_t kFirstCheckValue = 0x4B537401u;

enum class Origin { kModule, kHost, kHostOwned };

struct StringRecord {
  std::string text;
  uintptr_t check;
  const HostStringStorage* storage;
  Origin origin;
};

struct FileNameRecord {
  std::string path;
  uintptr_t check;
  const HostFileNameStorage* storage;
  Origin origin;
};

uintptr_t CheckOf(void* const word[2]) { return reinterpret_cast<uintptr_t>(word[1]); }

// The folder part of a path: POSIX dirname, except that a bare name and the empty path
// have no folder ("" rather than ".").
std::string FolderOf(const std::string& path) {
  size_t end = path.find_last_not_of('/');
  if (end == std::string::npos) return path.empty() ? "" : "/";
  const size_t slash = path.rfind('/', end);
  if (slash == std::string::npos) return "";
  const size_t folderEnd = path.find_last_not_of('/', slash);
  if (folderEnd == std::string::npos) return "/";
  return path.substr(0, folderEnd + 1);
}

std::string Joined(const std::string& folder, const std::string& component) {
  if (folder.empty()) return component;
  if (component.empty()) return folder;
  if (folder.back() == '/') return folder + component;
  return folder + "/" + component;
}

}  // namespace

struct TextValues::Impl {
  uintptr_t nextCheck = kFirstCheckValue;
  std::unordered_map<uintptr_t, std::unique_ptr<StringRecord>> strings;
  std::unordered_map<uintptr_t, std::unique_ptr<FileNameRecord>> fileNames;
  // Storage address of each live file name, to catch its string part freed first.
  std::unordered_map<const void*, uintptr_t> fileNameByStorage;
  // Storage address of each live string. Storage handed to an init is raw: it is never
  // read, and a live string whose storage is initialised again was leaked by its owner.
  // It stays in the ledger (and in the leak report) but no longer owns the address.
  std::unordered_map<const void*, uintptr_t> stringByStorage;
  std::unordered_set<uintptr_t> retired;
  // Host-owned strings: the default string and those handed out by text.
  std::unique_ptr<HostStringStorage> defaultString;
  std::map<std::string, std::unique_ptr<HostStringStorage>> hostOwned;

  uintptr_t NextCheck() {
    const uintptr_t check = nextCheck;
    nextCheck += 2;
    return check;
  }

  // The live record behind string storage, or nullptr without a report.
  StringRecord* FindString(const HostStringStorage* text) {
    if (text == nullptr) return nullptr;
    auto it = strings.find(CheckOf(text->word));
    if (it == strings.end()) return nullptr;
    StringRecord* record = it->second.get();
    if (text->word[0] != record || record->storage != text) return nullptr;
    return record;
  }
  FileNameRecord* FindFileName(const HostFileNameStorage* name) {
    if (name == nullptr) return nullptr;
    auto it = fileNames.find(CheckOf(name->word));
    if (it == fileNames.end()) return nullptr;
    FileNameRecord* record = it->second.get();
    if (name->word[0] != record || record->storage != name) return nullptr;
    return record;
  }

  // Why storage holds no live value, for the misuse report.
  std::string Why(const void* storage, void* const word[2], bool freeing) const {
    if (storage == nullptr) return "null storage";
    if (retired.count(CheckOf(word))) return freeing ? "freed twice" : "used after free";
    return "never initialised";
  }

  StringRecord* LiveString(const HostStringStorage* text, const char* operation,
                           bool freeing = false) {
    StringRecord* record = FindString(text);
    if (record == nullptr)
      ReportMisuse(std::string(operation) + ": string " +
                   Why(text, text ? text->word : nullptr, freeing));
    return record;
  }
  FileNameRecord* LiveFileName(const HostFileNameStorage* name, const char* operation,
                               bool freeing = false) {
    FileNameRecord* record = FindFileName(name);
    if (record == nullptr)
      ReportMisuse(std::string(operation) + ": file name " +
                   Why(name, name ? name->word : nullptr, freeing));
    return record;
  }

  StringRecord& NewString(HostStringStorage* text, std::string content, Origin origin) {
    const uintptr_t check = NextCheck();
    auto record =
        std::make_unique<StringRecord>(StringRecord{std::move(content), check, text, origin});
    text->word[0] = record.get();
    text->word[1] = reinterpret_cast<void*>(check);
    stringByStorage[text] = check;
    return *strings.emplace(check, std::move(record)).first->second;
  }
  FileNameRecord& NewFileName(HostFileNameStorage* name, std::string path, Origin origin) {
    const uintptr_t check = NextCheck();
    auto record =
        std::make_unique<FileNameRecord>(FileNameRecord{std::move(path), check, name, origin});
    name->word[0] = record.get();
    name->word[1] = reinterpret_cast<void*>(check);
    fileNameByStorage[name] = check;
    return *fileNames.emplace(check, std::move(record)).first->second;
  }
  void RetireString(StringRecord* record) {
    retired.insert(record->check);
    if (auto owner = stringByStorage.find(record->storage);
        owner != stringByStorage.end() && owner->second == record->check)
      stringByStorage.erase(owner);
    strings.erase(record->check);
  }
  void RetireFileName(FileNameRecord* record) {
    retired.insert(record->check);
    if (auto owner = fileNameByStorage.find(record->storage);
        owner != fileNameByStorage.end() && owner->second == record->check)
      fileNameByStorage.erase(owner);
    fileNames.erase(record->check);
  }

  // A complete file name (both parts) in raw storage.
  void ConstructFileName(HostFileNameStorage* name, const std::string& path, Origin origin) {
    NewString(&name->text, std::string(), origin);
    NewFileName(name, path, origin);
  }
};

TextValues::TextValues() : impl_(std::make_unique<Impl>()) {
  impl_->defaultString = std::make_unique<HostStringStorage>();
  impl_->NewString(impl_->defaultString.get(), std::string(), Origin::kHostOwned);
}

TextValues::~TextValues() = default;

// Empty text: what a resource lookup yields when no resource set is loaded.
const HostStringStorage* TextValues::DefaultString() const { return impl_->defaultString.get(); }

const std::string* TextValues::Text(const HostStringStorage* text, const char* operation) {
  StringRecord* record = impl_->LiveString(text, operation);
  return record ? &record->text : nullptr;
}

const std::string* TextValues::Path(const HostFileNameStorage* name, const char* operation) {
  FileNameRecord* record = impl_->LiveFileName(name, operation);
  return record ? &record->path : nullptr;
}

const std::string* TextValues::PeekText(const HostStringStorage* text) const {
  const StringRecord* record = impl_->FindString(text);
  return record ? &record->text : nullptr;
}

const std::string* TextValues::PeekPath(const HostFileNameStorage* name) const {
  const FileNameRecord* record = impl_->FindFileName(name);
  return record ? &record->path : nullptr;
}

const HostStringStorage* TextValues::HostOwnedString(const std::string& text) {
  auto [it, added] = impl_->hostOwned.try_emplace(text);
  if (added) {
    it->second = std::make_unique<HostStringStorage>();
    impl_->NewString(it->second.get(), text, Origin::kHostOwned);
  }
  return it->second.get();
}

void TextValues::ConstructFileName(HostFileNameStorage* storage, const std::string& path) {
  impl_->ConstructFileName(storage, path, Origin::kHost);
}

void TextValues::ConstructString(HostStringStorage* storage, const std::string& text) {
  impl_->NewString(storage, text, Origin::kHost);
}

void TextValues::DestroyString(HostStringStorage* storage) {
  if (StringRecord* record = impl_->LiveString(storage, "DestroyString", true))
    impl_->RetireString(record);
}

void TextValues::DestroyFileName(HostFileNameStorage* storage) {
  if (FileNameRecord* record = impl_->LiveFileName(storage, "DestroyFileName", true))
    impl_->RetireFileName(record);
  DestroyString(storage ? &storage->text : nullptr);
}

size_t TextValues::LiveStrings() const {
  size_t count = 0;
  for (const auto& [check, record] : impl_->strings) count += record->origin == Origin::kModule;
  return count;
}

size_t TextValues::LiveFileNames() const {
  size_t count = 0;
  for (const auto& [check, record] : impl_->fileNames) count += record->origin == Origin::kModule;
  return count;
}

std::vector<std::string> TextValues::DescribeLive() const {
  // In the order they were made, which the check values follow.
  std::map<uintptr_t, std::string> lines;
  for (const auto& [check, record] : impl_->fileNames)
    if (record->origin == Origin::kModule) lines[check] = "file name \"" + record->path + "\"";
  for (const auto& [check, record] : impl_->strings)
    if (record->origin == Origin::kModule && !impl_->fileNameByStorage.count(record->storage))
      lines[check] = "string \"" + record->text + "\"";
  // A string part whose file name part is gone is a plain leftover string.
  std::vector<std::string> described;
  for (auto& [check, line] : lines) described.push_back(std::move(line));
  return described;
}

void TextValues::StringInit(HostStringStorage* text) {
  if (text == nullptr) {
    ReportMisuse("StringInit: null storage");
    return;
  }
  impl_->NewString(text, std::string(), Origin::kModule);
}

void TextValues::StringSetText(HostStringStorage* text, const char* characters, int32_t length,
                               int32_t /*last: no meaning to this host*/) {
  StringRecord* record = impl_->LiveString(text, "StringSetText");
  if (record == nullptr) return;
  if (record->origin == Origin::kHostOwned) {
    ReportMisuse("StringSetText: string is host-owned");
    return;
  }
  if (length < -1 || (characters == nullptr && length != 0)) {
    ReportMisuse("StringSetText: no characters for length " + std::to_string(length));
    return;
  }
  if (length == -1)
    record->text.assign(characters);
  else
    record->text.assign(characters ? characters : "", static_cast<size_t>(length));
}

void TextValues::StringFree(HostStringStorage* text) {
  StringRecord* record = impl_->LiveString(text, "StringFree", true);
  if (record == nullptr) return;
  if (record->origin == Origin::kHostOwned) {
    ReportMisuse("StringFree: string is host-owned");
    return;
  }
  if (impl_->fileNameByStorage.count(text))
    ReportMisuse("StringFree: string part freed before its file name part");
  impl_->RetireString(record);
}

int32_t TextValues::StringHasContent(const HostStringStorage* text) {
  StringRecord* record = impl_->LiveString(text, "StringHasContent");
  return record && !record->text.empty() ? 1 : 0;
}

void TextValues::FileNameInit(HostFileNameStorage* name) {
  if (name == nullptr) {
    ReportMisuse("FileNameInit: null storage");
    return;
  }
  StringRecord* textPart = impl_->FindString(&name->text);
  if (textPart == nullptr) {
    ReportMisuse("FileNameInit: its string part is not alive");
    return;
  }
  impl_->NewFileName(name, std::string(), textPart->origin);
}

void TextValues::FileNameFree(HostFileNameStorage* name) {
  if (FileNameRecord* record = impl_->LiveFileName(name, "FileNameFree", true))
    impl_->RetireFileName(record);
}

void TextValues::FileNameSetText(HostFileNameStorage* name, const char* text) {
  FileNameRecord* record = impl_->LiveFileName(name, "FileNameSetText");
  if (record == nullptr) return;
  if (text == nullptr) {
    ReportMisuse("FileNameSetText: null text");
    return;
  }
  record->path = text;
}

void TextValues::FileNameSetString(HostFileNameStorage* name, const HostStringStorage* text) {
  FileNameRecord* record = impl_->LiveFileName(name, "FileNameSetString");
  StringRecord* source = impl_->LiveString(text, "FileNameSetString");
  if (record && source) record->path = source->text;
}

void TextValues::FileNameCopy(const HostFileNameStorage* source, HostFileNameStorage* destination) {
  FileNameRecord* from = impl_->LiveFileName(source, "FileNameCopy");
  FileNameRecord* to = impl_->LiveFileName(destination, "FileNameCopy");
  if (from && to) to->path = from->path;
}

void TextValues::FileNameAppend(HostFileNameStorage* name, const HostFileNameStorage* component) {
  FileNameRecord* record = impl_->LiveFileName(name, "FileNameAppend");
  FileNameRecord* part = impl_->LiveFileName(component, "FileNameAppend");
  if (record && part) record->path = Joined(record->path, part->path);
}

void TextValues::FileNameDirectory(const HostFileNameStorage* name, HostFileNameStorage* folder) {
  if (folder == nullptr) {
    ReportMisuse("FileNameDirectory: null result storage");
    return;
  }
  // The result is always a complete value the caller must destroy, even when the
  // source is not alive (then it is empty).
  FileNameRecord* record = impl_->LiveFileName(name, "FileNameDirectory");
  impl_->ConstructFileName(folder, record ? FolderOf(record->path) : std::string(),
                           Origin::kModule);
}

}  // namespace khost

namespace host_ops {

void StringInit(HostStringStorage* text) { khost::Host::Current().text().StringInit(text); }

void StringSetText(HostStringStorage* text, const char* characters, int32_t length, int32_t last) {
  khost::Host::Current().text().StringSetText(text, characters, length, last);
}

void StringFree(HostStringStorage* text) { khost::Host::Current().text().StringFree(text); }

int32_t StringHasContent(const HostStringStorage* text) {
  return khost::Host::Current().text().StringHasContent(text);
}

void FileNameInit(HostFileNameStorage* name) { khost::Host::Current().text().FileNameInit(name); }

void FileNameFree(HostFileNameStorage* name) { khost::Host::Current().text().FileNameFree(name); }

void FileNameSetText(HostFileNameStorage* name, const char* text) {
  khost::Host::Current().text().FileNameSetText(name, text);
}

void FileNameSetString(HostFileNameStorage* name, const HostStringStorage* text) {
  khost::Host::Current().text().FileNameSetString(name, text);
}

void FileNameCopy(const HostFileNameStorage* source, HostFileNameStorage* destination) {
  khost::Host::Current().text().FileNameCopy(source, destination);
}

void FileNameAppend(HostFileNameStorage* name, const HostFileNameStorage* component) {
  khost::Host::Current().text().FileNameAppend(name, component);
}

void FileNameDirectory(const HostFileNameStorage* name, HostFileNameStorage* folder) {
  khost::Host::Current().text().FileNameDirectory(name, folder);
}

}  // namespace host_ops

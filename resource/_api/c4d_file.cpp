#include "c4d_file.h"

#include "c4d_host_calls.h"
#include "c4d_memory.h"

HostFileName::HostFileName() {
  StringInit(&storage_.text);
  FileNameInit(&storage_);
}

HostFileName::HostFileName(const HostFileName& other) : HostFileName(other.Storage()) {}

HostFileName::HostFileName(const HostFileNameStorage* other) {
  StringInit(&storage_.text);
  FileNameInit(&storage_);
  FileNameCopy(other, &storage_);
}

HostFileName::HostFileName(const HostString& text) {
  StringInit(&storage_.text);
  FileNameInit(&storage_);
  FileNameSetString(&storage_, text.Storage());
}

HostFileName::HostFileName(const char* text) {
  StringInit(&storage_.text);
  FileNameInit(&storage_);
  FileNameSetText(&storage_, text);
}

HostFileName::~HostFileName() {
  FileNameFree(&storage_);
  StringFree(&storage_.text);
}

HostFileName& HostFileName::operator=(const HostFileName& other) { return *this = other.Storage(); }

HostFileName& HostFileName::operator=(const HostFileNameStorage* other) {
  FileNameCopy(other, &storage_);
  return *this;
}

HostFileName HostFileName::Folder() const {
  HostFileName folder{FilledByHost{}};
  FileNameDirectory(&storage_, &folder.storage_);
  return HostFileName(folder);
}

void* HostFileName::operator new(size_t size, SourceTag tag) noexcept {
  return TaggedNew(size, tag.line, tag.file);
}

void HostFileName::operator delete(void* block, SourceTag) noexcept { ModuleDelete(block); }

void HostFileName::operator delete(void* block) noexcept { ModuleDelete(block); }

HostFileName operator+(const HostFileName& a, const HostFileName& b) {
  HostFileName joined(a);
  FileNameAppend(joined.Storage(), b.Storage());
  return HostFileName(joined);
}

#pragma once
// HostFileName: a file name value whose storage the module owns and whose content only
// the host reads and writes. Copies are independent values made by the host.

#include "c4d_host_abi.h"
#include "c4d_memory.h"
#include "c4d_string.h"

class HostFileName {
 public:
  HostFileName();
  HostFileName(const HostFileName& other);
  explicit HostFileName(const HostFileNameStorage* other);
  explicit HostFileName(const HostString& text);
  explicit HostFileName(const char* text);
  ~HostFileName();

  HostFileName& operator=(const HostFileName& other);
  HostFileName& operator=(const HostFileNameStorage* other);

  // The folder part as a new value.
  HostFileName Folder() const;

  HostFileNameStorage* Storage() { return &storage_; }
  const HostFileNameStorage* Storage() const { return &storage_; }

  // Heap-held file names come from and go back to the module's memory.
  static void* operator new(size_t size, SourceTag tag) noexcept;
  static void operator delete(void* block, SourceTag tag) noexcept;
  static void operator delete(void* block) noexcept;

 private:
  struct FilledByHost {};
  // Storage that a host operation constructs completely.
  explicit HostFileName(FilledByHost) {}

  HostFileNameStorage storage_;
};

// a with b appended as a further path level, as a new value; a and b are unchanged.
HostFileName operator+(const HostFileName& a, const HostFileName& b);

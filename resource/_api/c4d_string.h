#pragma once
// HostString: a text value whose storage the module owns and whose content only the
// host reads and writes.

#include "c4d_host_abi.h"

class HostString {
 public:
  HostString();
  // 8-bit text up to its terminating zero.
  explicit HostString(const char* text);
  ~HostString();
  // Copies would share host storage; a string is handed on by reference instead.
  HostString(const HostString&) = delete;
  HostString& operator=(const HostString&) = delete;

  bool HasContent() const;

  HostStringStorage* Storage() { return &storage_; }
  const HostStringStorage* Storage() const { return &storage_; }

 private:
  HostStringStorage storage_;
};

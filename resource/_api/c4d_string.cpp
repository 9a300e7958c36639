#include "c4d_string.h"

#include "c4d_host_calls.h"

HostString::HostString() { StringInit(&storage_); }

HostString::HostString(const char* text) {
  StringInit(&storage_);
  StringSetText(&storage_, text, -1, 0);
}

HostString::~HostString() { StringFree(&storage_); }

bool HostString::HasContent() const { return StringHasContent(&storage_) != 0; }

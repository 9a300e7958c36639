// Placeholder definitions for host operations whose service is not written yet: each
// reports and aborts when called. A service file that defines an operation replaces the
// placeholder (these are weak). This file goes away once every operation exists.
#include <cstdio>
#include <cstdlib>

#include "host_operations.h"

#pragma GCC diagnostic ignored "-Wunused-parameter"

namespace {
[[noreturn]] void Missing(const char* name) {
  std::fprintf(stderr, "kestrum host: operation %s is not written yet\n", name);
  std::abort();
}
}  // namespace

namespace host_ops {
#define HOST_PLACEHOLDER(Name, Byte, Result, Params, Args) \
  __attribute__((weak)) Result Name Params { Missing(#Name); }
HOST_GENERAL_OPERATIONS(HOST_PLACEHOLDER)
HOST_CONTAINER_OPERATIONS(HOST_PLACEHOLDER)
HOST_STRING_OPERATIONS(HOST_PLACEHOLDER)
HOST_BITMAP_OPERATIONS(HOST_PLACEHOLDER)
HOST_FILENAME_OPERATIONS(HOST_PLACEHOLDER)
HOST_ATTACHMENT_OPERATIONS(HOST_PLACEHOLDER)
HOST_RESOURCE_OPERATIONS(HOST_PLACEHOLDER)
HOST_OBJECT_OPERATIONS(HOST_PLACEHOLDER)
HOST_DOCUMENT_OPERATIONS(HOST_PLACEHOLDER)
HOST_SCENE_ELEMENT_OPERATIONS(HOST_PLACEHOLDER)
HOST_DESCRIPTION_LIBRARY_OPERATIONS(HOST_PLACEHOLDER)
#undef HOST_PLACEHOLDER
}  // namespace host_ops

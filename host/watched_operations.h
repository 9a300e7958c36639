#pragma once
// What the call table and the description library's table hold: for every operation a
// generated wrapper that first watches the call (reports it when it arrives outside a
// binding, where the host asks for that, and records it in the call trace, where that
// is on) and then runs the host's implementation (host_operations.h).

#include "c4d_host_abi.h"

namespace host_watched {
#define HOST_DECLARE_WATCHED(Name, Byte, Result, Params, Args, Contract) Result Name Params;
HOST_GENERAL_OPERATIONS(HOST_DECLARE_WATCHED)
HOST_CONTAINER_OPERATIONS(HOST_DECLARE_WATCHED)
HOST_STRING_OPERATIONS(HOST_DECLARE_WATCHED)
HOST_BITMAP_OPERATIONS(HOST_DECLARE_WATCHED)
HOST_FILENAME_OPERATIONS(HOST_DECLARE_WATCHED)
HOST_ATTACHMENT_OPERATIONS(HOST_DECLARE_WATCHED)
HOST_RESOURCE_OPERATIONS(HOST_DECLARE_WATCHED)
HOST_OBJECT_OPERATIONS(HOST_DECLARE_WATCHED)
HOST_DOCUMENT_OPERATIONS(HOST_DECLARE_WATCHED)
HOST_SCENE_ELEMENT_OPERATIONS(HOST_DECLARE_WATCHED)
HOST_DESCRIPTION_LIBRARY_OPERATIONS(HOST_DECLARE_WATCHED)
#undef HOST_DECLARE_WATCHED
}  // namespace host_watched

#pragma once
// The host's implementation of every operation in the call table and the description
// library, one C-callable function per listed operation, with exactly the listed
// signature. Each service's source file defines the operations it owns; the call table
// builder takes their addresses from this one list.

#include "c4d_host_abi.h"

namespace host_ops {
#define HOST_DECLARE_OPERATION(Name, Byte, Result, Params, Args, Contract) Result Name Params;
HOST_GENERAL_OPERATIONS(HOST_DECLARE_OPERATION)
HOST_CONTAINER_OPERATIONS(HOST_DECLARE_OPERATION)
HOST_STRING_OPERATIONS(HOST_DECLARE_OPERATION)
HOST_BITMAP_OPERATIONS(HOST_DECLARE_OPERATION)
HOST_FILENAME_OPERATIONS(HOST_DECLARE_OPERATION)
HOST_ATTACHMENT_OPERATIONS(HOST_DECLARE_OPERATION)
HOST_RESOURCE_OPERATIONS(HOST_DECLARE_OPERATION)
HOST_OBJECT_OPERATIONS(HOST_DECLARE_OPERATION)
HOST_DOCUMENT_OPERATIONS(HOST_DECLARE_OPERATION)
HOST_SCENE_ELEMENT_OPERATIONS(HOST_DECLARE_OPERATION)
HOST_DESCRIPTION_LIBRARY_OPERATIONS(HOST_DECLARE_OPERATION)
#undef HOST_DECLARE_OPERATION
}  // namespace host_ops

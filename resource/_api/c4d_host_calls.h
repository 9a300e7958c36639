#pragma once
// The forwarding layer: one module function per host operation, same name and
// parameters as the operation. Each call reads hostTable afresh, takes the sub-table and
// the entry, calls it and hands the result back unchanged: no checks, no caching.
// Calling any of them before the host is bound is a fault of the caller.

#include "c4d_host_abi.h"

// Set by the binding action; never cleared. Owned by the host, valid until unload.
extern const HostCallTable* hostTable;

#define C4D_DECLARE_FORWARD(Name, Byte, Result, Params, Args, Contract) Result Name Params;
HOST_GENERAL_OPERATIONS(C4D_DECLARE_FORWARD)
HOST_CONTAINER_OPERATIONS(C4D_DECLARE_FORWARD)
HOST_STRING_OPERATIONS(C4D_DECLARE_FORWARD)
HOST_BITMAP_OPERATIONS(C4D_DECLARE_FORWARD)
HOST_FILENAME_OPERATIONS(C4D_DECLARE_FORWARD)
HOST_ATTACHMENT_OPERATIONS(C4D_DECLARE_FORWARD)
HOST_RESOURCE_OPERATIONS(C4D_DECLARE_FORWARD)
HOST_OBJECT_OPERATIONS(C4D_DECLARE_FORWARD)
HOST_DOCUMENT_OPERATIONS(C4D_DECLARE_FORWARD)
HOST_SCENE_ELEMENT_OPERATIONS(C4D_DECLARE_FORWARD)
// The description library's operations answer their fallback (0, or a record of zeros)
// when the library, its table or the entry is missing.
HOST_DESCRIPTION_LIBRARY_OPERATIONS(C4D_DECLARE_FORWARD)
#undef C4D_DECLARE_FORWARD

// The host-owned string at byte 0 of the string sub-table (data, not an operation).
const HostStringStorage* DefaultString();

// Finds host library `libraryId` (kind 17) once and keeps its function table in
// *cacheSlot. Answers the table when the entry at `neededOffset` (bytes, this build's
// layout) lies wholly inside the table's size value, else null.
const HostSlot* LibraryLookup(int32_t libraryId, size_t neededOffset, const HostSlot** cacheSlot);

// Cache slot of the description library's table; empty until it is first found.
extern const HostSlot* descriptionLibrary;

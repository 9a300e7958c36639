#pragma once
// Module memory: every object the module creates comes from the host's memory service,
// tagged with the allocating statement's file and line. Before the host is bound,
// allocations fall back to the run-time heap; those blocks are recorded so that only
// they ever go back to free().

#include <cstddef>
#include <cstdint>

// Zero-filled block of `size` bytes (0 counts as 1), or null.
void* TaggedNew(size_t size, int32_t line, const char* file);
// Gives a block from TaggedNew back; null does nothing.
void ModuleDelete(void* block);
// A run-time heap block with its marker header, or null; zero-filled when `clear`.
void* HeapFallbackAlloc(size_t size, int32_t clear);

// Set by the first fallback allocation; never cleared.
extern int32_t heapFallbackUsed;

// The allocating statement, passed to a module `new` expression.
struct SourceTag {
  int32_t line;
  const char* file;
};

// Non-throwing: a null block skips the constructor and the new-expression yields null.
void* operator new(size_t size, SourceTag tag) noexcept;
void operator delete(void* block, SourceTag tag) noexcept;

#define MODULE_NEW new (SourceTag{__LINE__, __FILE__})

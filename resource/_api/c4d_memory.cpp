#include "c4d_memory.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "c4d_host_calls.h"

int32_t heapFallbackUsed = 0;

namespace {

// Precedes every fallback block. The marker is the 32-bit word just before the caller's
// address; the header is a whole alignment unit so the caller's block stays aligned for
// any object.
struct alignas(std::max_align_t) FallbackHeader {
  FallbackHeader* next;
  FallbackHeader* previous;
  unsigned char padding[sizeof(std::max_align_t) - 2 * sizeof(void*) - sizeof(int32_t)];
  int32_t marker;
};
static_assert(sizeof(FallbackHeader) == sizeof(std::max_align_t), "header is one unit");
static_assert(offsetof(FallbackHeader, marker) + sizeof(int32_t) == sizeof(FallbackHeader),
              "marker sits just before the caller's block");

constexpr int32_t kFallbackMarker = -1;

// Every live fallback block: the marker word alone cannot tell a host block whose
// preceding word happens to be -1 from one of ours.
FallbackHeader* fallbackBlocks = nullptr;

bool IsFallbackBlock(const void* block) {
  for (FallbackHeader* header = fallbackBlocks; header != nullptr; header = header->next)
    if (header + 1 == block) return true;
  return false;
}

}  // namespace

void* HeapFallbackAlloc(size_t size, int32_t clear) {
  if (size == 0) size = 1;
  if (size > SIZE_MAX - sizeof(FallbackHeader)) return nullptr;
  void* raw = std::malloc(size + sizeof(FallbackHeader));
  if (raw == nullptr) return nullptr;
  if (clear) std::memset(raw, 0, size + sizeof(FallbackHeader));
  FallbackHeader* header = new (raw) FallbackHeader{};
  header->marker = kFallbackMarker;
  header->next = fallbackBlocks;
  if (fallbackBlocks != nullptr) fallbackBlocks->previous = header;
  fallbackBlocks = header;
  heapFallbackUsed = 1;
  return header + 1;
}

void* TaggedNew(size_t size, int32_t line, const char* file) {
  if (hostTable != nullptr) return MemoryAllocClear(size == 0 ? 1 : size, line, file);
  return HeapFallbackAlloc(size, 1);
}

void ModuleDelete(void* block) {
  if (block == nullptr) return;
  if (heapFallbackUsed && IsFallbackBlock(block)) {
    FallbackHeader* header = static_cast<FallbackHeader*>(block) - 1;
    if (header->previous != nullptr)
      header->previous->next = header->next;
    else
      fallbackBlocks = header->next;
    if (header->next != nullptr) header->next->previous = header->previous;
    std::free(header);
    return;
  }
  MemoryFree(block);
}

void* operator new(size_t size, SourceTag tag) noexcept {
  return TaggedNew(size, tag.line, tag.file);
}

void operator delete(void* block, SourceTag) noexcept { ModuleDelete(block); }

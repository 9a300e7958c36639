#pragma once
// Memory blocks handed to the module: zero-filled, each kept with its size and source
// tag ("file:line") until freed, so what the module leaves behind can be listed by tag.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "c4d_host_abi.h"

namespace khost {

class Memory {
 public:
  // Requests above this size fail (null) instead of reaching the system allocator.
  static constexpr size_t kLargestBlock = size_t{256} * 1024 * 1024;

  struct LeakGroup {
    std::string tag;
    size_t count = 0;
    size_t bytes = 0;
  };

  // A zero-filled block of `size` bytes (at least one), tagged "file:line"; null when
  // the request is too large, the system has no memory, or a failure was arranged.
  void* AllocClear(size_t size, int32_t line, const char* file);
  // Releases a block AllocClear handed out. A block it never handed out, or one freed
  // already, is reported as misuse and left alone; returns whether the block was freed.
  bool Free(void* block);

  // The next `count` allocations fail, as when the host runs out of memory.
  void FailNextAllocations(size_t count) { failuresArranged_ = count; }

  size_t LiveBlocks() const { return blocks_.size(); }
  size_t LiveBytes() const { return liveBytes_; }
  size_t AllocationsMade() const { return allocationsMade_; }
  size_t FreesMade() const { return freesMade_; }
  bool IsLive(const void* block) const { return blocks_.count(block) != 0; }
  // Size and tag of a live block (0 and "" when it is not live).
  size_t SizeOf(const void* block) const;
  std::string TagOf(const void* block) const;
  // Live blocks grouped by source tag, sorted by tag.
  std::vector<LeakGroup> LeakReport() const;
  // The leak report as lines: "<tag>: <count> block(s), <bytes> bytes".
  std::vector<std::string> DescribeLeaks() const;

  Memory();
  ~Memory();
  Memory(const Memory&) = delete;
  Memory& operator=(const Memory&) = delete;

 private:
  struct Block {
    size_t size;
    uint32_t tag;
  };
  uint32_t TagIndex(int32_t line, const char* file);

  std::unordered_map<const void*, Block> blocks_;
  // Addresses freed and not handed out again, to tell "freed twice" from "never ours".
  std::unordered_set<const void*> freed_;
  std::vector<std::string> tags_;
  std::unordered_map<std::string, uint32_t> tagIndex_;
  size_t liveBytes_ = 0;
  size_t allocationsMade_ = 0;
  size_t freesMade_ = 0;
  size_t failuresArranged_ = 0;
};

}  // namespace khost

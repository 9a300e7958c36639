#include "memory.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "host.h"
#include "host_operations.h"
#include "misuse.h"

namespace khost {
namespace {

std::string AddressText(const void* block) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", block);
  return text;
}

}  // namespace

Memory::Memory() = default;

Memory::~Memory() {
  for (auto& [block, info] : blocks_) std::free(const_cast<void*>(block));
}

uint32_t Memory::TagIndex(int32_t line, const char* file) {
  std::string tag = std::string(file ? file : "?") + ":" + std::to_string(line);
  auto [it, added] = tagIndex_.try_emplace(std::move(tag), static_cast<uint32_t>(tags_.size()));
  if (added) tags_.push_back(it->first);
  return it->second;
}

void* Memory::AllocClear(size_t size, int32_t line, const char* file) {
  if (failuresArranged_ > 0) {
    --failuresArranged_;
    return nullptr;
  }
  if (size > kLargestBlock) return nullptr;
  const size_t bytes = size == 0 ? 1 : size;
  void* block = std::calloc(bytes, 1);
  if (block == nullptr) return nullptr;
  freed_.erase(block);
  blocks_.emplace(block, Block{bytes, TagIndex(line, file)});
  liveBytes_ += bytes;
  ++allocationsMade_;
  return block;
}

bool Memory::Free(void* block) {
  auto it = blocks_.find(block);
  if (it == blocks_.end()) {
    if (freed_.count(block))
      ReportMisuse("MemoryFree: block " + AddressText(block) + " freed twice");
    else
      ReportMisuse("MemoryFree: block " + AddressText(block) + " was never handed out");
    return false;
  }
  liveBytes_ -= it->second.size;
  blocks_.erase(it);
  freed_.insert(block);
  ++freesMade_;
  std::free(block);
  return true;
}

size_t Memory::SizeOf(const void* block) const {
  auto it = blocks_.find(block);
  return it == blocks_.end() ? 0 : it->second.size;
}

std::string Memory::TagOf(const void* block) const {
  auto it = blocks_.find(block);
  return it == blocks_.end() ? std::string() : tags_[it->second.tag];
}

std::vector<Memory::LeakGroup> Memory::LeakReport() const {
  std::map<std::string, LeakGroup> groups;
  for (const auto& [block, info] : blocks_) {
    LeakGroup& group = groups[tags_[info.tag]];
    group.tag = tags_[info.tag];
    ++group.count;
    group.bytes += info.size;
  }
  std::vector<LeakGroup> report;
  for (auto& [tag, group] : groups) report.push_back(std::move(group));
  return report;
}

std::vector<std::string> Memory::DescribeLeaks() const {
  std::vector<std::string> lines;
  for (const LeakGroup& group : LeakReport())
    lines.push_back(group.tag + ": " + std::to_string(group.count) +
                    (group.count == 1 ? " block, " : " blocks, ") + std::to_string(group.bytes) +
                    " bytes");
  return lines;
}

}  // namespace khost

namespace host_ops {

void* MemoryAllocClear(size_t size, int32_t line, const char* file) {
  khost::Host& host = khost::Host::Current();
  return host.memory().AllocClear(size, line, file);
}

void MemoryFree(void* block) {
  khost::Host& host = khost::Host::Current();
  if (block == nullptr) return;
  host.memory().Free(block);
}

}  // namespace host_ops

#include "description_ids.h"

#include <unordered_set>

namespace khost {

namespace {

// Every DescriptionId alive in the process; ids are made and dropped on the host thread.
std::unordered_set<const void*>& LiveIds() {
  static std::unordered_set<const void*> live;
  return live;
}

}  // namespace

DescriptionId::DescriptionId() { LiveIds().insert(this); }

DescriptionId::DescriptionId(std::initializer_list<HostDescLevel> levels) {
  for (const HostDescLevel& level : levels) {
    if (depth_ == kMaximumDepth) break;
    levels_[depth_++] = level;
  }
  LiveIds().insert(this);
}

DescriptionId::DescriptionId(const DescriptionId& other) : depth_(other.depth_) {
  for (int32_t i = 0; i < kMaximumDepth; ++i) levels_[i] = other.levels_[i];
  LiveIds().insert(this);
}

DescriptionId& DescriptionId::operator=(const DescriptionId& other) {
  depth_ = other.depth_;
  for (int32_t i = 0; i < kMaximumDepth; ++i) levels_[i] = other.levels_[i];
  return *this;
}

DescriptionId::~DescriptionId() { LiveIds().erase(this); }

HostDescLevel DescriptionId::Level(int32_t index) const {
  if (index < 0 || index >= depth_) return HostDescLevel{0, 0, 0};
  return levels_[index];
}

bool DescriptionId::IsLive(const void* address) { return LiveIds().count(address) != 0; }

DescriptionCommand MakeButtonCommand(int32_t buttonId) {
  return DescriptionCommand{DescriptionId{HostDescLevel{buttonId, kDescDataButton, 0}}};
}

}  // namespace khost

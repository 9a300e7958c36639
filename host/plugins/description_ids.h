#pragma once
// Multi-level description ids as the host hands them to the module: with a command
// message (type 18) and to IsControlEnabled. The module only passes their address back
// to DescriptionIdLevel, so the host keeps a register of live ids and answers an
// address it does not know with a zero record instead of reading it.

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "c4d_host_abi.h"

namespace khost {

class DescriptionId {
 public:
  static constexpr int32_t kMaximumDepth = 7;

  DescriptionId();
  // Levels beyond kMaximumDepth are dropped.
  DescriptionId(std::initializer_list<HostDescLevel> levels);
  DescriptionId(const DescriptionId& other);
  DescriptionId& operator=(const DescriptionId& other);
  ~DescriptionId();

  int32_t Depth() const { return depth_; }
  // The level, or a record of zeros beyond the depth.
  HostDescLevel Level(int32_t index) const;

  // True while an id lives at this address (a DescriptionId, or a record that begins
  // with one).
  static bool IsLive(const void* address);

 private:
  int32_t depth_ = 0;
  HostDescLevel levels_[kMaximumDepth] = {};
};

// The record of a command message (type 18): the pressed element's id comes first, at
// offset 0, so the address of the record is also the address of the id.
struct DescriptionCommand {
  DescriptionId id;
};
static_assert(offsetof(DescriptionCommand, id) == 0, "the id opens the command record");

// Data type that a level of an element of each kind carries.
enum : int32_t { kDescDataLink = 1, kDescDataChoice = 2, kDescDataButton = 3, kDescDataFlag = 4 };

// The command a press of the button `buttonId` sends: one level, the button's id.
DescriptionCommand MakeButtonCommand(int32_t buttonId);

}  // namespace khost

#pragma once
// An axis's choice in the tool's settings container: the one way the command writes the
// mode and side values the tool reads, and reads them back.

#include <cstdint>
#include <optional>

#include "axis_choice.h"
#include "containers.h"

namespace kcommand {

void WriteAxisChoice(khost::Containers& containers, HostContainer* settings, int axis,
                     const AxisChoice& choice);

// The stored mode and side values, 0 where none is stored.
struct AxisValues {
  int32_t mode;
  int32_t side;
};
AxisValues ReadAxisValues(khost::Containers& containers, HostContainer* settings, int axis);
// The choice the stored values stand for, as the tool reads them (ChoiceFromValues).
std::optional<AxisChoice> ReadAxisChoice(khost::Containers& containers, HostContainer* settings,
                                         int axis);

}  // namespace kcommand

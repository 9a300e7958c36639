#include "axis_settings.h"

namespace kcommand {

void WriteAxisChoice(khost::Containers& containers, HostContainer* settings, int axis,
                     const AxisChoice& choice) {
  containers.SetInt(settings, ModeSettingId(axis), ModeValueId(axis, choice.mode));
  containers.SetInt(settings, SideSettingId(axis), SideValueId(axis, choice.side));
}

AxisValues ReadAxisValues(khost::Containers& containers, HostContainer* settings, int axis) {
  return {containers.GetInt(settings, ModeSettingId(axis), 0),
          containers.GetInt(settings, SideSettingId(axis), 0)};
}

std::optional<AxisChoice> ReadAxisChoice(khost::Containers& containers, HostContainer* settings,
                                         int axis) {
  const AxisValues values = ReadAxisValues(containers, settings, axis);
  return ChoiceFromValues(axis, values.mode, values.side);
}

}  // namespace kcommand

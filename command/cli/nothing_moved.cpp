#include "nothing_moved.h"

#include <algorithm>

namespace kcommand {

std::string WhyNothingWillMove(SceneDocument& document, const AlignmentPress& press) {
  if (std::all_of(press.axes.begin(), press.axes.end(),
                  [](const AxisChoice& axis) { return axis.mode == AxisMode::kNone; }))
    return "no axis is chosen: give --x, --y or --z (or set them in the scene's \"tool\" "
           "settings)";
  if (press.object) return {};
  bool selected = false;
  WalkObjects(document.Scene(), [&](const SceneObject& object, size_t, std::optional<size_t>) {
    selected = selected || object.selected;
  });
  if (!selected && document.Format() != SceneFormat::kJson)
    return "no object is selected: a glTF scene has no selection, so --select NAME is how it "
           "says what moves";
  if (!selected)
    return "no object is selected: give --select NAME or --object NAME, or mark objects "
           "\"selected\" in the scene";
  return {};
}

}  // namespace kcommand

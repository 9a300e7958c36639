#include "nothing_moved.h"

#include <algorithm>
#include <vector>

namespace kcommand {
namespace {

// Stops at the first selected object: a million need not all be visited to know.
bool AnySelected(const std::vector<SceneObject>& objects) {
  return std::any_of(objects.begin(), objects.end(), [](const SceneObject& object) {
    return object.selected || AnySelected(object.children);
  });
}

}  // namespace

std::string WhyNothingWillMove(SceneDocument& document, const AlignmentPress& press, bool named) {
  if (std::all_of(press.axes.begin(), press.axes.end(),
                  [](const AxisChoice& axis) { return axis.mode == AxisMode::kNone; }))
    return "no axis is chosen: give --x, --y or --z (or set them in the scene's \"tool\" "
           "settings)";
  if (press.object || named) return {};
  const bool selected = AnySelected(document.Scene().objects);
  if (!selected && document.Format() != SceneFormat::kJson)
    return "no object is selected: a glTF scene has no selection, so --select NAME is how it "
           "says what moves";
  if (!selected)
    return "no object is selected: give --select NAME or --object NAME, or mark objects "
           "\"selected\" in the scene";
  return {};
}

}  // namespace kcommand

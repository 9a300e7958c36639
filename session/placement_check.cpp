#include "placement_check.h"

#include "host_values.h"

namespace kcommand {

bool PlacementIsFinite(khost::Scene& scene, HostObject* object) {
  // The scale is checked apart from the matrix: an axis of finite components can still
  // be longer than the largest double.
  return IsFinite(scene.LocalMatrix(object)) && IsFinite(scene.WorldMatrix(object)) &&
         IsFinite(scene.Rotation(object)) && IsFinite(scene.Scale(object)) &&
         IsFinite(scene.HalfSizes(object));
}

}  // namespace kcommand

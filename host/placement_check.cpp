#include "placement_check.h"

#include <cmath>

namespace khost {
namespace {

bool Finite(const HostVector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool Finite(const HostMatrix& m) {
  return Finite(m.offset) && Finite(m.axisX) && Finite(m.axisY) && Finite(m.axisZ);
}

}  // namespace

bool PlacementIsFinite(Scene& scene, HostObject* object) {
  // The scale is checked apart from the matrix: an axis of finite components can still
  // be longer than the largest double.
  return Finite(scene.LocalMatrix(object)) && Finite(scene.WorldMatrix(object)) &&
         Finite(scene.Rotation(object)) && Finite(scene.Scale(object)) &&
         Finite(scene.HalfSizes(object));
}

}  // namespace khost

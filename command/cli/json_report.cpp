#include "json_report.h"

#include <numbers>

#include "json_number_text.h"
#include "transform.h"

namespace kcommand {

nlohmann::ordered_json VectorJson(const HostVector& v) {
  return {WithoutNegativeZero(v.x), WithoutNegativeZero(v.y), WithoutNegativeZero(v.z)};
}

nlohmann::ordered_json WorldPlacementJson(const HostMatrix& world) {
  const double degrees = 180.0 / std::numbers::pi;
  const HostVector angles = khost::RotationAngles(world);
  return {{"position", VectorJson(world.offset)},
          {"rotation", VectorJson({angles.x * degrees, angles.y * degrees, angles.z * degrees})},
          {"scale", VectorJson(khost::AxisLengths(world))}};
}

nlohmann::ordered_json MovedObjectsJson(const SceneInHost& objects,
                                        const std::vector<HostPlacement>& before,
                                        const std::vector<HostPlacement>& after) {
  nlohmann::ordered_json moved = nlohmann::ordered_json::array();
  for (size_t i = 0; i < after.size(); ++i)
    if (!SamePlacement(before[i], after[i]))
      moved.push_back({{"path", objects.Entries()[i].path},
                       {"before", WorldPlacementJson(before[i].world)},
                       {"after", WorldPlacementJson(after[i].world)}});
  return moved;
}

}  // namespace kcommand

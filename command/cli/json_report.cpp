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
  const HostVector angles = kestrum::RotationAngles(world);
  return {{"position", VectorJson(world.offset)},
          {"rotation", VectorJson({angles.x * degrees, angles.y * degrees, angles.z * degrees})},
          {"scale", VectorJson(kestrum::AxisLengths(world))}};
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

nlohmann::ordered_json ExplanationsJson(const std::vector<PlacementExplanation>& placed) {
  nlohmann::ordered_json all = nlohmann::ordered_json::array();
  const auto optional = [](const std::optional<double>& value) {
    return value ? nlohmann::ordered_json(WithoutNegativeZero(*value)) : nlohmann::ordered_json();
  };
  for (const PlacementExplanation& placement : placed) {
    nlohmann::ordered_json axes = nlohmann::ordered_json::array();
    for (const AxisExplanation& axis : placement.axes) {
      const std::string mode = FormatAxisChoice({axis.choice.mode, AxisSide::kInside});
      const bool sided = mode.find(':') != std::string::npos;
      axes.push_back(
          {{"axis", std::string(1, kAxisLetters[static_cast<size_t>(axis.axis)])},
           {"mode", mode.substr(0, mode.find(':'))},
           {"side", sided ? nlohmann::ordered_json(
                                axis.choice.side == AxisSide::kInside ? "inside" : "outside")
                          : nlohmann::ordered_json()},
           {"referenceHalfSize", optional(axis.referenceHalf)},
           {"objectHalfSize", optional(axis.objectHalf)},
           {"distance", WithoutNegativeZero(axis.distance)},
           {"before", WithoutNegativeZero(axis.before)},
           {"after", WithoutNegativeZero(axis.after)}});
    }
    nlohmann::ordered_json rotation = {{"cleared", placement.rotationCleared},
                                       {"frameFrom", nullptr}};
    if (placement.frame) {
      rotation["frameFrom"] = placement.reference;
      rotation["frame"] = WorldPlacementJson(*placement.frame);
    }
    all.push_back({{"object", placement.object},
                   {"reference", placement.reference},
                   {"before", VectorJson(placement.before)},
                   {"after", VectorJson(placement.after)},
                   {"axes", std::move(axes)},
                   {"rotation", std::move(rotation)}});
  }
  return all;
}

}  // namespace kcommand

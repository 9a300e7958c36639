#include "press_explanation.h"

#include <bit>
#include <cstring>

namespace kcommand {
namespace {

double Component(const HostVector& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

bool Is(const khost::ObjectValue& value, const char* operation) {
  return std::strcmp(value.operation, operation) == 0;
}

bool AllZeroBits(const HostVector& v) {
  return std::bit_cast<uint64_t>(v.x) == 0 && std::bit_cast<uint64_t>(v.y) == 0 &&
         std::bit_cast<uint64_t>(v.z) == 0;
}

}  // namespace

std::vector<PlacementExplanation> ExplainPress(
    const std::vector<khost::ObjectValue>& values, HostObject* reference,
    const std::array<AxisChoice, 3>& axes, const std::function<std::string(HostObject*)>& name) {
  std::vector<PlacementExplanation> placed;
  // The object being explained, what it has written so far and the half sizes read
  // since its last axis.
  HostObject* current = nullptr;
  PlacementExplanation explanation;
  bool wrote = false;
  int nextAxis = 0;
  std::optional<HostVector> referenceHalf;
  std::optional<HostVector> objectHalf;
  const auto finish = [&] {
    if (current && wrote) {
      for (AxisExplanation& axis : explanation.axes) {
        axis.before = Component(explanation.before, axis.axis);
        axis.after = Component(explanation.after, axis.axis);
      }
      placed.push_back(std::move(explanation));
    }
    explanation = PlacementExplanation{};
    wrote = false;
    nextAxis = 0;
    referenceHalf.reset();
    objectHalf.reset();
  };
  for (const khost::ObjectValue& value : values) {
    if (value.object == reference && !value.written) {
      if (Is(value, "ObjectGetBoxRadius")) referenceHalf = value.vector;
      if (Is(value, "ObjectGetGlobalMatrix") && current) explanation.frame = value.matrix;
      continue;
    }
    if (value.object != current) {
      finish();
      current = value.object;
      explanation.object = name(current);
      explanation.reference = name(reference);
    }
    if (!value.written) {
      if (Is(value, "ObjectGetBoxRadius")) objectHalf = value.vector;
      continue;
    }
    if (!wrote) explanation.before = value.worldBefore.offset;
    wrote = true;
    explanation.after = value.worldAfter.offset;
    if (Is(value, "ObjectSetPosition")) {
      int axis = nextAxis;
      while (axis < 3 && axes[static_cast<size_t>(axis)].mode == AxisMode::kNone) ++axis;
      if (axis < 3) {
        AxisExplanation placedAxis{axis,
                                   axes[static_cast<size_t>(axis)],
                                   std::nullopt,
                                   std::nullopt,
                                   Component(value.vector, axis),
                                   0,
                                   0};
        if (referenceHalf) placedAxis.referenceHalf = Component(*referenceHalf, axis);
        if (objectHalf) placedAxis.objectHalf = Component(*objectHalf, axis);
        explanation.axes.push_back(placedAxis);
        nextAxis = axis + 1;
      }
      referenceHalf.reset();
      objectHalf.reset();
    } else if (Is(value, "ObjectSetRotation")) {
      explanation.rotationCleared = AllZeroBits(value.vector);
    }
  }
  finish();
  return placed;
}

}  // namespace kcommand

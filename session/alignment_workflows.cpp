// The workflows built from the tool's own presses: a stack, a group moved as one rigid
// body, and a press against the selection's own box. Each is one outer undo group
// around the presses; the host's groups nest, so the tool's own stay inside one step.

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "alignment_session.h"
#include "input_error.h"
#include "kestrum_settings.h"
#include "placement_check.h"
#include "transform.h"
#include "workflow_scope.h"

namespace kcommand {

namespace {

bool Finite(const HostVector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

std::vector<size_t> AlignmentSession::Selection() const {
  std::vector<size_t> selected;
  for (size_t i = 0; i < objects_.Count(); ++i)
    if (plugin_.host().scene().Selected(objects_.Object(i))) selected.push_back(i);
  return selected;
}

std::unique_ptr<AlignmentSession::TemporaryObject> AlignmentSession::UnionBox(
    const std::vector<size_t>& members, std::string name) {
  khost::Scene& scene = plugin_.host().scene();
  HostVector low{INFINITY, INFINITY, INFINITY};
  HostVector high{-INFINITY, -INFINITY, -INFINITY};
  for (const size_t member : members) {
    HostObject* object = objects_.Object(member);
    const FrameBox box = WorldBox(scene.WorldMatrix(object), scene.HalfSizes(object));
    const HostVector& c = box.centre;
    const HostVector& reach = box.half;
    low = {std::min(low.x, c.x - reach.x), std::min(low.y, c.y - reach.y),
           std::min(low.z, c.z - reach.z)};
    high = {std::max(high.x, c.x + reach.x), std::max(high.y, c.y + reach.y),
            std::max(high.z, c.z + reach.z)};
  }
  const HostVector centre{(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};
  const HostVector halfSizes{(high.x - low.x) / 2, (high.y - low.y) / 2, (high.z - low.z) / 2};
  if (members.empty() || !Finite(centre) || !Finite(halfSizes))
    throw PlacementsNotFinite(
        fileName_ + ": values too large to place: the " + name + " of " + NamesOf(members) +
        " is not finite (infinite or NaN), so it cannot be placed; nothing was "
        "written");
  return std::make_unique<TemporaryObject>(*this, name, centre, halfSizes);
}

HostObject* AlignmentSession::ReferenceObject(size_t reference,
                                              std::unique_ptr<TemporaryObject>& box) {
  if (reference != kSelectionBox) return objects_.Object(reference);
  const std::vector<size_t> selected = Selection();
  if (selected.empty())
    throw InputError(fileName_ +
                     ": @selection: no object is selected, so the selection has no box");
  box = UnionBox(selected, "@selection");
  return box->get();
}

void AlignmentSession::PressAgainstSelectionBox(const AlignmentPress& press) {
  Workflow workflow(*this);
  std::unique_ptr<TemporaryObject> box;
  HostObject* reference = ReferenceObject(press.reference, box);
  PressOn(reference, press.object ? objects_.Object(*press.object) : nullptr, press.axes);
  RequireFinitePlacements();
  box.reset();
  workflow.Commit();
}

void AlignmentSession::Stack(size_t reference, const std::vector<size_t>& objects,
                             const std::array<AxisChoice, 3>& axes, const Placement& placement) {
  if (objects.empty()) throw InputError(fileName_ + ": the stack names no object");
  std::unordered_set<size_t> named;
  for (const size_t object : objects) {
    if (object == reference)
      throw InputError(fileName_ + ": the stack names its reference, " + NamesOf({object}) +
                       ", which stays where it is");
    if (!named.insert(object).second)
      throw InputError(fileName_ + ": the stack names " + NamesOf({object}) +
                       " twice; each object is stacked once");
  }
  RequireGapInBoxFrame(placement, fileName_);
  Workflow workflow(*this);
  std::unique_ptr<TemporaryObject> box;
  HostObject* against = ReferenceObject(reference, box);
  for (const size_t object : objects) {
    HostObject* moved = objects_.Object(object);
    if (placement.frame == PlacementFrame::kTool) {
      PressOn(against, moved, axes);
    } else {
      const std::optional<HostMatrix> turn = TurnFor(against, placement.frame);
      PressBoxes(ReferenceBox(against, turn, axes, placement), PathOf(against), turn, {moved},
                 axes);
    }
    against = moved;
  }
  RequireFinitePlacements();
  box.reset();
  workflow.Commit();
}

GroupPress AlignmentSession::PressAsGroup(size_t reference, const std::vector<size_t>& members,
                                          const std::array<AxisChoice, 3>& axes,
                                          const Placement& placement) {
  if (members.empty()) return GroupPress::kNoMembers;
  for (const size_t member : members)
    if (member == reference)
      throw InputError(fileName_ + ": the group holds its reference, " + NamesOf({member}) +
                       "; a group is aligned against an object outside it");
  RequireGapInBoxFrame(placement, fileName_);
  if (members.size() == 1) {
    Press({reference, members.front(), axes, placement});
    return GroupPress::kPlainPress;
  }
  khost::Scene& scene = plugin_.host().scene();
  HostDocument* document = objects_.Document();
  // A member below another member is carried by that one, as in the host.
  const std::unordered_set<HostObject*> inGroup = [&] {
    std::unordered_set<HostObject*> all;
    for (const size_t member : members) all.insert(objects_.Object(member));
    return all;
  }();
  std::vector<HostObject*> carried;
  for (const size_t member : members) {
    HostObject* object = objects_.Object(member);
    bool below = false;
    for (HostObject* up = scene.Parent(object); up && !below; up = scene.Parent(up))
      below = inGroup.count(up) != 0;
    if (!below) carried.push_back(object);
  }

  Workflow workflow(*this);
  std::unique_ptr<TemporaryObject> box;
  HostObject* against = ReferenceObject(reference, box);
  std::unique_ptr<TemporaryObject> group =
      UnionBox(members, "group of " + std::to_string(members.size()) + " objects");
  for (HostObject* object : carried) scene.AddUndo(document, kUndoKindChange, object, "group");
  const HostMatrix before = scene.WorldMatrix(group->get());
  if (placement.frame == PlacementFrame::kTool) {
    PressOn(against, group->get(), axes);
  } else {
    const std::optional<HostMatrix> turn = TurnFor(against, placement.frame);
    PressBoxes(ReferenceBox(against, turn, axes, placement), PathOf(against), turn, {group->get()},
               axes);
  }
  const HostMatrix after = scene.WorldMatrix(group->get());
  if (!kestrum::SameBits(before, after)) {
    // Each member keeps its place in the group's frame: parented to it before the press
    // and set free after, its world matrix is the group's new one times its matrix in
    // the group's old frame.
    HostMatrix inverse;
    if (!kestrum::Invert(before, &inverse))
      throw HostFailure(fileName_ + ": the group's frame cannot be inverted; nothing was written");
    for (HostObject* object : carried)
      scene.SetWorldMatrix(
          object, kestrum::Multiply(after, kestrum::Multiply(inverse, scene.WorldMatrix(object))),
          "group");
  }
  RequireFinitePlacements();
  group.reset();
  box.reset();
  workflow.Commit();
  return GroupPress::kGroup;
}

Distribution AlignmentSession::Distribute(const std::vector<size_t>& objects, int axis,
                                          std::optional<double> gap) {
  std::unordered_set<size_t> named;
  for (const size_t object : objects)
    if (!named.insert(object).second)
      throw InputError(fileName_ + ": even spacing names " + NamesOf({object}) +
                       " twice; each object is placed once");
  if (gap && !std::isfinite(*gap))
    throw InputError(fileName_ + ": the gap for even spacing is not a finite number");
  if (objects.size() < 3) return {};
  khost::Scene& scene = plugin_.host().scene();
  const auto boxOf = [&](size_t index) {
    HostObject* object = objects_.Object(index);
    return WorldBox(scene.WorldMatrix(object), scene.HalfSizes(object));
  };
  const auto along = static_cast<size_t>(axis);
  struct Span {
    double low, high;
    size_t object;
  };
  std::vector<Span> spans;
  for (const size_t object : objects) {
    const FrameBox box = boxOf(object);
    spans.push_back({Along(box.centre, along) - Along(box.half, along),
                     Along(box.centre, along) + Along(box.half, along), object});
  }
  std::stable_sort(spans.begin(), spans.end(),
                   [](const Span& a, const Span& b) { return a.low < b.low; });
  Distribution distribution;
  double sizes = 0;
  for (const Span& span : spans) {
    distribution.order.push_back(span.object);
    sizes += span.high - span.low;
  }
  const size_t count = distribution.order.size();
  distribution.gap =
      gap ? *gap : (spans.back().high - spans.front().low - sizes) / static_cast<double>(count - 1);
  if (!std::isfinite(distribution.gap))
    throw PlacementsNotFinite(fileName_ + ": values too large to place: the span of " +
                              NamesOf(distribution.order) +
                              " is not finite, so it cannot be spaced; nothing was written");

  std::array<AxisChoice, 3> axes{};
  axes[along] = {AxisMode::kPlus, AxisSide::kOutside};
  Workflow workflow(*this);
  // Without a gap of its own the highest stays where it is.
  const size_t placed = gap ? count : count - 1;
  for (size_t i = 1; i < placed; ++i) {
    const size_t previous = distribution.order[i - 1];
    // The box before, reaching the gap further on its high side.
    FrameBox box = boxOf(previous);
    Along(box.centre, along) += distribution.gap / 2;
    Along(box.half, along) += distribution.gap / 2;
    if (gap && Along(box.half, along) < 0)
      throw InputError(fileName_ + ": a gap of " + std::to_string(*gap) + " on " +
                       kAxisLetters[along] + " turns the box of " + NamesOf({previous}) +
                       " inside out; nothing was moved");
    PressBoxes(box, PathOf(objects_.Object(previous)), std::nullopt,
               {objects_.Object(distribution.order[i])}, axes);
  }
  RequireFinitePlacements();
  workflow.Commit();
  return distribution;
}

}  // namespace kcommand

// Presses in the world and the reference's frame. The tool is shown a box for each
// object: a temporary object at the box's centre, unturned and unscaled, with the box's
// half sizes, so that the tool's offsets are distances between boxes and the frame it
// takes from the reference is a plain shift. Each object is then moved by what the tool
// did to its box, and by nothing else.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>

#include "alignment_session.h"
#include "input_error.h"
#include "transform.h"
#include "workflow_scope.h"

namespace kcommand {

namespace {

// How many roundings of the values a box's place is summed from count as in place.
constexpr double kRoundingSteps = 8;

bool AnyAxis(const std::array<AxisChoice, 3>& axes) {
  return std::any_of(axes.begin(), axes.end(),
                     [](const AxisChoice& choice) { return choice.mode != AxisMode::kNone; });
}

std::string GapText(double gap) {
  char text[48];
  std::snprintf(text, sizeof text, "%.17g", gap);
  return text;
}

}  // namespace

std::optional<HostMatrix> AlignmentSession::TurnFor(HostObject* reference, PlacementFrame frame) {
  if (frame != PlacementFrame::kReference) return std::nullopt;
  const std::optional<HostMatrix> turn =
      ReferenceTurn(plugin_.host().scene().WorldMatrix(reference));
  if (!turn)
    throw InputError(fileName_ + ": the reference " + PathOf(reference) +
                     " has no orientation to take (its axes have no length or are parallel); "
                     "the world frame places against it");
  return turn;
}

FrameBox AlignmentSession::ReferenceBox(HostObject* reference,
                                        const std::optional<HostMatrix>& turn,
                                        const std::array<AxisChoice, 3>& axes,
                                        const Placement& placement) {
  khost::Scene& scene = plugin_.host().scene();
  const HostMatrix world = scene.WorldMatrix(reference);
  const HostVector half = scene.HalfSizes(reference);
  FrameBox box = turn ? BoxAlong(*turn, world, half) : WorldBox(world, half);
  for (size_t axis = 0; axis < 3; ++axis) {
    const double gap = placement.gap[axis];
    const AxisChoice& choice = axes[axis];
    if (!std::isfinite(gap))
      throw InputError(fileName_ + ": the gap on " + kAxisLetters[axis] +
                       " is not a finite number");
    if (gap == 0 || choice.mode == AxisMode::kNone) continue;
    if (choice.mode == AxisMode::kCenter) {
      Along(box.centre, axis) += gap;
      continue;
    }
    double& reach = Along(box.half, axis);
    const double across = 2 * reach;
    reach += choice.side == AxisSide::kOutside ? gap : -gap;
    if (reach < 0)
      throw InputError(fileName_ + ": a gap of " + GapText(gap) + " on " + kAxisLetters[axis] +
                       " turns the box of " + PathOf(reference) + " inside out (it is " +
                       GapText(across) + " across); nothing was moved");
  }
  return box;
}

void AlignmentSession::PressBoxes(const FrameBox& reference, const std::string& referenceName,
                                  const std::optional<HostMatrix>& turn,
                                  const std::vector<HostObject*>& moved,
                                  const std::array<AxisChoice, 3>& axes) {
  khost::Scene& scene = plugin_.host().scene();
  HostDocument* document = objects_.Document();
  // Each object's box as shown; turned to `turn`, its signed scale too.
  std::vector<FrameBox> shown;
  shown.reserve(moved.size());
  std::vector<HostVector> scales;
  for (HostObject* object : moved) {
    const HostMatrix& world = scene.WorldMatrix(object);
    const HostVector half = scene.HalfSizes(object);
    if (!turn) {
      shown.push_back(WorldBox(world, half));
      continue;
    }
    scales.push_back(kestrum::SignedAxisLengths(world, scene.Scale(object)));
    shown.push_back({IntoTurn(*turn, world.offset), TurnedHalfSizes(scales.back(), half)});
  }

  // The boxes: [0] the reference's, never selected; one for each moved object, selected.
  FrameBoxes& boxes = frameBoxes_;
  if (!boxes.document) boxes.document = scene.NewDocument("kestrum boxes");
  while (boxes.boxes.size() < shown.size() + 1)
    boxes.boxes.push_back(scene.NewObject(boxes.document, "kestrum box"));
  const auto show = [&](HostObject* box, const FrameBox& as) {
    HostMatrix unturned = kestrum::IdentityMatrix();
    unturned.offset = as.centre;
    scene.SetLocalMatrix(box, unturned);
    scene.SetHalfSizes(box, as.half);
  };
  show(boxes.boxes[0], reference);
  for (size_t i = 0; i < shown.size(); ++i) show(boxes.boxes[i + 1], shown[i]);
  for (size_t i = shown.size() + 1; i <= boxes.selected; ++i)
    scene.SetSelected(boxes.boxes[i], false);
  for (size_t i = boxes.selected + 1; i <= shown.size(); ++i)
    scene.SetSelected(boxes.boxes[i], true);
  boxes.selected = shown.size();
  // Named for explanations only while explaining: a million names are not made for none.
  const size_t namesBefore = temporaryNames_.size();
  if (explain_) {
    temporaryNames_.emplace_back(boxes.boxes[0], referenceName);
    for (size_t i = 0; i < moved.size(); ++i)
      temporaryNames_.emplace_back(boxes.boxes[i + 1], PathOf(moved[i]));
  }
  const size_t explained = explanations_.size();
  // What the tool records of the boxes is of no use to anyone: not kept at all.
  scene.SetUndoLevels(boxes.document, 0);
  // The tool has one settings container for every document: the links and axes the box
  // press writes are the user's again once it is done.
  const KeptSettings settings = KeepSettings();
  try {
    PressOn(boxes.boxes[0], nullptr, axes, boxes.document);
  } catch (...) {
    temporaryNames_.resize(namesBefore);
    RestoreSettings(settings);
    throw;
  }
  temporaryNames_.resize(namesBefore);
  RestoreSettings(settings);
  for (size_t i = explained; i < explanations_.size(); ++i)
    explanations_[i].placedIn = turn ? PlacementFrame::kReference : PlacementFrame::kWorld;

  for (HostObject* object : moved) scene.AddUndo(document, kUndoKindChange, object, "frame press");
  for (size_t i = 0; i < moved.size(); ++i) {
    const FrameBox& box = shown[i];
    const HostVector after = scene.WorldMatrix(boxes.boxes[i + 1]).offset;
    // Only the axes the tool placed: the others keep their values to the bit. A box
    // already where the tool puts it, but for the rounding of the sums that place it,
    // stays: pressing again moves nothing.
    HostVector centre = box.centre;
    bool changed = false;
    for (size_t axis = 0; axis < 3; ++axis) {
      if (axes[axis].mode == AxisMode::kNone) continue;
      const double distance = Along(after, axis) - Along(box.centre, axis);
      const double magnitude = std::fabs(Along(after, axis)) + std::fabs(Along(box.centre, axis)) +
                               std::fabs(Along(box.half, axis));
      if (std::isfinite(magnitude) &&
          std::fabs(distance) <= kRoundingSteps * DBL_EPSILON * magnitude)
        continue;
      Along(centre, axis) += distance;
      changed = true;
    }
    if (!changed) continue;
    HostObject* object = moved[i];
    if (turn) {
      scene.SetWorldMatrix(object, TurnedWorld(*turn, scales[i], OutOfTurn(*turn, centre)),
                           "frame press");
      continue;
    }
    // Moved, not turned: only the position changes, so the rotation and scale keep their
    // values to the bit. In world axes the box's centre is the object's origin; a child's
    // place is found in its parent's frame as it now stands.
    HostObject* parent = scene.Parent(object);
    HostMatrix parentInverse;
    if (!parent) {
      scene.SetPosition(object, centre, "frame press");
    } else if (kestrum::Invert(scene.WorldMatrix(parent), &parentInverse)) {
      scene.SetPosition(object, Transformed(parentInverse, centre), "frame press");
    } else {
      HostMatrix world = scene.WorldMatrix(object);
      world.offset = centre;
      scene.SetWorldMatrix(object, world, "frame press");
    }
  }
}

void AlignmentSession::PressInFrame(HostObject* reference, const AlignmentPress& press) {
  std::vector<HostObject*> moved;
  if (press.object) {
    moved.push_back(objects_.Object(*press.object));
  } else {
    // In document order, parents before their children, as PressBoxes needs them.
    const auto selected = plugin_.host().scene().SelectedObjects(objects_.Document());
    moved.assign(selected->begin(), selected->end());
  }
  // The reference stays where it is, even when selected.
  moved.erase(std::remove(moved.begin(), moved.end(), reference), moved.end());
  const std::optional<HostMatrix> turn = TurnFor(reference, press.placement.frame);
  const FrameBox box = ReferenceBox(reference, turn, press.axes, press.placement);
  if (moved.empty() || !AnyAxis(press.axes)) return;
  PressBoxes(box, PathOf(reference), turn, moved, press.axes);
}

}  // namespace kcommand

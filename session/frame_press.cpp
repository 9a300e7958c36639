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

double& Along(HostVector& v, size_t axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }
double Along(const HostVector& v, size_t axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

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

// The temporary objects of one PressBoxes: made top level and unselected, deleted with
// it. Named for explanations only while the session explains, so a press of a million
// objects makes no million names.
class AlignmentSession::FrameProxies {
 public:
  explicit FrameProxies(AlignmentSession& session)
      : session_(session), scene_(session.plugin_.host().scene()) {}
  FrameProxies(const FrameProxies&) = delete;
  FrameProxies& operator=(const FrameProxies&) = delete;
  ~FrameProxies() {
    for (HostObject* proxy : proxies_) scene_.DeleteObject(proxy);
    if (named_) session_.temporaryNames_.resize(namesBefore_);
  }
  void Reserve(size_t count) { proxies_.reserve(count); }
  HostObject* Add(const FrameBox& box, const std::function<std::string()>& name) {
    HostObject* proxy = scene_.NewObject(session_.objects_.Document(), "kestrum box");
    scene_.SetPosition(proxy, box.centre);
    scene_.SetHalfSizes(proxy, box.half);
    proxies_.push_back(proxy);
    if (session_.explain_) {
      if (!named_) namesBefore_ = session_.temporaryNames_.size();
      named_ = true;
      session_.temporaryNames_.emplace_back(proxy, name());
    }
    return proxy;
  }
  HostObject* operator[](size_t index) const { return proxies_[index]; }

 private:
  AlignmentSession& session_;
  khost::Scene& scene_;
  std::vector<HostObject*> proxies_;
  bool named_ = false;
  size_t namesBefore_ = 0;
};

std::optional<HostMatrix> AlignmentSession::TurnFor(HostObject* reference, PlacementFrame frame) {
  if (frame != PlacementFrame::kReference) return std::nullopt;
  const std::optional<HostMatrix> turn = ReferenceTurn(plugin_.host().scene().WorldMatrix(reference));
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
  struct Target {
    HostObject* object;
    HostMatrix world;
    HostVector scale;  // signed, turned to `turn`; unused in world axes
    FrameBox box;
  };
  std::vector<Target> targets;
  targets.reserve(moved.size());
  for (HostObject* object : moved) {
    const HostMatrix world = scene.WorldMatrix(object);
    const HostVector half = scene.HalfSizes(object);
    if (!turn) {
      targets.push_back({object, world, {}, WorldBox(world, half)});
      continue;
    }
    const HostVector scale = kestrum::SignedAxisLengths(world, scene.Scale(object));
    targets.push_back(
        {object, world, scale, {IntoTurn(*turn, world.offset), TurnedHalfSizes(scale, half)}});
  }

  FrameProxies proxies(*this);
  proxies.Reserve(targets.size() + 1);
  HostObject* against = proxies.Add(reference, [&] { return referenceName; });
  for (const Target& target : targets)
    proxies.Add(target.box, [&] { return PathOf(target.object); });
  // The tool's selection button on the boxes alone; the user's selection comes back.
  const std::vector<size_t> selected = Selection();
  for (const size_t index : selected) scene.SetSelected(objects_.Object(index), false);
  for (size_t i = 0; i < targets.size(); ++i) scene.SetSelected(proxies[i + 1], true);
  const auto reselect = [&] {
    for (size_t i = 0; i < targets.size(); ++i) scene.SetSelected(proxies[i + 1], false);
    for (const size_t index : selected) scene.SetSelected(objects_.Object(index), true);
  };
  const size_t explained = explanations_.size();
  try {
    PressOn(against, nullptr, axes);
  } catch (...) {
    reselect();
    throw;
  }
  reselect();
  for (size_t i = explained; i < explanations_.size(); ++i)
    explanations_[i].placedIn = turn ? PlacementFrame::kReference : PlacementFrame::kWorld;

  std::vector<HostMatrix> placed;
  placed.reserve(targets.size());
  for (size_t i = 0; i < targets.size(); ++i) {
    const Target& target = targets[i];
    const HostVector after = scene.WorldMatrix(proxies[i + 1]).offset;
    HostMatrix world = target.world;
    HostVector centre = target.box.centre;
    // Only the axes the tool placed: the others keep their values to the bit. A box
    // already where the tool puts it, but for the rounding of the sums that place it,
    // stays: pressing again moves nothing.
    for (size_t axis = 0; axis < 3; ++axis)
      if (axes[axis].mode != AxisMode::kNone) {
        const double distance = Along(after, axis) - Along(target.box.centre, axis);
        const double magnitude = std::fabs(Along(after, axis)) +
                                 std::fabs(Along(target.box.centre, axis)) +
                                 std::fabs(Along(target.box.half, axis));
        if (std::isfinite(magnitude) &&
            std::fabs(distance) <= kRoundingSteps * DBL_EPSILON * magnitude)
          continue;
        if (turn)
          Along(centre, axis) += distance;
        else
          Along(world.offset, axis) += distance;
      }
    placed.push_back(turn ? TurnedWorld(*turn, target.scale, OutOfTurn(*turn, centre)) : world);
  }
  for (const Target& target : targets)
    scene.AddUndo(document, kUndoKindChange, target.object, "frame press");
  for (size_t i = 0; i < targets.size(); ++i) {
    HostObject* object = targets[i].object;
    if (kestrum::SameBits(placed[i], targets[i].world)) continue;
    if (turn) {
      scene.SetWorldMatrix(object, placed[i], "frame press");
      continue;
    }
    // Moved, not turned: only the position changes, so the rotation and scale keep their
    // values to the bit. A child's is found in its parent's frame as it now stands.
    HostObject* parent = scene.Parent(object);
    HostMatrix parentInverse;
    if (!parent)
      scene.SetPosition(object, placed[i].offset, "frame press");
    else if (kestrum::Invert(scene.WorldMatrix(parent), &parentInverse))
      scene.SetPosition(object, Transformed(parentInverse, placed[i].offset), "frame press");
    else
      scene.SetWorldMatrix(object, placed[i], "frame press");
  }
}

void AlignmentSession::PressInFrame(HostObject* reference, const AlignmentPress& press) {
  std::vector<HostObject*> moved;
  if (press.object) {
    moved.push_back(objects_.Object(*press.object));
  } else {
    for (const size_t index : Selection()) moved.push_back(objects_.Object(index));
  }
  // The reference stays where it is, even when selected.
  moved.erase(std::remove(moved.begin(), moved.end(), reference), moved.end());
  const std::optional<HostMatrix> turn = TurnFor(reference, press.placement.frame);
  const FrameBox box = ReferenceBox(reference, turn, press.axes, press.placement);
  if (moved.empty() || !AnyAxis(press.axes)) return;
  PressBoxes(box, PathOf(reference), turn, moved, press.axes);
}

}  // namespace kcommand

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

namespace kcommand {

// One outer undo group. Committed, it closes the group: one step. Left without a
// commit (a press failed), it closes the group and undoes what it recorded, so the
// document is as it was. Either way the tool's links (reference, object) are given back
// as they were: the presses link each object in turn, and temporary ones that are gone.
class AlignmentSession::Workflow {
 public:
  explicit Workflow(AlignmentSession& session)
      : session_(session),
        scene_(session.plugin_.host().scene()),
        document_(session.objects_.Document()),
        stepsBefore_(scene_.UndoSteps(document_)) {
    for (size_t i = 0; i < kLinks.size(); ++i)
      links_[i] = session_.plugin_.host().containers().GetObjectLink(session_.Settings(), kLinks[i],
                                                                     document_, kObjectKindObject);
    scene_.BeginUndo(document_, "workflow");
  }
  Workflow(const Workflow&) = delete;
  Workflow& operator=(const Workflow&) = delete;
  ~Workflow() {
    if (!committed_) {
      scene_.EndUndo(document_, "workflow");
      if (scene_.UndoSteps(document_) > stepsBefore_) scene_.Undo(document_);
    }
    khost::Containers& containers = session_.plugin_.host().containers();
    for (size_t i = 0; i < kLinks.size(); ++i) {
      if (links_[i])
        containers.SetLink(session_.Settings(), kLinks[i], scene_.IdOf(links_[i]));
      else
        containers.Remove(session_.Settings(), kLinks[i]);
    }
  }
  void Commit() {
    scene_.EndUndo(document_, "workflow");
    committed_ = true;
  }

 private:
  static constexpr std::array<int32_t, 2> kLinks{ALIGN_REFERENCE, ALIGN_OBJECT};
  AlignmentSession& session_;
  khost::Scene& scene_;
  HostDocument* document_;
  size_t stepsBefore_;
  std::array<HostObject*, 2> links_{};
  bool committed_ = false;
};

// An object of the host's document that only a workflow uses: top level, unselected,
// named for what it stands for in explanations, and deleted when the workflow is done.
class AlignmentSession::TemporaryObject {
 public:
  TemporaryObject(AlignmentSession& session, const std::string& name, const HostVector& centre,
                  const HostVector& halfSizes)
      : session_(session), scene_(session.plugin_.host().scene()) {
    object_ = scene_.NewObject(session.objects_.Document(), "kestrum " + name);
    scene_.SetPosition(object_, centre);
    scene_.SetHalfSizes(object_, halfSizes);
    session_.temporaryNames_.emplace_back(object_, name);
  }
  TemporaryObject(const TemporaryObject&) = delete;
  TemporaryObject& operator=(const TemporaryObject&) = delete;
  ~TemporaryObject() {
    scene_.DeleteObject(object_);
    auto& names = session_.temporaryNames_;
    names.erase(std::remove_if(names.begin(), names.end(),
                               [this](const auto& named) { return named.first == object_; }),
                names.end());
  }
  HostObject* get() const { return object_; }

 private:
  AlignmentSession& session_;
  khost::Scene& scene_;
  HostObject* object_;
};

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
    const HostMatrix world = scene.WorldMatrix(object);
    const HostVector h = scene.HalfSizes(object);
    // The host's origin is the box's centre; its extent along each world axis.
    const HostVector reach{std::fabs(world.axisX.x) * h.x + std::fabs(world.axisY.x) * h.y +
                               std::fabs(world.axisZ.x) * h.z,
                           std::fabs(world.axisX.y) * h.x + std::fabs(world.axisY.y) * h.y +
                               std::fabs(world.axisZ.y) * h.z,
                           std::fabs(world.axisX.z) * h.x + std::fabs(world.axisY.z) * h.y +
                               std::fabs(world.axisZ.z) * h.z};
    const HostVector& c = world.offset;
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
                             const std::array<AxisChoice, 3>& axes) {
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
  Workflow workflow(*this);
  std::unique_ptr<TemporaryObject> box;
  HostObject* against = ReferenceObject(reference, box);
  for (const size_t object : objects) {
    HostObject* moved = objects_.Object(object);
    PressOn(against, moved, axes);
    against = moved;
  }
  RequireFinitePlacements();
  box.reset();
  workflow.Commit();
}

GroupPress AlignmentSession::PressAsGroup(size_t reference, const std::vector<size_t>& members,
                                          const std::array<AxisChoice, 3>& axes) {
  if (members.empty()) return GroupPress::kNoMembers;
  for (const size_t member : members)
    if (member == reference)
      throw InputError(fileName_ + ": the group holds its reference, " + NamesOf({member}) +
                       "; a group is aligned against an object outside it");
  if (members.size() == 1) {
    Press({reference, members.front(), axes});
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
  PressOn(against, group->get(), axes);
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

}  // namespace kcommand

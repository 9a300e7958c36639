#include "python_document.h"

#include <algorithm>
#include <numbers>
#include <string_view>

#include "host_values.h"
#include "input_error.h"
#include "kestrum_settings.h"
#include "output_files.h"
#include "scene_files.h"
#include "transform.h"

namespace kpython {
namespace {

using kcommand::HostFailure;
using kcommand::InputError;
using kcommand::SceneObject;
using kcommand::Vector3;

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

// The object's own frame from the frame the host was shown (at its box centre).
HostMatrix Unshown(const HostMatrix& shown, const kcommand::Vector3* centre) {
  if (centre == nullptr) return shown;
  HostMatrix back = kestrum::IdentityMatrix();
  back.offset = {-(*centre)[0], -(*centre)[1], -(*centre)[2]};
  return kestrum::Multiply(shown, back);
}

// What keeps an object's values from being placed: a value that is not finite, a
// negative half size, or a world matrix below its parent's that would not be finite.
enum class Unplaceable { kNothing, kMatrix, kBoxCentre, kHalfSizes, kWorld };

// `world` gets the object's world matrix below `parentWorld`.
Unplaceable CheckPlaceable(const HostMatrix* local, const Vector3* boxCentre, const Vector3& half,
                           const HostMatrix& parentWorld, HostMatrix* world) {
  if (local && !kcommand::IsFinite(*local)) return Unplaceable::kMatrix;
  if (boxCentre && !kcommand::IsFinite(kcommand::ToHost(*boxCentre)))
    return Unplaceable::kBoxCentre;
  if (!kcommand::IsFinite(kcommand::ToHost(half)) || half[0] < 0 || half[1] < 0 || half[2] < 0)
    return Unplaceable::kHalfSizes;
  *world = local ? kestrum::Multiply(parentWorld, *local) : parentWorld;
  return kcommand::IsFinite(*world) ? Unplaceable::kNothing : Unplaceable::kWorld;
}

constexpr const char* kMatrixNotFinite = "every value must be a finite number";
constexpr const char* kNamesOfTheirOwn =
    "; objects under one parent have names of their own, so that a path names one object";

std::string TooDeep(size_t depth) {
  return "it would lie " + std::to_string(depth) + " objects deep, more than the " +
         std::to_string(kcommand::kMaxObjectNesting) + " a scene may nest";
}
constexpr const char* kBoxCentreNotFinite = "give three finite numbers";
constexpr const char* kBadHalfSizes =
    "give three finite numbers of 0 or more, half the box's size along each of the object's "
    "axes";
constexpr const char* kWorldNotFinite =
    "its world matrix would not be finite (position or scale too large along its parents)";

// Throws InputError, starting with `adding`, when the object cannot be placed below
// `parentWorld`.
void RequirePlaceable(const NewObject& object, const HostMatrix& parentWorld,
                      const std::string& adding) {
  HostMatrix world;
  const Vector3* centre = object.boxCentre ? &*object.boxCentre : nullptr;
  const HostMatrix* local = object.local ? &*object.local : nullptr;
  switch (CheckPlaceable(local, centre, object.halfSizes, parentWorld, &world)) {
    case Unplaceable::kNothing:
      return;
    case Unplaceable::kMatrix:
      throw InputError(adding + "matrix: " + kMatrixNotFinite);
    case Unplaceable::kBoxCentre:
      throw InputError(adding + "box_centre: " + kBoxCentreNotFinite);
    case Unplaceable::kHalfSizes:
      throw InputError(adding + "half_sizes: " + kBadHalfSizes);
    case Unplaceable::kWorld:
      throw InputError(adding + kWorldNotFinite);
  }
}

// Names under each parent, to find one given twice in a bulk add: open addressing with
// no allocation per name, which a set of strings would make for each of 10^5 objects.
class SiblingNames {
 public:
  static constexpr size_t kHeld = SIZE_MAX;  // the order of a name the parent already held

  explicit SiblingNames(size_t count) {
    size_t size = 16;
    while (size < 2 * count) size *= 2;
    slots_.resize(size);
    mask_ = size - 1;
  }
  // Adds `name` to `group`, or gives the order it was added with when the group holds it
  // already. The view must outlive the table.
  std::optional<size_t> Insert(size_t group, std::string_view name, size_t order) {
    const size_t hash = std::hash<std::string_view>{}(name) ^ (group * 0x9e3779b97f4a7c15);
    for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
      Slot& slot = slots_[i];
      if (slot.name.data() == nullptr) {
        slot = {group, name, order};
        return std::nullopt;
      }
      if (slot.group == group && slot.name == name) return slot.order;
    }
  }

 private:
  struct Slot {
    size_t group = 0;
    std::string_view name{};
    size_t order = 0;
  };
  std::vector<Slot> slots_;
  size_t mask_ = 0;
};

SceneObject ModelObject(std::string name, const HostMatrix* local, const Vector3* boxCentre,
                        const Vector3& halfSizes, bool selected) {
  SceneObject added;
  added.name = std::move(name);
  if (local) {
    const HostMatrix& m = *local;
    added.localMatrix = kcommand::LocalMatrix{
        Vector3{m.offset.x, m.offset.y, m.offset.z}, Vector3{m.axisX.x, m.axisX.y, m.axisX.z},
        Vector3{m.axisY.x, m.axisY.y, m.axisY.z}, Vector3{m.axisZ.x, m.axisZ.y, m.axisZ.z}};
  }
  if (boxCentre) added.boxCentre = *boxCentre;
  added.halfSize = halfSizes;
  added.selected = selected;
  return added;
}

SceneObject ModelObject(const NewObject& object) {
  return ModelObject(object.name, object.local ? &*object.local : nullptr,
                     object.boxCentre ? &*object.boxCentre : nullptr, object.halfSizes,
                     object.selected);
}

// Room for `more` objects, growing as push_back would, so that adding a few at a time
// does not move every object each time.
void Reserve(std::vector<SceneObject>& list, size_t more) {
  if (list.size() + more > list.capacity())
    list.reserve(std::max(list.size() + more, 2 * list.capacity()));
}

}  // namespace

Document::Document(std::shared_ptr<LoadedPlugin> plugin, const std::string& path,
                   kcommand::BoxPlacement boxes)
    : plugin_(std::move(plugin)),
      file_(kcommand::ReadSceneDocument(path, {std::nullopt, boxes})),
      scene_(file_->Scene()) {
  name_ = file_->FileName();
}

Document::Document(std::shared_ptr<LoadedPlugin> plugin, std::string name)
    : plugin_(std::move(plugin)), name_(std::move(name)), scene_(built_) {}

Document::~Document() { plugin_->Release(this); }

kcommand::AlignmentSession& Document::Session() {
  khost::PluginSession& run = plugin_->Run();
  if (session_) return *session_;
  session_ = std::make_unique<kcommand::AlignmentSession>(run, scene_, name_);
  // Saved after any number of presses and undos, as the view saves.
  session_->objects().KeepValuesAsRead();
  const size_t count = session_->objects().Count();
  parentOf_.assign(count, kTopLevel);
  siblingNumber_.assign(count, 0);
  childrenStart_.assign(count + 2, 0);  // each node's child count at node + 1 first
  kcommand::WalkObjects(scene_, [&](SceneObject&, size_t index, std::optional<size_t> parent) {
    parentOf_[index] = parent.value_or(kTopLevel);
    siblingNumber_[index] = childrenStart_[(parent ? *parent + 1 : 0) + 1]++;
  });
  for (size_t node = 1; node < childrenStart_.size(); ++node)
    childrenStart_[node] += childrenStart_[node - 1];
  childIndices_.assign(count, 0);
  for (size_t index = 0; index < count; ++index) {
    const size_t node = parentOf_[index] == kTopLevel ? 0 : parentOf_[index] + 1;
    childIndices_[childrenStart_[node] + siblingNumber_[index]] = index;
  }
  return *session_;
}

HostContainer* Document::Settings() {
  HostDocument* document = Session().objects().Document();
  return plugin_->SettingsFor(
      this, document, [this] { KeepSettings(); },
      [this](HostContainer* settings) { RestoreSettings(settings); });
}

void Document::KeepSettings() {
  kept_ = session_->KeepSettings();
  keptLinks_.clear();
  for (const auto& [id, setting] : *kept_)
    if (setting.linked) keptLinks_.emplace(id, PlaceOf(*setting.linked));
}

void Document::RestoreSettings(HostContainer*) {
  if (!kept_) {
    session_->RestoreSettings(std::nullopt);
    kept_.emplace();
    WriteFileSettings();
    return;
  }
  // The objects' indices may have changed since: the links follow their places.
  for (auto& [id, setting] : *kept_) {
    const auto place = keptLinks_.find(id);
    setting.linked =
        place != keptLinks_.end() ? std::optional<size_t>(IndexOf(place->second)) : std::nullopt;
  }
  session_->RestoreSettings(kept_);
}

// The tool settings a scene file carries, as the view takes them.
void Document::WriteFileSettings() {
  try {
    Panel().Apply(scene_.tool);
  } catch (const InputError& error) {
    throw InputError(name_ + ": " + error.what());
  }
}

size_t Document::IndexOf(const TreePlace& place) {
  Session();
  size_t index = kTopLevel;
  for (const size_t child : place) {
    const size_t node = index == kTopLevel ? 0 : index + 1;
    if (child >= childrenStart_[node + 1] - childrenStart_[node])
      throw InputError(name_ + ": the object is no longer in this document");
    index = childIndices_[childrenStart_[node] + child];
  }
  if (index == kTopLevel) throw InputError(name_ + ": the object is no longer in this document");
  return index;
}

TreePlace Document::PlaceOf(size_t index) {
  Session();
  TreePlace place;
  for (size_t i = index; i != kTopLevel; i = parentOf_[i]) place.push_back(siblingNumber_[i]);
  std::reverse(place.begin(), place.end());
  return place;
}

TreePlace Document::Add(const NewObject& object) {
  if (object.name.empty()) throw InputError(name_ + ": add: an object needs a name");
  const std::string adding = name_ + ": add: '" + object.name + "': ";
  std::vector<SceneObject>* siblings = &scene_.objects;
  size_t depth = 1;
  HostMatrix world = kestrum::IdentityMatrix();
  if (object.parent) {
    siblings = &ModelOf(*object.parent).children;
    depth += object.parent->size();
    world = ModelWorld(*object.parent);
  }
  if (depth > kcommand::kMaxObjectNesting) throw InputError(adding + TooDeep(depth));
  RequirePlaceable(object, world, adding);
  const TreePlace parentPlace = object.parent.value_or(TreePlace{});
  auto [names, first] = siblingNames_.try_emplace(parentPlace);
  if (first)
    for (const SceneObject& sibling : *siblings) names->second.insert(sibling.name);
  if (names->second.count(object.name) != 0)
    throw InputError(
        adding +
        (object.parent ? "'" + ModelOf(*object.parent).name + "'" : std::string("the top level")) +
        " already holds an object of that name" + kNamesOfTheirOwn);
  RequireNoPresses(adding);
  Unbuild();
  TreePlace place = parentPlace;
  place.push_back(siblings->size());
  siblings->push_back(ModelObject(object));
  names->second.insert(object.name);
  return place;
}

void Document::RequireNoPresses(const std::string& adding) {
  if (!session_) return;
  if (const size_t steps = UndoSteps(); steps > 0)
    throw InputError(adding +
                     "objects are added before the presses that move anything, and this "
                     "document holds " +
                     std::to_string(steps) + " undo steps");
}

void Document::Unbuild() {
  if (!session_) return;
  // The settings are kept as they are, for the document built again.
  session_->objects().ReadBack();
  if (plugin_->Holds(this)) KeepSettings();
  plugin_->Release(this);
  panel_.reset();
  session_.reset();
}

std::vector<TreePlace> Document::AddObjects(NewObjects objects) {
  const size_t count = objects.names.size();
  const std::string adding = name_ + ": add_objects: ";
  const auto requireCount = [&](size_t size, const char* what) {
    if (size != 0 && size != count)
      throw InputError(adding + what + ": " + std::to_string(size) + " entries for " +
                       std::to_string(count) + " objects");
  };
  requireCount(objects.parents.size(), "parents");
  requireCount(objects.locals.size(), "matrices");
  requireCount(objects.boxCentres.size(), "box_centres");
  requireCount(objects.halfSizes.size(), "half_sizes");
  requireCount(objects.selected.size(), "selected");
  if (count == 0) return {};  // nothing to refuse, and the host document can stay
  const auto object = [&](size_t i) {
    return "object " + std::to_string(i) + " ('" + objects.names[i] + "'): ";
  };

  // An object's siblings are its group: 0 the top level, 1 + i object i of the call's
  // children, count + 1 + h those of held parent h.
  struct HeldParent {
    TreePlace place;
    HostMatrix world;
  };
  std::vector<HeldParent> held;
  std::map<TreePlace, size_t> heldGroup;
  std::vector<size_t> groups(count);
  std::vector<size_t> depths(count);
  std::vector<HostMatrix> worlds(count);
  const HostMatrix identity = kestrum::IdentityMatrix();
  const Vector3 point{0, 0, 0};
  for (size_t i = 0; i < count; ++i) {
    if (objects.names[i].empty())
      throw InputError(adding + "names: object " + std::to_string(i) + ": an object needs a name");
    const HostMatrix* parentWorld = &identity;
    size_t depth = 1;
    if (!objects.parents.empty()) {
      if (const TreePlace* place = std::get_if<TreePlace>(&objects.parents[i])) {
        const auto [found, first] = heldGroup.try_emplace(*place, held.size());
        if (first) {
          ModelOf(*place);  // an object of this document
          held.push_back({*place, ModelWorld(*place)});
        }
        groups[i] = count + 1 + found->second;
        parentWorld = &held[found->second].world;
        depth = place->size() + 1;
      } else if (const int64_t parent = std::get<int64_t>(objects.parents[i]); parent != -1) {
        if (parent < 0 || static_cast<uint64_t>(parent) >= i)
          throw InputError(adding + "parents: " + object(i) + std::to_string(parent) +
                           " is not the index of an earlier object of this call, nor -1 for "
                           "the top level; give parents before their children");
        const size_t p = static_cast<size_t>(parent);
        groups[i] = 1 + p;
        parentWorld = &worlds[p];
        depth = depths[p] + 1;
      }
    }
    depths[i] = depth;
    if (depth > kcommand::kMaxObjectNesting)
      throw InputError(adding + "parents: " + object(i) + TooDeep(depth));
    const HostMatrix* local = objects.locals.empty() ? nullptr : &objects.locals[i];
    const Vector3* centre = objects.boxCentres.empty() ? nullptr : &objects.boxCentres[i];
    const Vector3& half = objects.halfSizes.empty() ? point : objects.halfSizes[i];
    switch (CheckPlaceable(local, centre, half, *parentWorld, &worlds[i])) {
      case Unplaceable::kNothing:
        break;
      case Unplaceable::kMatrix:
        throw InputError(adding + "matrices: " + object(i) + kMatrixNotFinite);
      case Unplaceable::kBoxCentre:
        throw InputError(adding + "box_centres: " + object(i) + kBoxCentreNotFinite);
      case Unplaceable::kHalfSizes:
        throw InputError(adding + "half_sizes: " + object(i) + kBadHalfSizes);
      case Unplaceable::kWorld:
        throw InputError(adding + "matrices: " + object(i) + kWorldNotFinite);
    }
  }

  const auto childrenOf = [&](size_t group) -> std::vector<SceneObject>& {
    return group == 0 ? scene_.objects : ModelOf(held[group - count - 1].place).children;
  };
  {
    size_t siblings = count + scene_.objects.size();
    for (size_t h = 0; h < held.size(); ++h) siblings += childrenOf(count + 1 + h).size();
    SiblingNames names(siblings);
    for (const SceneObject& sibling : scene_.objects)
      names.Insert(0, sibling.name, SiblingNames::kHeld);
    for (size_t h = 0; h < held.size(); ++h)
      for (const SceneObject& sibling : childrenOf(count + 1 + h))
        names.Insert(count + 1 + h, sibling.name, SiblingNames::kHeld);
    for (size_t i = 0; i < count; ++i) {
      const size_t group = groups[i];
      const std::optional<size_t> before = names.Insert(group, objects.names[i], i);
      if (!before) continue;
      const std::string parent =
          group == 0 ? std::string("the top level")
                     : "'" +
                           (group <= count ? objects.names[group - 1]
                                           : ModelOf(held[group - count - 1].place).name) +
                           "'";
      throw InputError(
          adding + "names: " + object(i) + parent +
          (*before == SiblingNames::kHeld
               ? " already holds an object of that name"
               : " would hold it twice: object " + std::to_string(*before) + " has that name too") +
          kNamesOfTheirOwn);
    }
  }
  RequireNoPresses(adding);

  Unbuild();
  // Room for every new object first, shallow parents before deep ones, so that no list
  // moves while objects are put into it.
  std::vector<size_t> children(count + 1 + held.size(), 0);
  for (const size_t group : groups) ++children[group];
  Reserve(scene_.objects, children[0]);
  std::vector<size_t> heldByDepth(held.size());
  for (size_t h = 0; h < held.size(); ++h) heldByDepth[h] = h;
  std::sort(heldByDepth.begin(), heldByDepth.end(),
            [&](size_t a, size_t b) { return held[a].place.size() < held[b].place.size(); });
  for (const size_t h : heldByDepth) Reserve(childrenOf(count + 1 + h), children[count + 1 + h]);
  std::vector<std::vector<SceneObject>*> lists(children.size(), nullptr);
  lists[0] = &scene_.objects;
  for (size_t h = 0; h < held.size(); ++h) lists[count + 1 + h] = &childrenOf(count + 1 + h);

  std::vector<TreePlace> places(count);
  for (size_t i = 0; i < count; ++i) {
    const size_t group = groups[i];
    std::vector<SceneObject>& list = *lists[group];
    TreePlace& place = places[i];
    if (group != 0) place = group <= count ? places[group - 1] : held[group - count - 1].place;
    place.push_back(list.size());
    list.push_back(ModelObject(std::move(objects.names[i]),
                               objects.locals.empty() ? nullptr : &objects.locals[i],
                               objects.boxCentres.empty() ? nullptr : &objects.boxCentres[i],
                               objects.halfSizes.empty() ? point : objects.halfSizes[i],
                               !objects.selected.empty() && objects.selected[i] != 0));
    if (children[1 + i] != 0) {
      list.back().children.reserve(children[1 + i]);
      lists[1 + i] = &list.back().children;
    }
  }
  // Looked up again from the model by the next Add.
  siblingNames_.erase(TreePlace{});
  for (const HeldParent& parent : held) siblingNames_.erase(parent.place);
  return places;
}

HostMatrix Document::ModelWorld(const TreePlace& place) {
  HostMatrix world = kestrum::IdentityMatrix();
  std::vector<SceneObject>* siblings = &scene_.objects;
  for (const size_t i : place) {
    const SceneObject& object = (*siblings)[i];
    const Vector3& d = object.rotationDegrees;
    const HostMatrix local =
        object.localMatrix
            ? kcommand::ToHost(*object.localMatrix)
            : kestrum::ComposeTransform(
                  kcommand::ToHost(object.position),
                  {d[0] * kRadiansPerDegree, d[1] * kRadiansPerDegree, d[2] * kRadiansPerDegree},
                  kcommand::ToHost(object.scale));
    world = kestrum::Multiply(world, local);
    siblings = &(*siblings)[i].children;
  }
  return world;
}

std::vector<TreePlace> Document::Objects() {
  Session();
  std::vector<TreePlace> places(parentOf_.size());
  for (size_t i = 0; i < places.size(); ++i) {
    if (parentOf_[i] != kTopLevel) places[i] = places[parentOf_[i]];
    places[i].push_back(siblingNumber_[i]);
  }
  return places;
}

TreePlace Document::Find(const std::string& name) {
  try {
    return PlaceOf(kcommand::ResolveObject(Session().objects().Entries(), name));
  } catch (const InputError& error) {
    throw InputError(name_ + ": " + error.what());
  }
}

const SceneObject& Document::Model(const TreePlace& place) { return ModelOf(place); }

SceneObject& Document::ModelOf(const TreePlace& place) {
  std::vector<SceneObject>* siblings = &scene_.objects;
  SceneObject* object = nullptr;
  for (size_t i : place) {
    if (i >= siblings->size()) throw InputError(name_ + ": the object is not in this document");
    object = &(*siblings)[i];
    siblings = &object->children;
  }
  if (object == nullptr) throw InputError(name_ + ": the object is not in this document");
  return *object;
}

std::string Document::Path(const TreePlace& place) {
  return Session().objects().Entries()[IndexOf(place)].path;
}

HostMatrix Document::World(const TreePlace& place) {
  return WorldOf(IndexOf(place), ModelOf(place));
}

std::vector<HostMatrix> Document::Worlds(const std::vector<const TreePlace*>& places) {
  Session();
  std::vector<HostMatrix> worlds;
  worlds.reserve(places.size());
  for (const TreePlace* place : places) worlds.push_back(World(*place));
  return worlds;
}

// From the model rather than the session's listing, which would make every path.
HostMatrix Document::WorldOf(size_t index, const SceneObject& model) {
  kcommand::SceneInHost& objects = Session().objects();
  return Unshown(session_->host().scene().WorldMatrix(objects.Object(index)),
                 objects.ShownCentre(model));
}

HostMatrix Document::Local(const TreePlace& place) {
  const HostMatrix world = World(place);
  if (place.size() == 1) return world;
  HostMatrix parentInverse;
  const TreePlace parent(place.begin(), place.end() - 1);
  if (!kestrum::Invert(World(parent), &parentInverse))
    throw HostFailure(name_ + ": '" + Path(parent) +
                      "' has a world matrix that cannot be inverted");
  return kestrum::Multiply(parentInverse, world);
}

HostVector Document::HalfSizes(const TreePlace& place) {
  return Session().host().scene().HalfSizes(HostOf(place));
}

bool Document::Selected(const TreePlace& place) {
  return Session().host().scene().Selected(HostOf(place));
}

void Document::SetSelected(const TreePlace& place, bool selected) {
  Session().host().scene().SetSelected(HostOf(place), selected);
}

kcommand::ToolPanel& Document::Panel() {
  Session();
  if (!panel_) panel_ = std::make_unique<kcommand::ToolPanel>(*session_);
  return *panel_;
}

ControlValue Document::Control(int32_t id) {
  kcommand::ToolPanel& panel = Panel();
  Settings();
  const kcommand::PanelValue value = panel.Value(id);
  if (const auto* linked = std::get_if<kcommand::LinkedObject>(&value))
    return PlaceOf(linked->index);
  if (const int32_t* choice = std::get_if<int32_t>(&value)) return *choice;
  if (const bool* flag = std::get_if<bool>(&value)) return *flag;
  return std::monostate{};
}

void Document::SetControl(int32_t id, const ControlValue& value) {
  kcommand::ToolPanel& panel = Panel();
  Settings();
  kcommand::PanelValue set;
  if (const TreePlace* place = std::get_if<TreePlace>(&value))
    set = kcommand::LinkedObject{IndexOf(*place)};
  else if (const int32_t* choice = std::get_if<int32_t>(&value))
    set = *choice;
  else if (const bool* flag = std::get_if<bool>(&value))
    set = *flag;
  panel.Set(id, set);
}

std::optional<kcommand::AxisChoice> Document::Axis(int axis) {
  Settings();
  return session_->ReadAxis(axis);
}

void Document::SetAxis(int axis, const kcommand::AxisChoice& choice) {
  Settings();
  session_->WriteAxis(axis, choice);
}

int32_t Document::Button(const std::string& label) {
  try {
    return Panel().Button(label).id;
  } catch (const InputError& error) {
    throw InputError(std::string("press: ") + error.what());
  }
}

void Document::SetDefaultPlacement(const kcommand::Placement& placement) {
  kcommand::RequireGapInBoxFrame(placement, name_);
  placement_ = placement;
}

PressOutcome Document::Press(int32_t buttonId, bool checkUndo,
                             const kcommand::Placement& placement) {
  const khost::DescriptionElement& button = Panel().Control(buttonId);
  if (button.kind != khost::ElementKind::kButton)
    throw InputError("press: control " + std::to_string(buttonId) + " (" + button.label +
                     ") is not a button");
  Settings();  // documents share one plug-in: this one's settings go into its container first
  int32_t answer = 0;
  session_->SetPlacement(placement);
  return Observed([&] { answer = session_->PressButton(buttonId); },
                  session_->WhyNothingWillMove(buttonId), checkUndo, answer);
}

PressOutcome Document::Observed(const std::function<void()>& press, const std::string& whyIdle,
                                bool checkUndo, const int32_t& answer) {
  kcommand::PressResult result = Session().Observe(press, checkUndo, whyIdle);
  PressOutcome outcome;
  outcome.answer = answer;
  outcome.moved.reserve(result.moved.size());
  for (const size_t index : result.moved) outcome.moved.push_back(PlaceOf(index));
  outcome.opened = std::move(result.opened);
  outcome.messages = std::move(result.messages);
  outcome.summary = std::move(result.summary);
  return outcome;
}

size_t Document::LinkedReference() {
  const ControlValue linked = Control(ALIGN_REFERENCE);
  if (!std::holds_alternative<TreePlace>(linked))
    throw InputError(name_ + ": no reference is linked: set settings[\"reference\"] first");
  return IndexOf(std::get<TreePlace>(linked));
}

std::array<kcommand::AxisChoice, 3> Document::SettingsAxes() {
  std::array<kcommand::AxisChoice, 3> axes{};
  for (int axis = 0; axis < 3; ++axis)
    axes[static_cast<size_t>(axis)] = Axis(axis).value_or(kcommand::AxisChoice{});
  return axes;
}

PressOutcome Document::Stack(const std::vector<TreePlace>& objects, bool checkUndo,
                             const kcommand::Placement& placement) {
  const size_t reference = LinkedReference();
  std::vector<size_t> indices;
  for (const TreePlace& place : objects) indices.push_back(IndexOf(place));
  const std::array<kcommand::AxisChoice, 3> axes = SettingsAxes();
  const int32_t answer = 1;
  return Observed([&] { session_->Stack(reference, indices, axes, placement); }, WhyIdle(axes),
                  checkUndo, answer);
}

PressOutcome Document::PressAsGroup(const std::optional<std::vector<TreePlace>>& members,
                                    bool checkUndo, const kcommand::Placement& placement) {
  const size_t reference = LinkedReference();
  std::vector<size_t> indices;
  if (members)
    for (const TreePlace& place : *members) indices.push_back(IndexOf(place));
  else
    indices = session_->Selection();
  const std::array<kcommand::AxisChoice, 3> axes = SettingsAxes();
  int32_t answer = 0;
  std::string whyIdle =
      indices.empty() ? "no object is selected, so there is no group to move" : WhyIdle(axes);
  return Observed(
      [&] {
        answer = session_->PressAsGroup(reference, indices, axes, placement) !=
                 kcommand::GroupPress::kNoMembers;
      },
      whyIdle, checkUndo, answer);
}

PressOutcome Document::PressAgainstSelection(bool checkUndo, const kcommand::Placement& placement) {
  Settings();
  const std::array<kcommand::AxisChoice, 3> axes = SettingsAxes();
  const int32_t answer = 1;
  return Observed(
      [&] {
        session_->Press({kcommand::kSelectionBox, std::nullopt, axes, placement});
      },
      WhyIdle(axes), checkUndo, answer);
}

PressOutcome Document::Distribute(int axis, const std::optional<std::vector<TreePlace>>& objects,
                                  std::optional<double> gap, bool checkUndo) {
  Settings();
  std::vector<size_t> indices;
  if (objects)
    for (const TreePlace& place : *objects) indices.push_back(IndexOf(place));
  else
    indices = session_->Selection();
  const std::string whyIdle =
      indices.size() < 3
          ? "nothing to space: even spacing needs three objects or more, and " +
                std::to_string(indices.size()) + (indices.size() == 1 ? " is given" : " are given")
          : "";
  int32_t answer = 0;
  return Observed([&] { answer = !session_->Distribute(indices, axis, gap).order.empty(); },
                  whyIdle, checkUndo, answer);
}

std::string Document::WhyIdle(const std::array<kcommand::AxisChoice, 3>& axes) {
  const auto none = [](const kcommand::AxisChoice& axis) {
    return axis.mode == kcommand::AxisMode::kNone;
  };
  return std::all_of(axes.begin(), axes.end(), none) ? "no axis is chosen" : "";
}

bool Document::Undo() { return Session().Undo(); }
bool Document::Redo() { return Session().Redo(); }

size_t Document::UndoSteps() {
  return Session().host().scene().UndoSteps(session_->objects().Document());
}

size_t Document::RedoSteps() {
  return Session().host().scene().RedoSteps(session_->objects().Document());
}

void Document::Save(const std::string& path) {
  kcommand::SceneInHost& objects = Session().objects();
  session_->RequireFinitePlacements();
  objects.ReadBack();
  if (file_) {
    kcommand::CheckOutputFormat(*file_, path);
    kcommand::WriteFileAtomically(path, file_->Serialise(path));
    return;
  }
  const std::optional<kcommand::SceneFormat> format = kcommand::FormatFromExtension(path);
  if (!format)
    throw InputError(path + ": name the file .json, .gltf or .glb: its extension picks the format");
  kcommand::WriteFileAtomically(path, kcommand::SerialiseNewScene(scene_, *format, path));
}

}  // namespace kpython

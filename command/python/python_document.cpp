#include "python_document.h"

#include <algorithm>
#include <cctype>

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

std::string Lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The object's own frame from the frame the host was shown (at its box centre).
HostMatrix Unshown(const HostMatrix& shown, const kcommand::Vector3* centre) {
  if (centre == nullptr) return shown;
  HostMatrix back = khost::IdentityMatrix();
  back.offset = {-(*centre)[0], -(*centre)[1], -(*centre)[2]};
  return khost::Multiply(shown, back);
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
  kcommand::PluginRun& run = plugin_->Run();
  if (session_) return *session_;
  session_ = std::make_unique<kcommand::AlignmentSession>(run, scene_, name_);
  // Saved after any number of presses and undos, as the view saves.
  session_->objects().KeepValuesAsRead();
  places_.clear();
  placeIndex_.clear();
  places_.reserve(session_->objects().Count());
  std::vector<size_t> children;  // per index: children placed so far
  size_t topLevel = 0;
  kcommand::WalkObjects(scene_, [&](SceneObject&, size_t index, std::optional<size_t> parent) {
    TreePlace place = parent ? places_[*parent] : TreePlace{};
    place.push_back(parent ? children[*parent]++ : topLevel++);
    placeIndex_.emplace(place, index);
    places_.push_back(std::move(place));
    children.push_back(0);
  });
  return *session_;
}

HostContainer* Document::Settings() {
  HostDocument* document = Session().objects().Document();
  return plugin_->SettingsFor(
      this, document, [this] { KeepSettings(); },
      [this](HostContainer* settings) { RestoreSettings(settings); });
}

void Document::KeepSettings() {
  khost::Host& host = session_->host();
  HostContainer* settings = session_->run().Settings(session_->objects().Document());
  KeptSettings kept;
  for (const auto& [id, entry] : host.containers().Entries(settings)) {
    KeptSetting setting{entry, std::nullopt};
    if (entry.kind == khost::Containers::Kind::kLink)
      for (size_t i = 0; i < session_->objects().Count() && !setting.linked; ++i)
        if (host.scene().IdOf(session_->objects().Object(i)) == entry.link)
          setting.linked = places_[i];
    kept.emplace(id, setting);
  }
  kept_ = std::move(kept);
}

void Document::RestoreSettings(HostContainer* settings) {
  khost::Host& host = session_->host();
  khost::Containers& containers = host.containers();
  for (const auto& entry : containers.Entries(settings)) containers.Remove(settings, entry.first);
  if (!kept_) {
    session_->run().session().WriteDefaultSettings(session_->objects().Document(), settings);
    kept_.emplace();
    WriteFileSettings();
    return;
  }
  for (const auto& [id, setting] : *kept_) {
    switch (setting.entry.kind) {
      case khost::Containers::Kind::kInt:
        containers.SetInt(settings, id, setting.entry.integer);
        break;
      case khost::Containers::Kind::kBool:
        containers.SetBool(settings, id, setting.entry.truth);
        break;
      case khost::Containers::Kind::kLink:
        if (setting.linked) session_->LinkObject(id, IndexOf(*setting.linked));
        break;
    }
  }
}

// The tool settings a scene file carries, as the view takes them.
void Document::WriteFileSettings() {
  const kcommand::ToolSettings& tool = scene_.tool;
  const std::pair<const std::optional<std::string>*, int32_t> links[] = {
      {&tool.reference, ALIGN_REFERENCE}, {&tool.object, ALIGN_OBJECT}};
  for (const auto& [name, id] : links)
    if (*name) session_->LinkObject(id, IndexOf(Find(**name)));
  for (int axis = 0; axis < 3; ++axis)
    if (const std::optional<kcommand::AxisChoice>& choice = tool.axes[static_cast<size_t>(axis)])
      session_->WriteAxis(axis, *choice);
}

size_t Document::IndexOf(const TreePlace& place) {
  Session();
  const auto found = placeIndex_.find(place);
  if (found == placeIndex_.end())
    throw InputError(name_ + ": the object is no longer in this document");
  return found->second;
}

TreePlace Document::PlaceOf(size_t index) {
  Session();
  return places_[index];
}

TreePlace Document::Add(const NewObject& object) {
  if (object.name.empty()) throw InputError(name_ + ": add: an object needs a name");
  std::vector<SceneObject>* siblings = &scene_.objects;
  size_t depth = 1;
  if (object.parent) {
    siblings = &ModelOf(*object.parent).children;
    depth += object.parent->size();
  }
  if (depth > kcommand::kMaxObjectNesting)
    throw InputError(name_ + ": add: '" + object.name + "' would lie " + std::to_string(depth) +
                     " objects deep, more than the " + std::to_string(kcommand::kMaxObjectNesting) +
                     " a scene may nest");
  if (session_) {
    if (const size_t steps = UndoSteps(); steps > 0)
      throw InputError(name_ + ": add: '" + object.name +
                       "': objects are added before the presses that move anything, and this "
                       "document holds " +
                       std::to_string(steps) + " undo steps");
    // The host document is built again on next use, with the settings as they are.
    session_->objects().ReadBack();
    if (plugin_->Holds(this)) KeepSettings();
    plugin_->Release(this);
    session_.reset();
  }
  SceneObject added;
  added.name = object.name;
  if (object.local) {
    const HostMatrix& m = *object.local;
    added.localMatrix = kcommand::LocalMatrix{kcommand::Vector3{m.offset.x, m.offset.y, m.offset.z},
                                              kcommand::Vector3{m.axisX.x, m.axisX.y, m.axisX.z},
                                              kcommand::Vector3{m.axisY.x, m.axisY.y, m.axisY.z},
                                              kcommand::Vector3{m.axisZ.x, m.axisZ.y, m.axisZ.z}};
  }
  if (object.boxCentre) added.boxCentre = *object.boxCentre;
  added.halfSize = object.halfSizes;
  added.selected = object.selected;
  TreePlace place = object.parent.value_or(TreePlace{});
  place.push_back(siblings->size());
  siblings->push_back(std::move(added));
  return place;
}

std::vector<TreePlace> Document::Objects() {
  Session();
  return places_;
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
  kcommand::SceneInHost& objects = Session().objects();
  const size_t index = IndexOf(place);
  return Unshown(session_->host().scene().WorldMatrix(objects.Object(index)),
                 objects.ShownCentre(*objects.Entries()[index].object));
}

HostMatrix Document::Local(const TreePlace& place) {
  const HostMatrix world = World(place);
  if (place.size() == 1) return world;
  HostMatrix parentInverse;
  const TreePlace parent(place.begin(), place.end() - 1);
  if (!khost::Invert(World(parent), &parentInverse))
    throw HostFailure(name_ + ": '" + Path(parent) +
                      "' has a world matrix that cannot be inverted");
  return khost::Multiply(parentInverse, world);
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

const khost::DescriptionLayout& Document::Panel() {
  const khost::DescriptionLayout* layout = Session().Panel();
  if (layout == nullptr)
    throw HostFailure("the tool from " + plugin_->Folder() + " registered no panel");
  return *layout;
}

ControlValue Document::Control(int32_t id) {
  const khost::DescriptionElement* element = Panel().Element(id);
  if (element == nullptr) throw InputError("the panel has no control " + std::to_string(id));
  HostContainer* settings = Settings();
  khost::Host& host = session_->host();
  khost::Containers& containers = host.containers();
  switch (element->kind) {
    case khost::ElementKind::kLink: {
      HostObject* linked = containers.GetObjectLink(settings, id, session_->objects().Document(),
                                                    element->acceptsKind);
      for (size_t i = 0; linked && i < session_->objects().Count(); ++i)
        if (session_->objects().Object(i) == linked) return places_[i];
      return std::monostate{};
    }
    case khost::ElementKind::kChoice:
      return containers.GetInt(settings, id, element->defaultValue);
    case khost::ElementKind::kFlag: {
      const std::optional<khost::Containers::Entry> stored = containers.Get(settings, id);
      return stored && stored->kind == khost::Containers::Kind::kBool ? stored->truth
                                                                      : element->defaultValue != 0;
    }
    case khost::ElementKind::kButton:
      break;
  }
  throw InputError("control " + std::to_string(id) + " is a button: press it instead");
}

void Document::SetControl(int32_t id, const ControlValue& value) {
  const khost::DescriptionElement* element = Panel().Element(id);
  if (element == nullptr) throw InputError("the panel has no control " + std::to_string(id));
  HostContainer* settings = Settings();
  khost::Containers& containers = session_->host().containers();
  const std::string control = "control " + std::to_string(id) + " (" + element->label + ")";
  switch (element->kind) {
    case khost::ElementKind::kLink:
      if (std::holds_alternative<std::monostate>(value)) {
        containers.Remove(settings, id);
      } else if (const TreePlace* place = std::get_if<TreePlace>(&value)) {
        session_->LinkObject(id, IndexOf(*place));
      } else {
        throw InputError(control + " takes an object of this document or None");
      }
      return;
    case khost::ElementKind::kChoice: {
      const int32_t* chosen = std::get_if<int32_t>(&value);
      const auto known = [&](const khost::ChoiceValue& choice) { return choice.id == *chosen; };
      if (chosen == nullptr ||
          std::none_of(element->values.begin(), element->values.end(), known)) {
        std::string ids;
        for (const khost::ChoiceValue& choice : element->values)
          ids += (ids.empty() ? "" : ", ") + std::to_string(choice.id);
        throw InputError(control + " takes one of its value ids: " + ids);
      }
      containers.SetInt(settings, id, *chosen);
      return;
    }
    case khost::ElementKind::kFlag:
      if (const bool* truth = std::get_if<bool>(&value)) {
        containers.SetBool(settings, id, *truth);
        return;
      }
      throw InputError(control + " takes True or False");
    case khost::ElementKind::kButton:
      break;
  }
  throw InputError(control + " is a button: press it instead");
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
  std::string buttons;
  for (const khost::DescriptionGroup& group : Panel().groups)
    for (const khost::DescriptionElement& element : group.elements) {
      if (element.kind != khost::ElementKind::kButton) continue;
      if (Lowered(element.label) == Lowered(label)) return element.id;
      buttons += (buttons.empty() ? "'" : ", '") + Lowered(element.label) + "'";
    }
  throw InputError("press: the panel has no button '" + label + "' (its buttons: " + buttons + ")");
}

PressOutcome Document::Press(int32_t buttonId, bool checkUndo) {
  const khost::DescriptionElement* element = Panel().Element(buttonId);
  if (element == nullptr || element->kind != khost::ElementKind::kButton)
    throw InputError("press: the panel has no button " + std::to_string(buttonId));
  Settings();  // documents share one plug-in: this one's settings go into its container first
  return Observed(
      [&] {
        const int32_t answer = session_->PressButton(buttonId);
        if (answer == 0)
          throw HostFailure(name_ + ": the tool did not carry out '" + element->label + "'");
        return answer;
      },
      checkUndo);
}

PressOutcome Document::Observed(const std::function<int32_t()>& press, bool checkUndo) {
  kcommand::SceneInHost& objects = Session().objects();
  khost::Host& host = session_->host();
  const std::vector<uint64_t> before = objects.PlacementFingerprints();
  std::vector<kcommand::HostPlacement> placedBefore;
  if (checkUndo) placedBefore = objects.Placements();
  const size_t stepsBefore = UndoSteps();
  const size_t opened = host.ui().OpenedFiles().size();
  const size_t shown = host.ui().Messages().size();

  PressOutcome outcome;
  outcome.answer = press();
  if (const std::vector<size_t> lost = objects.WithoutFinitePlacement(); !lost.empty())
    throw HostFailure(name_ + ": values too large to place: " + session_->NamesOf(lost) +
                      " ended up with a placement that is not finite (infinite or NaN)");
  const std::vector<uint64_t> after = objects.PlacementFingerprints();
  for (size_t i = 0; i < after.size(); ++i)
    if (after[i] != before[i]) outcome.moved.push_back(places_[i]);
  // A press that moved nothing owes no undo step.
  if (checkUndo && !outcome.moved.empty())
    session_->CheckOneUndoStep(stepsBefore, placedBefore, objects.Placements());
  const std::vector<std::string>& files = host.ui().OpenedFiles();
  outcome.opened.assign(files.begin() + static_cast<std::ptrdiff_t>(opened), files.end());
  const auto& messages = host.ui().Messages();
  for (size_t i = shown; i < messages.size(); ++i) outcome.messages.push_back(messages[i].text);
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

PressOutcome Document::Stack(const std::vector<TreePlace>& objects, bool checkUndo) {
  const size_t reference = LinkedReference();
  std::vector<size_t> indices;
  for (const TreePlace& place : objects) indices.push_back(IndexOf(place));
  const std::array<kcommand::AxisChoice, 3> axes = SettingsAxes();
  return Observed(
      [&] {
        session_->Stack(reference, indices, axes);
        return int32_t{1};
      },
      checkUndo);
}

PressOutcome Document::PressAsGroup(const std::optional<std::vector<TreePlace>>& members,
                                    bool checkUndo) {
  const size_t reference = LinkedReference();
  std::vector<size_t> indices;
  if (members)
    for (const TreePlace& place : *members) indices.push_back(IndexOf(place));
  else
    indices = session_->Selection();
  const std::array<kcommand::AxisChoice, 3> axes = SettingsAxes();
  return Observed(
      [&] {
        return int32_t{session_->PressAsGroup(reference, indices, axes) !=
                       kcommand::GroupPress::kNoMembers};
      },
      checkUndo);
}

PressOutcome Document::PressAgainstSelection(bool checkUndo) {
  Settings();
  const std::array<kcommand::AxisChoice, 3> axes = SettingsAxes();
  return Observed(
      [&] {
        session_->Press({kcommand::kSelectionBox, std::nullopt, axes});
        return int32_t{1};
      },
      checkUndo);
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
  if (const std::vector<size_t> lost = objects.WithoutFinitePlacement(); !lost.empty())
    throw InputError(path + ": values too large to place: " + session_->NamesOf(lost) +
                     " have a placement that is not finite, which no scene file can hold");
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

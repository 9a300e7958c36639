#include "view_state.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "description_layout.h"
#include "input_error.h"
#include "kestrum_settings.h"
#include "output_files.h"

namespace kcommand {
namespace {

using nlohmann::json;

json VectorJson(const HostVector& v) { return {v.x, v.y, v.z}; }
json VectorJson(const Vector3& v) { return {v[0], v[1], v[2]}; }

void Append(std::vector<double>& to, const HostVector& v) { to.insert(to.end(), {v.x, v.y, v.z}); }
void Append(std::vector<double>& to, const Vector3& v) { to.insert(to.end(), v.begin(), v.end()); }
void Append(std::vector<double>& to, const HostMatrix& m) {
  for (const HostVector* v : {&m.offset, &m.axisX, &m.axisY, &m.axisZ}) Append(to, *v);
}

// What the page draws an object from, one array per quantity, object after object: the
// first load holds every object, an answer the ones that moved.
struct PlacementArrays {
  std::vector<double> world, halfSize, position, rotation;

  void Add(const HostPlacement& placement, const SceneObject& object) {
    Append(world, placement.world);
    Append(halfSize, placement.halfSizes);
    Append(position, object.position);
    Append(rotation, object.rotationDegrees);
  }
};

const khost::DescriptionElement& Control(const khost::DescriptionLayout& layout,
                                         const json& request) {
  const json* id =
      request.is_object() && request.contains("control") ? &request["control"] : nullptr;
  if (id == nullptr || !id->is_number_integer())
    throw ViewRequestError("the request has no \"control\" id");
  const khost::DescriptionElement* element = nullptr;
  if (id->get<int64_t>() >= INT32_MIN && id->get<int64_t>() <= INT32_MAX)
    element = layout.Element(static_cast<int32_t>(id->get<int64_t>()));
  if (element == nullptr) throw ViewRequestError("the panel has no control " + id->dump());
  return *element;
}

// The request's member `name` when it is true or false; `fallback` when it is missing.
bool Flag(const json& request, const char* name, bool fallback) {
  if (!request.contains(name)) return fallback;
  if (!request[name].is_boolean())
    throw ViewRequestError(std::string("\"") + name + "\" is not true or false");
  return request[name].get<bool>();
}

}  // namespace

ViewState::ViewState(const std::string& pluginFolder, SceneModel scene, std::string sceneFile,
                     std::optional<std::string> output, SceneTextWriter writer)
    : scene_(std::move(scene)),
      sceneFile_(std::move(sceneFile)),
      output_(std::move(output)),
      writer_(std::move(writer)) {
  session_ = std::make_unique<AlignmentSession>(pluginFolder, scene_, sceneFile_, nullptr);
  // State() reads back after every press and undo.
  session_->objects().KeepValuesAsRead();
  khost::Host& host = session_->host();
  // The page cannot open a file of ours: it gets the content the tool asked to show.
  host.ui().SetFileOpener([this](const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    openedPages_.push_back(
        file ? content.str() : "<p>The tool asked to open " + path + ", which cannot be read.</p>");
  });
  settings_ = session_->Settings();
  WriteToolSettings();
  for (size_t i = 0; i < session_->objects().Count(); ++i)
    indexOfId_.emplace(host.scene().IdOf(session_->objects().Object(i)), i);
  Sent(session_->objects().PlacementFingerprints());
}

ViewState::~ViewState() { Finish(); }

void ViewState::WriteToolSettings() {
  const std::vector<ObjectEntry>& entries = session_->objects().Entries();
  const ToolSettings& tool = scene_.tool;
  const std::pair<const std::optional<std::string>*, int32_t> links[] = {
      {&tool.reference, ALIGN_REFERENCE}, {&tool.object, ALIGN_OBJECT}};
  for (const auto& [name, id] : links)
    if (*name) session_->LinkObject(id, ResolveObject(entries, **name));
  for (int axis = 0; axis < 3; ++axis)
    if (const std::optional<AxisChoice>& choice = tool.axes[static_cast<size_t>(axis)])
      session_->WriteAxis(axis, *choice);
}

const khost::DescriptionLayout& ViewState::Panel() const {
  const khost::DescriptionLayout* layout = session_->Panel();
  if (layout == nullptr) throw ViewRequestError("the tool registered no panel");
  return *layout;
}

size_t ViewState::ObjectIndex(const json& id) const {
  if (id.is_number_unsigned())
    if (const auto found = indexOfId_.find(id.get<uint64_t>()); found != indexOfId_.end())
      return found->second;
  throw ViewRequestError("the scene has no object " + id.dump());
}

void ViewState::SetObjectMeshes(std::vector<std::optional<size_t>> meshOfObject) {
  meshOfObject_ = std::move(meshOfObject);
}

json ViewState::State() {
  SceneInHost& objects = session_->objects();
  khost::Host& host = session_->host();
  // The same read-back a save writes, so the page reports what the file would hold.
  objects.ReadBack();
  const std::vector<HostPlacement> placements = objects.Placements();
  json list = json::array();
  for (size_t i = 0; i < objects.Count(); ++i) {
    const ObjectEntry& entry = objects.Entries()[i];
    const HostMatrix& world = placements[i].world;
    const Vector3* shownCentre = objects.ShownCentre(*entry.object);
    json parent = nullptr;
    if (entry.parent) parent = host.scene().IdOf(objects.Object(*entry.parent));
    json mesh = nullptr;
    if (i < meshOfObject_.size() && meshOfObject_[i]) mesh = *meshOfObject_[i];
    list.push_back({{"id", host.scene().IdOf(objects.Object(i))},
                    {"name", entry.object->name},
                    {"path", entry.path},
                    {"parent", parent},
                    {"position", VectorJson(entry.object->position)},
                    {"rotation", VectorJson(entry.object->rotationDegrees)},
                    {"scale", VectorJson(entry.object->scale)},
                    {"halfSize", VectorJson(placements[i].halfSizes)},
                    {"boxCenter", VectorJson(shownCentre ? *shownCentre : Vector3{0, 0, 0})},
                    {"world",
                     {{"offset", VectorJson(world.offset)},
                      {"axisX", VectorJson(world.axisX)},
                      {"axisY", VectorJson(world.axisY)},
                      {"axisZ", VectorJson(world.axisZ)}}},
                    {"selected", entry.object->selected},
                    {"mesh", std::move(mesh)}});
  }
  json state = Summary();
  state["objects"] = std::move(list);
  return state;
}

json ViewState::Summary() {
  SceneInHost& objects = session_->objects();
  khost::Host& host = session_->host();
  const khost::UserInterface& ui = host.ui();
  json messages = json::array();
  for (const khost::UserInterface::Message& message : ui.Messages())
    messages.push_back({{"text", message.text}, {"kind", message.kind}});
  HostDocument* document = objects.Document();
  const khost::RegisteredTool& tool = session_->Tool();
  return {{"file", sceneFile_},
          {"output", output_ ? json(*output_) : json(nullptr)},
          {"tool", {{"name", tool.name}, {"help", tool.help}}},
          {"panel", PanelState()},
          {"undoSteps", host.scene().UndoSteps(document)},
          {"redoSteps", host.scene().RedoSteps(document)},
          {"console", ui.ConsoleLines()},
          {"messages", std::move(messages)},
          {"openedPages", openedPages_.size()},
          {"lastPress", lastPress_}};
}

ViewFrame ViewState::Scene() {
  SceneInHost& objects = session_->objects();
  khost::Scene& scene = session_->host().scene();
  objects.ReadBack();
  const std::vector<HostPlacement> placements = objects.Placements();
  json ids = json::array(), names = json::array(), paths = json::array(), parents = json::array(),
       meshes = json::array(), selected = json::array();
  PlacementArrays arrays;
  std::vector<double> boxCenter;
  for (size_t i = 0; i < objects.Count(); ++i) {
    const ObjectEntry& entry = objects.Entries()[i];
    ids.push_back(scene.IdOf(objects.Object(i)));
    names.push_back(entry.object->name);
    paths.push_back(entry.path);
    parents.push_back(entry.parent ? static_cast<int64_t>(*entry.parent) : -1);
    meshes.push_back(i < meshOfObject_.size() && meshOfObject_[i]
                         ? static_cast<int64_t>(*meshOfObject_[i])
                         : -1);
    if (entry.object->selected) selected.push_back(i);
    arrays.Add(placements[i], *entry.object);
    const Vector3* shownCentre = objects.ShownCentre(*entry.object);
    Append(boxCenter, shownCentre ? *shownCentre : Vector3{0, 0, 0});
  }
  ViewFrame frame{Summary(), {}};
  frame.head["objects"] = {{"ids", std::move(ids)},       {"names", std::move(names)},
                           {"paths", std::move(paths)},   {"parents", std::move(parents)},
                           {"meshes", std::move(meshes)}, {"selected", std::move(selected)}};
  frame.arrays = {{"world", std::move(arrays.world)},
                  {"halfSize", std::move(arrays.halfSize)},
                  {"boxCenter", std::move(boxCenter)},
                  {"position", std::move(arrays.position)},
                  {"rotation", std::move(arrays.rotation)}};
  Sent(objects.PlacementFingerprints());
  return frame;
}

ViewFrame ViewState::Changes() {
  SceneInHost& objects = session_->objects();
  objects.ReadBack();
  std::vector<uint64_t> placements = objects.PlacementFingerprints();
  json moved = json::array(), selected = json::array(), deselected = json::array();
  for (size_t i = 0; i < objects.Count(); ++i) {
    if (placements[i] != sentPlacements_[i]) moved.push_back(i);
    const bool isSelected = objects.Entries()[i].object->selected;
    if (isSelected != sentSelection_[i]) (isSelected ? selected : deselected).push_back(i);
  }
  PlacementArrays arrays;
  for (const json& index : moved) {
    const size_t i = index.get<size_t>();
    arrays.Add(objects.Placement(i), *objects.Entries()[i].object);
  }
  ViewFrame frame{Summary(), {}};
  frame.head["moved"] = std::move(moved);
  frame.head["selected"] = std::move(selected);
  frame.head["deselected"] = std::move(deselected);
  frame.arrays = {{"world", std::move(arrays.world)},
                  {"halfSize", std::move(arrays.halfSize)},
                  {"position", std::move(arrays.position)},
                  {"rotation", std::move(arrays.rotation)}};
  Sent(std::move(placements));
  return frame;
}

void ViewState::Sent(std::vector<uint64_t> placements) {
  SceneInHost& objects = session_->objects();
  sentPlacements_ = std::move(placements);
  sentSelection_.assign(objects.Count(), false);
  for (size_t i = 0; i < objects.Count(); ++i)
    sentSelection_[i] = objects.Entries()[i].object->selected;
}

json ViewState::PanelState() {
  khost::Host& host = session_->host();
  const khost::DescriptionLayout* layout = session_->Panel();
  if (layout == nullptr) return nullptr;
  khost::Containers& containers = host.containers();
  json groups = json::array();
  for (const khost::DescriptionGroup& group : layout->groups) {
    json elements = json::array();
    for (const khost::DescriptionElement& element : group.elements) {
      json control = {{"id", element.id},
                      {"name", element.name},
                      {"kind", khost::ElementKindName(element.kind)},
                      {"label", element.label},
                      {"enabled", session_->IsControlEnabled(element.id)}};
      const std::optional<khost::Containers::Entry> stored = containers.Get(settings_, element.id);
      switch (element.kind) {
        case khost::ElementKind::kLink: {
          HostObject* linked = containers.GetObjectLink(
              settings_, element.id, session_->objects().Document(), element.acceptsKind);
          control["value"] = linked ? json(host.scene().IdOf(linked)) : json(nullptr);
          break;
        }
        case khost::ElementKind::kChoice: {
          control["value"] = containers.GetInt(settings_, element.id, element.defaultValue);
          json values = json::array();
          for (const khost::ChoiceValue& value : element.values)
            values.push_back({{"id", value.id}, {"name", value.name}, {"label", value.label}});
          control["values"] = std::move(values);
          break;
        }
        case khost::ElementKind::kFlag:
          control["value"] = stored && stored->kind == khost::Containers::Kind::kBool
                                 ? stored->truth
                                 : element.defaultValue != 0;
          break;
        case khost::ElementKind::kButton:
          break;
      }
      elements.push_back(std::move(control));
    }
    groups.push_back({{"label", group.label}, {"elements", std::move(elements)}});
  }
  return {{"name", layout->name}, {"groups", std::move(groups)}};
}

ViewFrame ViewState::Select(const json& request) {
  if (!request.is_object() || !request.contains("objects") || !request["objects"].is_array())
    throw ViewRequestError("the request has no \"objects\" list");
  const bool add = Flag(request, "add", false);
  std::vector<size_t> chosen;
  for (const json& id : request["objects"]) chosen.push_back(ObjectIndex(id));
  khost::Scene& scene = session_->host().scene();
  SceneInHost& objects = session_->objects();
  if (!add)
    for (size_t i = 0; i < objects.Count(); ++i) scene.SetSelected(objects.Object(i), false);
  for (size_t i : chosen) scene.SetSelected(objects.Object(i), true);
  return Changes();
}

ViewFrame ViewState::Set(const json& request) {
  khost::Host& host = session_->host();
  const khost::DescriptionElement& element = Control(Panel(), request);
  if (!request.contains("value")) throw ViewRequestError("the request has no \"value\"");
  const json& value = request["value"];
  khost::Containers& containers = host.containers();
  switch (element.kind) {
    case khost::ElementKind::kLink:
      if (value.is_null()) {
        containers.Remove(settings_, element.id);
      } else {
        session_->LinkObject(element.id, ObjectIndex(value));
      }
      break;
    case khost::ElementKind::kChoice: {
      const auto known = [&](const khost::ChoiceValue& choice) {
        return value.is_number_integer() && value.get<int64_t>() == choice.id;
      };
      if (std::find_if(element.values.begin(), element.values.end(), known) == element.values.end())
        throw ViewRequestError("control " + std::to_string(element.id) + " has no value " +
                               value.dump());
      containers.SetInt(settings_, element.id, value.get<int32_t>());
      break;
    }
    case khost::ElementKind::kFlag:
      if (!value.is_boolean())
        throw ViewRequestError("control " + std::to_string(element.id) + " takes true or false");
      containers.SetBool(settings_, element.id, value.get<bool>());
      break;
    case khost::ElementKind::kButton:
      throw ViewRequestError("control " + std::to_string(element.id) +
                             " is a button: press it instead");
  }
  return Changes();
}

ViewFrame ViewState::Press(const json& request) {
  const khost::DescriptionElement& element = Control(Panel(), request);
  if (element.kind != khost::ElementKind::kButton)
    throw ViewRequestError("control " + std::to_string(element.id) + " is not a button");
  const int32_t answer = session_->PressButton(element.id);
  lastPress_ = {{"control", element.id}, {"answer", answer}};
  return Changes();
}

ViewFrame ViewState::Stack(const json& request) {
  if (!request.is_object() || !request.contains("objects") || !request["objects"].is_array())
    throw ViewRequestError("the request has no \"objects\" list");
  std::vector<size_t> stack;
  for (const json& id : request["objects"]) stack.push_back(ObjectIndex(id));
  SceneInHost& objects = session_->objects();
  HostObject* linked = session_->host().containers().GetObjectLink(
      settings_, ALIGN_REFERENCE, objects.Document(), kObjectKindObject);
  if (!linked) throw ViewRequestError("no reference is linked: pick one in the panel first");
  const auto reference = indexOfId_.find(session_->host().scene().IdOf(linked));
  if (reference == indexOfId_.end())
    throw ViewRequestError("the linked reference is not an object of the scene");
  std::array<AxisChoice, 3> axes{};
  for (int axis = 0; axis < 3; ++axis)
    axes[static_cast<size_t>(axis)] = session_->ReadAxis(axis).value_or(AxisChoice{});
  try {
    session_->Stack(reference->second, stack, axes);
  } catch (const InputError& error) {
    throw ViewRequestError(error.what());
  }
  return Changes();
}

ViewFrame ViewState::Undo() {
  if (!session_->Undo()) throw ViewRequestError("there is nothing to undo");
  return Changes();
}

ViewFrame ViewState::Redo() {
  if (!session_->Redo()) throw ViewRequestError("there is nothing to redo");
  return Changes();
}

ViewFrame ViewState::Save(const json& request) {
  if (!request.is_object()) throw ViewRequestError("the request is not a JSON object");
  if (!output_ && !Flag(request, "confirm", false))
    throw ViewRequestError("saving writes over " + sceneFile_ +
                           ": send \"confirm\": true to do so");
  // The tool settings the file carries are the ones the panel holds now.
  khost::Containers& containers = session_->host().containers();
  SceneInHost& objects = session_->objects();
  ToolSettings& tool = scene_.tool;
  const auto linkedPath = [&](int32_t id) -> std::optional<std::string> {
    HostObject* linked =
        containers.GetObjectLink(settings_, id, objects.Document(), kObjectKindObject);
    for (size_t i = 0; linked && i < objects.Count(); ++i)
      if (objects.Object(i) == linked) return objects.Entries()[i].path;
    return std::nullopt;
  };
  tool.reference = linkedPath(ALIGN_REFERENCE);
  tool.object = linkedPath(ALIGN_OBJECT);
  for (int axis = 0; axis < 3; ++axis)
    tool.axes[static_cast<size_t>(axis)] = session_->ReadAxis(axis);
  // As align does: a placement no scene file can hold is never written.
  if (const std::vector<size_t> lost = objects.WithoutFinitePlacement(); !lost.empty())
    throw ViewRequestError("values too large to place: " + session_->NamesOf(lost) +
                           " ended up with a placement that is not finite; nothing was written");
  objects.ReadBack();
  const std::string& target = output_ ? *output_ : sceneFile_;
  try {
    WriteFileAtomically(target, writer_(scene_, target));
  } catch (const InputError& error) {
    // A placement the format cannot hold: the page says so and nothing is written.
    throw ViewRequestError(error.what());
  }
  ViewFrame changes = Changes();
  changes.head["saved"] = target;
  return changes;
}

std::optional<std::string> ViewState::OpenedPage(size_t index) const {
  if (index >= openedPages_.size()) return std::nullopt;
  return openedPages_[index];
}

std::vector<std::string> ViewState::Finish() {
  if (finished_) return {};
  finished_ = true;
  return session_->End();
}

}  // namespace kcommand

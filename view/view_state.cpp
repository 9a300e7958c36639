#include "view_state.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>

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

// The request's "control" id.
int32_t ControlId(const json& request) {
  const json* id =
      request.is_object() && request.contains("control") ? &request["control"] : nullptr;
  if (id == nullptr || !id->is_number_integer())
    throw ViewRequestError("the request has no \"control\" id");
  if (id->get<int64_t>() < INT32_MIN || id->get<int64_t>() > INT32_MAX)
    throw ViewRequestError("the panel has no control " + id->dump());
  return static_cast<int32_t>(id->get<int64_t>());
}

// Runs a session call, answering its refusal of the request as the view's: the request
// names what is not there, or would place objects where no file can hold them.
template <typename Call>
auto Refused(Call call) {
  try {
    return call();
  } catch (const InputError& error) {
    throw ViewRequestError(error.what());
  } catch (const PlacementsNotFinite& error) {
    throw ViewRequestError(error.what());
  }
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
  // The page cannot open a file of ours: it gets the content the tool asked to show.
  session_->OpenFilesWith([this](const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    openedPages_.push_back(
        file ? content.str() : "<p>The tool asked to open " + path + ", which cannot be read.</p>");
  });
  // The tool writes its defaults into its settings now, before any request reads them.
  session_->Settings();
  if (session_->Panel()) panel_ = std::make_unique<ToolPanel>(*session_);
  if (panel_) panel_->Apply(scene_.tool);
  for (size_t i = 0; i < session_->objects().Count(); ++i)
    indexOfId_.emplace(session_->ObjectId(i), i);
  Sent(session_->objects().PlacementFingerprints());
}

ViewState::~ViewState() { Finish(); }

const khost::DescriptionElement& ViewState::ControlOf(const json& request) const {
  return *Refused([&] { return &Panel().Control(ControlId(request)); });
}

ToolPanel& ViewState::Panel() const {
  if (!panel_) throw ViewRequestError("the tool registered no panel");
  return *panel_;
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
  // The same read-back a save writes, so the page reports what the file would hold.
  objects.ReadBack();
  const std::vector<HostPlacement> placements = objects.Placements();
  json list = json::array();
  for (size_t i = 0; i < objects.Count(); ++i) {
    const ObjectEntry& entry = objects.Entries()[i];
    const HostMatrix& world = placements[i].world;
    const Vector3* shownCentre = objects.ShownCentre(*entry.object);
    json parent = nullptr;
    if (entry.parent) parent = session_->ObjectId(*entry.parent);
    json mesh = nullptr;
    if (i < meshOfObject_.size() && meshOfObject_[i]) mesh = *meshOfObject_[i];
    list.push_back({{"id", session_->ObjectId(i)},
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
  json messages = json::array();
  for (const auto& [text, kind] : session_->Messages())
    messages.push_back({{"text", text}, {"kind", kind}});
  const khost::RegisteredTool& tool = session_->Tool();
  return {{"file", sceneFile_},
          {"output", output_ ? json(*output_) : json(nullptr)},
          {"tool", {{"name", tool.name}, {"help", tool.help}}},
          {"panel", PanelState()},
          {"undoSteps", session_->UndoSteps()},
          {"redoSteps", session_->RedoSteps()},
          {"console", session_->ConsoleLines()},
          {"messages", std::move(messages)},
          {"openedPages", openedPages_.size()},
          {"placement",
           {{"frame", FrameName(session_->placement().frame)}, {"gap", session_->placement().gap}}},
          {"lastPress", lastPress_}};
}

ViewFrame ViewState::Scene() {
  SceneInHost& objects = session_->objects();
  objects.ReadBack();
  const std::vector<HostPlacement> placements = objects.Placements();
  json ids = json::array(), names = json::array(), paths = json::array(), parents = json::array(),
       meshes = json::array(), selected = json::array();
  PlacementArrays arrays;
  std::vector<double> boxCenter;
  for (size_t i = 0; i < objects.Count(); ++i) {
    const ObjectEntry& entry = objects.Entries()[i];
    ids.push_back(session_->ObjectId(i));
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
  if (!panel_) return nullptr;
  return panel_->Json([&](size_t index) { return session_->ObjectId(index); });
}

ViewFrame ViewState::Select(const json& request) {
  if (!request.is_object() || !request.contains("objects") || !request["objects"].is_array())
    throw ViewRequestError("the request has no \"objects\" list");
  const bool add = Flag(request, "add", false);
  std::vector<size_t> chosen;
  for (const json& id : request["objects"]) chosen.push_back(ObjectIndex(id));
  if (!add)
    for (size_t i = 0; i < session_->objects().Count(); ++i) session_->Select(i, false);
  for (size_t i : chosen) session_->Select(i, true);
  return Changes();
}

ViewFrame ViewState::Set(const json& request) {
  const khost::DescriptionElement& control = ControlOf(request);
  if (!request.contains("value")) throw ViewRequestError("the request has no \"value\"");
  const json& value = request["value"];
  PanelValue set;
  if (value.is_boolean())
    set = value.get<bool>();
  else if (control.kind == khost::ElementKind::kLink && !value.is_null())
    set = LinkedObject{ObjectIndex(value)};
  else if (value.is_number_integer() && value.get<int64_t>() >= INT32_MIN &&
           value.get<int64_t>() <= INT32_MAX)
    set = value.get<int32_t>();
  else if (!value.is_null())
    throw ViewRequestError("control " + std::to_string(control.id) + " has no value " +
                           value.dump());
  Refused([&] {
    panel_->Set(control.id, set);
    return 0;
  });
  return Changes();
}

ViewFrame ViewState::Press(const json& request) {
  const khost::DescriptionElement& control = ControlOf(request);
  if (control.kind != khost::ElementKind::kButton)
    throw ViewRequestError("control " + std::to_string(control.id) + " is not a button");
  const PressResult result = Refused([&] {
    return session_->Observe([&] { session_->PressButton(control.id); }, false,
                             session_->WhyNothingWillMove(control.id));
  });
  lastPress_ = {{"control", control.id}, {"summary", result.summary}};
  return Changes();
}

std::vector<size_t> ViewState::RequestObjects(const json& request, bool required) const {
  if (!request.is_object()) throw ViewRequestError("the request is not a JSON object");
  if (!request.contains("objects")) {
    if (required) throw ViewRequestError("the request has no \"objects\" list");
    return session_->Selection();
  }
  if (!request["objects"].is_array()) throw ViewRequestError("\"objects\" is not a list");
  std::vector<size_t> objects;
  for (const json& id : request["objects"]) objects.push_back(ObjectIndex(id));
  return objects;
}

std::array<AxisChoice, 3> ViewState::PanelAxes() {
  std::array<AxisChoice, 3> axes{};
  for (int axis = 0; axis < 3; ++axis)
    axes[static_cast<size_t>(axis)] = session_->ReadAxis(axis).value_or(AxisChoice{});
  return axes;
}

size_t ViewState::LinkedReference() {
  const PanelValue linked = Refused([&] { return Panel().Value(ALIGN_REFERENCE); });
  if (!std::holds_alternative<LinkedObject>(linked))
    throw ViewRequestError("no reference is linked: pick one in the panel first");
  return std::get<LinkedObject>(linked).index;
}

ViewFrame ViewState::Workflow(const char* name, const std::function<void()>& workflow,
                              const std::string& whyIdle) {
  const PressResult result = Refused([&] { return session_->Observe(workflow, false, whyIdle); });
  lastPress_ = {{"workflow", name}, {"summary", result.summary}};
  return Changes();
}

ViewFrame ViewState::Stack(const json& request) {
  const std::vector<size_t> stack = RequestObjects(request, true);
  const size_t reference = LinkedReference();
  const std::array<AxisChoice, 3> axes = PanelAxes();
  return Workflow(
      "stack", [&] { session_->Stack(reference, stack, axes, session_->placement()); }, "");
}

ViewFrame ViewState::Group(const json& request) {
  const std::vector<size_t> members = RequestObjects(request, false);
  const size_t reference = LinkedReference();
  const std::array<AxisChoice, 3> axes = PanelAxes();
  return Workflow(
      "group", [&] { session_->PressAsGroup(reference, members, axes, session_->placement()); },
      members.empty() ? "no object is selected, so there is no group to move" : "");
}

ViewFrame ViewState::AgainstSelection(const json& request) {
  if (!request.is_object()) throw ViewRequestError("the request is not a JSON object");
  const std::array<AxisChoice, 3> axes = PanelAxes();
  return Workflow(
      "selection",
      [&] {
        session_->Press({kSelectionBox, std::nullopt, axes, session_->placement()});
      },
      "");
}

ViewFrame ViewState::SetPlacement(const json& request) {
  if (!request.is_object()) throw ViewRequestError("the request is not a JSON object");
  Placement placement = session_->placement();
  if (request.contains("frame")) {
    const json& frame = request["frame"];
    const std::optional<PlacementFrame> parsed =
        frame.is_string() ? ParseFrame(frame.get<std::string>()) : std::nullopt;
    if (!parsed) throw ViewRequestError("\"frame\" is not \"world\", \"reference\" or \"tool\"");
    placement.frame = *parsed;
  }
  if (request.contains("gap")) {
    const json& gap = request["gap"];
    const auto finite = [](const json& v) {
      return v.is_number() && std::isfinite(v.get<double>());
    };
    if (finite(gap))
      placement.gap = {gap.get<double>(), gap.get<double>(), gap.get<double>()};
    else if (gap.is_array() && gap.size() == 3 && std::all_of(gap.begin(), gap.end(), finite))
      placement.gap = {gap[0].get<double>(), gap[1].get<double>(), gap[2].get<double>()};
    else
      throw ViewRequestError("\"gap\" is not a finite number or three");
  }
  Refused([&] {
    session_->SetPlacement(placement);
    return 0;
  });
  return Changes();
}

ViewFrame ViewState::Distribute(const json& request) {
  if (!request.is_object() || !request.contains("axis") || !request["axis"].is_string())
    throw ViewRequestError("the request has no \"axis\"");
  const std::string axis = request["axis"].get<std::string>();
  if (axis != "x" && axis != "y" && axis != "z")
    throw ViewRequestError("\"axis\" is not \"x\", \"y\" or \"z\"");
  std::optional<double> gap;
  if (request.contains("gap") && !request["gap"].is_null()) {
    if (!request["gap"].is_number() || !std::isfinite(request["gap"].get<double>()))
      throw ViewRequestError("\"gap\" is not a finite number");
    gap = request["gap"].get<double>();
  }
  const std::vector<size_t> objects = RequestObjects(request, false);
  return Workflow(
      "distribute", [&] { session_->Distribute(objects, axis[0] - 'x', gap); },
      objects.size() < 3 ? "nothing to space: even spacing needs three objects or more" : "");
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
  if (panel_) scene_.tool = panel_->Current();
  // As align does: a placement no scene file can hold is never written.
  Refused([&] {
    session_->RequireFinitePlacements();
    return 0;
  });
  SceneInHost& objects = session_->objects();
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

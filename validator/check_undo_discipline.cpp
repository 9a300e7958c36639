// Undo as a user sees it: each alignment is one step that brings every changed object
// back. Read from the call trace: undo groups open and close in pairs, and every object
// is recorded in the open group before its first position, rotation or matrix change.
// Then undo is asked to restore the scene bit for bit.

#include <cstring>
#include <map>
#include <set>

#include "check.h"
#include "check_support.h"
#include "containers.h"
#include "kestrum_settings.h"
#include "scene.h"

namespace khost::validator {
namespace {

// The last quoted name in a trace line: the object of an object or undo operation.
std::string ObjectNameIn(const std::string& call) {
  const size_t close = call.rfind('"');
  if (close == std::string::npos || close == 0) return {};
  const size_t open = call.rfind('"', close - 1);
  return open == std::string::npos ? std::string() : call.substr(open + 1, close - open - 1);
}
// The first quoted name: the object a change operation changes.
std::string FirstNameIn(const std::string& call) {
  const size_t open = call.find('"');
  if (open == std::string::npos) return {};
  const size_t close = call.find('"', open + 1);
  return close == std::string::npos ? std::string() : call.substr(open + 1, close - open - 1);
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Problems in one command's calls.
std::vector<std::string> UndoOrderProblems(const std::vector<std::string>& calls,
                                           const std::string& command) {
  std::vector<std::string> problems;
  int depth = 0;
  std::set<std::string> recorded;
  for (const std::string& call : calls) {
    if (StartsWith(call, "DocumentBeginUndo")) {
      if (depth++ == 0) recorded.clear();
    } else if (StartsWith(call, "DocumentEndUndo")) {
      if (--depth < 0) problems.push_back(command + ": undo group closed that was not open");
    } else if (StartsWith(call, "DocumentAddUndo")) {
      if (depth <= 0) problems.push_back(command + ": " + call + " outside an undo group");
      recorded.insert(ObjectNameIn(call));
    } else if (StartsWith(call, "ObjectSetPosition") || StartsWith(call, "ObjectSetRotation") ||
               StartsWith(call, "ObjectSetGlobalMatrix")) {
      const std::string name = FirstNameIn(call);
      if (depth <= 0)
        problems.push_back(command + ": " + name + " changed outside an undo group");
      else if (recorded.count(name) == 0)
        problems.push_back(command + ": " + name + " changed before it was recorded for undo");
    }
  }
  if (depth != 0)
    problems.push_back(command + ": " + std::to_string(depth) + " undo group(s) left open");
  return problems;
}

std::map<std::string, HostMatrix> WorldMatrices(Scene& scene, HostDocument* document) {
  std::map<std::string, HostMatrix> worlds;
  for (HostObject* object : scene.DocumentOrder(document))
    worlds[scene.Name(object)] = scene.WorldMatrix(object);
  return worlds;
}

bool SameWorlds(const std::map<std::string, HostMatrix>& a,
                const std::map<std::string, HostMatrix>& b) {
  if (a.size() != b.size()) return false;
  for (const auto& [name, matrix] : a) {
    const auto other = b.find(name);
    if (other == b.end() || std::memcmp(&matrix, &other->second, sizeof matrix) != 0) return false;
  }
  return true;
}

}  // namespace

CheckResult CheckUndoDiscipline(const CheckContext& context) {
  OpenPlugin plugin(context);
  if (!plugin.Error().empty()) return CheckResult::Failed(plugin.Error());
  Scene& scene = plugin.host.scene();
  auto box = [&](const char* name, HostVector position, HostObject* parent) {
    HostObject* object = scene.NewObject(plugin.document, name, parent);
    scene.SetPosition(object, position);
    scene.SetRotation(object, HostVector{0.25, -0.5, 1.0});
    scene.SetHalfSizes(object, HostVector{1, 2, 3});
    return object;
  };
  HostObject* reference = box("Reference", {5, 0, 0}, nullptr);
  // Unequal half sizes, so that inside placements differ from face to face.
  scene.SetHalfSizes(reference, HostVector{4, 5, 6});
  HostObject* parent = box("Parent", {0, 3, 0}, nullptr);
  HostObject* child = box("Child", {1, 1, 1}, parent);
  HostObject* loose = box("Loose", {-4, 2, 0}, nullptr);
  for (HostObject* object : {parent, child, loose, reference}) scene.SetSelected(object, true);
  Containers& containers = plugin.host.containers();
  containers.SetLink(plugin.settings, ALIGN_REFERENCE, scene.IdOf(reference));
  containers.SetLink(plugin.settings, ALIGN_OBJECT, scene.IdOf(child));
  containers.SetInt(plugin.settings, ALIGN_Y_MODE, ALIGN_Y_MODE_CENTER);
  containers.SetInt(plugin.settings, ALIGN_Z_MODE, ALIGN_Z_MODE_MINUS);
  containers.SetInt(plugin.settings, ALIGN_Z_SIDE, ALIGN_Z_SIDE_OUTSIDE);

  std::vector<std::string> problems;
  plugin.host.trace().Enable(true);
  // Each command places along X differently, so each one moves something.
  const std::pair<int32_t, int32_t> commands[] = {
      {ALIGN_SELECTED, ALIGN_X_MODE_PLUS},
      {HOST_COMMAND_ALIGN_OBJECT_ALT, ALIGN_X_MODE_MINUS},
      {HOST_COMMAND_ALIGN_OBJECT, ALIGN_X_MODE_CENTER}};
  for (const auto& [command, xMode] : commands) {
    containers.SetInt(plugin.settings, ALIGN_X_MODE, xMode);
    const std::string name = "command " + std::to_string(command);
    const auto before = WorldMatrices(scene, plugin.document);
    const size_t steps = scene.UndoSteps(plugin.document);
    plugin.host.trace().Clear();
    plugin.session.Press(plugin.document, plugin.settings, command);
    for (const std::string& line : UndoOrderProblems(plugin.host.trace().Calls(), name))
      problems.push_back(line);
    const auto after = WorldMatrices(scene, plugin.document);
    if (SameWorlds(before, after)) problems.push_back(name + ": moved nothing");
    if (scene.UndoSteps(plugin.document) != steps + 1)
      problems.push_back(name + ": made " +
                         std::to_string(scene.UndoSteps(plugin.document) - steps) +
                         " undo steps, expected 1");
    if (!scene.Undo(plugin.document)) {
      problems.push_back(name + ": undo refused");
    } else if (!SameWorlds(before, WorldMatrices(scene, plugin.document))) {
      problems.push_back(name + ": undo did not restore every object bit for bit");
    }
    if (!scene.Redo(plugin.document) || !SameWorlds(after, WorldMatrices(scene, plugin.document)))
      problems.push_back(name + ": redo did not bring the alignment back bit for bit");
  }
  plugin.host.trace().Enable(false);
  for (const std::string& line : plugin.Close()) problems.push_back(line);
  if (!problems.empty()) return CheckResult::Failed(JoinLines(problems));
  return CheckResult::Passed(
      "3 commands: groups balanced, every object recorded before its change, "
      "undo and redo exact");
}

}  // namespace khost::validator

#include "alignment_session.h"

#include <algorithm>

#include "axis_settings.h"
#include "input_error.h"
#include "kestrum_settings.h"

namespace kcommand {

AlignmentSession::AlignmentSession(const std::string& pluginFolder, SceneModel& scene,
                                   const std::string& fileName, std::ostream* console)
    : ownRun_(std::make_unique<PluginRun>(pluginFolder, console)),
      run_(*ownRun_),
      objects_(run_.host().scene(), scene, fileName),
      fileName_(fileName) {}

AlignmentSession::AlignmentSession(PluginRun& run, SceneModel& scene, const std::string& fileName)
    : run_(run), objects_(run_.host().scene(), scene, fileName), fileName_(fileName) {}

const khost::DescriptionLayout* AlignmentSession::Panel() {
  return run_.host().plugins().RegisteredDescription(run_.Tool().id);
}

bool AlignmentSession::IsControlEnabled(int32_t controlId) {
  return run_.session().IsControlEnabled(Settings(), controlId) != 0;
}

void AlignmentSession::LinkObject(int32_t settingId, size_t index) {
  run_.host().containers().SetLink(Settings(), settingId,
                                   run_.host().scene().IdOf(objects_.Object(index)));
}

void AlignmentSession::WriteAxis(int axis, const AxisChoice& choice) {
  WriteAxisChoice(run_.host().containers(), Settings(), axis, choice);
}

std::optional<AxisChoice> AlignmentSession::ReadAxis(int axis) {
  return ReadAxisChoice(run_.host().containers(), Settings(), axis);
}

int32_t AlignmentSession::PressButton(int32_t buttonId) {
  return run_.session().Press(objects_.Document(), Settings(), buttonId);
}

bool AlignmentSession::Undo() { return run_.host().scene().Undo(objects_.Document()); }
bool AlignmentSession::Redo() { return run_.host().scene().Redo(objects_.Document()); }

void AlignmentSession::Press(const AlignmentPress& press) {
  if (press.reference == kSelectionBox) {
    PressAgainstSelectionBox(press);
    return;
  }
  PressOn(objects_.Object(press.reference), press.object ? objects_.Object(*press.object) : nullptr,
          press.axes);
  RequireFinitePlacements();
}

void AlignmentSession::PressOn(HostObject* reference, HostObject* object,
                               const std::array<AxisChoice, 3>& axes) {
  khost::Host& host = run_.host();
  host.containers().SetLink(Settings(), ALIGN_REFERENCE, host.scene().IdOf(reference));
  if (object)
    host.containers().SetLink(Settings(), ALIGN_OBJECT, host.scene().IdOf(object));
  else
    host.containers().Remove(Settings(), ALIGN_OBJECT);
  for (int axis = 0; axis < 3; ++axis) WriteAxis(axis, axes[static_cast<size_t>(axis)]);
  const int32_t button = object ? HOST_COMMAND_ALIGN_OBJECT : ALIGN_SELECTED;
  if (!explain_) {
    run_.Press(objects_.Document(), button);
    return;
  }
  khost::CallTrace& trace = host.trace();
  trace.Clear();
  trace.Enable(true);
  try {
    run_.Press(objects_.Document(), button);
  } catch (...) {
    trace.Enable(false);
    trace.Clear();
    throw;
  }
  trace.Enable(false);
  std::vector<PlacementExplanation> placed = ExplainPress(
      trace.Values(), reference, axes, [this](HostObject* named) { return PathOf(named); });
  trace.Clear();
  for (PlacementExplanation& explanation : placed) explanations_.push_back(std::move(explanation));
}

void AlignmentSession::RequireFinitePlacements() {
  if (const std::vector<size_t> lost = objects_.WithoutFinitePlacement(); !lost.empty())
    throw HostFailure(fileName_ + ": values too large to place: " + NamesOf(lost) +
                      " ended up with a placement that is not finite (infinite or NaN), which "
                      "no scene file can hold; nothing was written");
}

std::string AlignmentSession::PathOf(HostObject* object) {
  for (const auto& [temporary, name] : temporaryNames_)
    if (temporary == object) return name;
  if (indexOf_.empty())
    for (size_t i = 0; i < objects_.Count(); ++i) indexOf_.emplace(objects_.Object(i), i);
  const auto found = indexOf_.find(object);
  return found != indexOf_.end() ? objects_.Entries()[found->second].path : "?";
}

std::string AlignmentSession::NamesOf(const std::vector<size_t>& indices) const {
  constexpr size_t kNamed = 8;  // enough to find the scene's problem; the count says the rest
  std::string names;
  for (size_t i = 0; i < indices.size() && i < kNamed; ++i)
    names += (i ? ", '" : "'") + objects_.Entries()[indices[i]].path + "'";
  if (indices.size() > kNamed)
    names += " and " + std::to_string(indices.size() - kNamed) + " more objects";
  return (indices.size() == 1 ? "object " : "objects ") + names;
}

void AlignmentSession::CheckOneUndoStep(size_t stepsBefore,
                                        const std::vector<HostPlacement>& before,
                                        const std::vector<HostPlacement>& after) {
  khost::Scene& scene = run_.host().scene();
  HostDocument* document = objects_.Document();
  const size_t steps = scene.UndoSteps(document) - std::min(stepsBefore, scene.UndoSteps(document));
  if (steps != 1)
    throw HostFailure("undo: the press left " + std::to_string(steps) + " undo steps, not one");
  const auto compare = [&](const std::vector<HostPlacement>& expected, const char* what) {
    const std::vector<HostPlacement> now = objects_.Placements();
    std::string differences;
    for (size_t i = 0; i < now.size(); ++i)
      if (!SamePlacement(now[i], expected[i])) differences += " " + objects_.Entries()[i].path;
    if (!differences.empty())
      throw HostFailure(std::string("undo: after ") + what +
                        " these objects are not back exactly:" + differences);
  };
  if (!Undo()) throw HostFailure("undo: the host had no step to undo");
  compare(before, "undoing");
  if (!Redo()) throw HostFailure("undo: the host had no step to redo");
  compare(after, "redoing");
}

void AlignmentSession::Finish() {
  objects_.ReadBack();
  if (ownRun_) run_.Finish();
}

std::vector<std::string> AlignmentSession::End() {
  if (!ownRun_) return {};
  return run_.session().Finish();
}

}  // namespace kcommand

#include "alignment_session.h"

#include <algorithm>

#include "axis_settings.h"
#include "input_error.h"
#include "kestrum_settings.h"
#include "workflow_scope.h"

namespace kcommand {

AlignmentSession::AlignmentSession(const std::string& pluginFolder, SceneModel& scene,
                                   const std::string& fileName, std::ostream* console)
    : ownPlugin_(LoadPlugin(pluginFolder, console)),
      plugin_(*ownPlugin_),
      objects_(plugin_.host().scene(), scene, fileName),
      fileName_(fileName) {}

AlignmentSession::AlignmentSession(khost::PluginSession& plugin, SceneModel& scene,
                                   const std::string& fileName)
    : plugin_(plugin), objects_(plugin_.host().scene(), scene, fileName), fileName_(fileName) {}

const khost::DescriptionLayout* AlignmentSession::Panel() {
  return plugin_.host().plugins().RegisteredDescription(plugin_.Tool()->id);
}

bool AlignmentSession::IsControlEnabled(int32_t controlId) {
  return plugin_.IsControlEnabled(Settings(), controlId) != 0;
}

void AlignmentSession::LinkObject(int32_t settingId, size_t index) {
  plugin_.host().containers().SetLink(Settings(), settingId,
                                      plugin_.host().scene().IdOf(objects_.Object(index)));
}

KeptSettings AlignmentSession::KeepSettings() {
  khost::Host& host = plugin_.host();
  KeptSettings kept;
  for (const auto& [id, entry] : host.containers().Entries(Settings())) {
    KeptSetting setting{entry, std::nullopt};
    if (entry.kind == khost::Containers::Kind::kLink)
      if (HostObject* linked =
              host.scene().FindLiveObject(objects_.Document(), entry.link, kObjectKindObject))
        setting.linked = IndexOf(linked);
    kept.emplace(id, setting);
  }
  return kept;
}

void AlignmentSession::RestoreSettings(const std::optional<KeptSettings>& kept) {
  khost::Containers& containers = plugin_.host().containers();
  HostContainer* settings = Settings();
  for (const auto& entry : containers.Entries(settings)) containers.Remove(settings, entry.first);
  if (!kept) {
    plugin_.WriteDefaultSettings(objects_.Document(), settings);
    return;
  }
  for (const auto& [id, setting] : *kept) {
    switch (setting.entry.kind) {
      case khost::Containers::Kind::kInt:
        containers.SetInt(settings, id, setting.entry.integer);
        break;
      case khost::Containers::Kind::kBool:
        containers.SetBool(settings, id, setting.entry.truth);
        break;
      case khost::Containers::Kind::kLink:
        if (setting.linked) LinkObject(id, *setting.linked);
        break;
    }
  }
}

void AlignmentSession::WriteAxis(int axis, const AxisChoice& choice) {
  WriteAxisChoice(plugin_.host().containers(), Settings(), axis, choice);
}

std::optional<AxisChoice> AlignmentSession::ReadAxis(int axis) {
  return ReadAxisChoice(plugin_.host().containers(), Settings(), axis);
}

std::optional<size_t> AlignmentSession::IndexOf(HostObject* object) {
  if (indexOf_.empty())
    for (size_t i = 0; i < objects_.Count(); ++i) indexOf_.emplace(objects_.Object(i), i);
  const auto found = indexOf_.find(object);
  if (found == indexOf_.end()) return std::nullopt;
  return found->second;
}

namespace {

bool IsAlignButton(int32_t buttonId) {
  return buttonId == ALIGN_SELECTED || buttonId == HOST_COMMAND_ALIGN_OBJECT ||
         buttonId == HOST_COMMAND_ALIGN_OBJECT_ALT;
}

}  // namespace

int32_t AlignmentSession::PressButton(int32_t buttonId) {
  if (placement_.frame != PlacementFrame::kTool && IsAlignButton(buttonId)) {
    // The links and axes as the tool would read them, pressed on boxes; what the tool
    // would skip (no reference, no object) is skipped.
    khost::Containers& containers = plugin_.host().containers();
    HostDocument* document = objects_.Document();
    const std::optional<size_t> reference =
        IndexOf(containers.GetObjectLink(Settings(), ALIGN_REFERENCE, document, kObjectKindObject));
    AlignmentPress press{reference.value_or(0), std::nullopt, {}, placement_};
    if (buttonId != ALIGN_SELECTED)
      press.object =
          IndexOf(containers.GetObjectLink(Settings(), ALIGN_OBJECT, document, kObjectKindObject));
    for (int axis = 0; axis < 3; ++axis)
      press.axes[static_cast<size_t>(axis)] = ReadAxis(axis).value_or(AxisChoice{});
    if (reference && (buttonId == ALIGN_SELECTED || press.object)) Press(press);
    return 1;
  }
  const size_t stepsBefore = plugin_.host().scene().UndoSteps(objects_.Document());
  const int32_t answer = plugin_.Press(objects_.Document(), Settings(), buttonId);
  const khost::DescriptionElement* button = Panel() ? Panel()->Element(buttonId) : nullptr;
  RequireCarriedOut(answer, (button ? "'" + button->label + "' " : std::string("the press of ")) +
                                std::to_string(buttonId));
  RequireFinitePress(stepsBefore);
  return answer;
}

std::string AlignmentSession::WhyNothingWillMove(int32_t buttonId) {
  if (!IsAlignButton(buttonId)) return "this button moves no object";
  khost::Containers& containers = plugin_.host().containers();
  HostDocument* document = objects_.Document();
  HostObject* reference =
      containers.GetObjectLink(Settings(), ALIGN_REFERENCE, document, kObjectKindObject);
  if (!reference) return "no reference is linked";
  bool anyAxis = false;
  for (int axis = 0; axis < 3; ++axis)
    anyAxis = anyAxis || ReadAxis(axis).value_or(AxisChoice{}).mode != AxisMode::kNone;
  if (!anyAxis) return "no axis is chosen";
  // Outside the tool's frame the reference never moves.
  const bool referenceStays = placement_.frame != PlacementFrame::kTool;
  if (buttonId == ALIGN_SELECTED) {
    const std::vector<size_t> selected = Selection();
    if (selected.empty()) return "no object is selected";
    if (referenceStays && selected.size() == 1 && objects_.Object(selected[0]) == reference)
      return kOnlyTheReferenceSelected;
    return "";
  }
  HostObject* object =
      containers.GetObjectLink(Settings(), ALIGN_OBJECT, document, kObjectKindObject);
  if (!object) return "no object to align is linked";
  if (referenceStays && object == reference) return kObjectIsTheReference;
  return "";
}

PressResult AlignmentSession::Observe(const std::function<void()>& press, bool checkUndo,
                                      const std::string& whyIdle) {
  khost::Host& host = plugin_.host();
  const std::vector<uint64_t> before = objects_.PlacementFingerprints();
  std::vector<HostPlacement> placedBefore;
  if (checkUndo) placedBefore = objects_.Placements();
  const size_t stepsBefore = host.scene().UndoSteps(objects_.Document());
  const size_t opened = host.ui().OpenedFiles().size();
  const size_t shown = host.ui().Messages().size();

  press();
  PressResult result;
  const std::vector<uint64_t> after = objects_.PlacementFingerprints();
  for (size_t i = 0; i < after.size(); ++i)
    if (after[i] != before[i]) result.moved.push_back(i);
  // A press that moved nothing owes no undo step.
  if (checkUndo && !result.moved.empty())
    CheckOneUndoStep(stepsBefore, placedBefore, objects_.Placements());
  const std::vector<std::string>& files = host.ui().OpenedFiles();
  result.opened.assign(files.begin() + static_cast<std::ptrdiff_t>(opened), files.end());
  const auto& messages = host.ui().Messages();
  for (size_t i = shown; i < messages.size(); ++i) result.messages.push_back(messages[i].text);
  const size_t moved = result.moved.size();
  result.summary = moved == 0   ? "nothing moved: " + (whyIdle.empty() ? kAlreadyInPlace : whyIdle)
                   : moved == 1 ? "1 object moved"
                                : std::to_string(moved) + " objects moved";
  return result;
}

void AlignmentSession::Select(size_t index, bool selected) {
  plugin_.host().scene().SetSelected(objects_.Object(index), selected);
}

uint64_t AlignmentSession::ObjectId(size_t index) {
  return plugin_.host().scene().IdOf(objects_.Object(index));
}

size_t AlignmentSession::UndoSteps() {
  return plugin_.host().scene().UndoSteps(objects_.Document());
}
size_t AlignmentSession::RedoSteps() {
  return plugin_.host().scene().RedoSteps(objects_.Document());
}

const std::vector<std::string>& AlignmentSession::ConsoleLines() {
  return plugin_.host().ui().ConsoleLines();
}

std::vector<std::pair<std::string, int32_t>> AlignmentSession::Messages() {
  std::vector<std::pair<std::string, int32_t>> messages;
  for (const khost::UserInterface::Message& message : plugin_.host().ui().Messages())
    messages.emplace_back(message.text, message.kind);
  return messages;
}

void AlignmentSession::OpenFilesWith(std::function<void(const std::string& path)> open) {
  plugin_.host().ui().SetFileOpener(std::move(open));
}

bool AlignmentSession::Undo() { return plugin_.host().scene().Undo(objects_.Document()); }
bool AlignmentSession::Redo() { return plugin_.host().scene().Redo(objects_.Document()); }

void AlignmentSession::Press(const AlignmentPress& press) {
  if (press.placement.frame != PlacementFrame::kTool) {
    Workflow workflow(*this);
    std::unique_ptr<TemporaryObject> box;
    PressInFrame(ReferenceObject(press.reference, box), press);
    RequireFinitePlacements();
    box.reset();
    workflow.Commit();
    return;
  }
  RequireGapInBoxFrame(press.placement, fileName_);
  if (press.reference == kSelectionBox) {
    PressAgainstSelectionBox(press);
    return;
  }
  const size_t stepsBefore = plugin_.host().scene().UndoSteps(objects_.Document());
  PressOn(objects_.Object(press.reference), press.object ? objects_.Object(*press.object) : nullptr,
          press.axes);
  RequireFinitePress(stepsBefore);
}

void AlignmentSession::PressOn(HostObject* reference, HostObject* object,
                               const std::array<AxisChoice, 3>& axes, HostDocument* in) {
  khost::Host& host = plugin_.host();
  HostDocument* document = in ? in : objects_.Document();
  HostContainer* settings = plugin_.Settings(document);
  host.containers().SetLink(settings, ALIGN_REFERENCE, host.scene().IdOf(reference));
  if (object)
    host.containers().SetLink(settings, ALIGN_OBJECT, host.scene().IdOf(object));
  else
    host.containers().Remove(settings, ALIGN_OBJECT);
  for (int axis = 0; axis < 3; ++axis)
    WriteAxisChoice(host.containers(), settings, axis, axes[static_cast<size_t>(axis)]);
  const int32_t button = object ? HOST_COMMAND_ALIGN_OBJECT : ALIGN_SELECTED;
  if (!explain_) {
    kcommand::PressButton(plugin_, document, button);
    return;
  }
  khost::CallTrace& trace = host.trace();
  trace.Clear();
  trace.Enable(true);
  try {
    kcommand::PressButton(plugin_, document, button);
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

void AlignmentSession::RequireFinitePress(size_t stepsBefore) {
  const std::vector<size_t> lost = objects_.WithoutFinitePlacement();
  if (lost.empty()) return;
  khost::Scene& scene = plugin_.host().scene();
  while (scene.UndoSteps(objects_.Document()) > stepsBefore && Undo()) {
  }
  RefuseNotFinite(lost);
}

void AlignmentSession::RequireFinitePlacements() {
  if (const std::vector<size_t> lost = objects_.WithoutFinitePlacement(); !lost.empty())
    RefuseNotFinite(lost);
}

void AlignmentSession::RefuseNotFinite(const std::vector<size_t>& lost) const {
  throw PlacementsNotFinite(fileName_ + ": values too large to place: " + NamesOf(lost) +
                            " ended up with a placement that is not finite (infinite or NaN), "
                            "which no scene file can hold; nothing was written");
}

std::string AlignmentSession::PathOf(HostObject* object) {
  for (const auto& [temporary, name] : temporaryNames_)
    if (temporary == object) return name;
  const std::optional<size_t> index = IndexOf(object);
  return index ? objects_.Entries()[*index].path : "?";
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
  khost::Scene& scene = plugin_.host().scene();
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
  if (ownPlugin_) FinishCleanly(plugin_);
}

std::vector<std::string> AlignmentSession::End() {
  if (!ownPlugin_) return {};
  return plugin_.Finish();
}

}  // namespace kcommand

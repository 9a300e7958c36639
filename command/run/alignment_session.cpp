#include "alignment_session.h"

#include <algorithm>

#include "input_error.h"
#include "kestrum_settings.h"

namespace kcommand {

AlignmentSession::AlignmentSession(const std::string& pluginFolder, SceneFile& scene,
                                   const std::string& fileName, std::ostream* console)
    : ownRun_(std::make_unique<PluginRun>(pluginFolder, console)),
      run_(*ownRun_),
      objects_(run_.host().scene(), scene, fileName),
      fileName_(fileName) {}

AlignmentSession::AlignmentSession(PluginRun& run, SceneFile& scene, const std::string& fileName)
    : run_(run), objects_(run_.host().scene(), scene, fileName), fileName_(fileName) {}

void AlignmentSession::Press(const AlignmentPress& press) {
  khost::Host& host = run_.host();
  HostDocument* document = objects_.Document();
  HostContainer* settings = run_.Settings(document);
  khost::Containers& containers = host.containers();
  khost::Scene& scene = host.scene();
  containers.SetLink(settings, ALIGN_REFERENCE, scene.IdOf(objects_.Object(press.reference)));
  if (press.object)
    containers.SetLink(settings, ALIGN_OBJECT, scene.IdOf(objects_.Object(*press.object)));
  else
    containers.Remove(settings, ALIGN_OBJECT);
  for (int axis = 0; axis < 3; ++axis) {
    const AxisChoice& choice = press.axes[static_cast<size_t>(axis)];
    containers.SetInt(settings, ModeSettingId(axis), ModeValueId(axis, choice.mode));
    containers.SetInt(settings, SideSettingId(axis), SideValueId(axis, choice.side));
  }
  run_.Press(document, press.object ? HOST_COMMAND_ALIGN_OBJECT : ALIGN_SELECTED);
  if (const std::vector<size_t> lost = objects_.WithoutFinitePlacement(); !lost.empty())
    throw HostFailure(fileName_ + ": values too large to place: " + NamesOf(lost) +
                      " ended up with a placement that is not finite (infinite or NaN), which "
                      "no scene file can hold; nothing was written");
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
  if (!scene.Undo(document)) throw HostFailure("undo: the host had no step to undo");
  compare(before, "undoing");
  if (!scene.Redo(document)) throw HostFailure("undo: the host had no step to redo");
  compare(after, "redoing");
}

void AlignmentSession::Finish() {
  objects_.ReadBack();
  if (ownRun_) run_.Finish();
}

}  // namespace kcommand

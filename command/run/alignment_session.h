#pragma once
// A scene loaded into a plug-in run, and presses of the tool's align buttons on it
// with given settings, as a user in the host would make them.

#include <array>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "axis_choice.h"
#include "description_layout.h"
#include "plugin_run.h"
#include "scene_in_host.h"
#include "scene_model.h"

namespace kcommand {

struct AlignmentPress {
  size_t reference;              // index in ListObjects
  std::optional<size_t> object;  // set: the one-object button; unset: the selection button
  std::array<AxisChoice, 3> axes;
};

class AlignmentSession {
 public:
  // Throws InputError for a scene the host cannot hold, HostFailure when the plug-in
  // does not start.
  AlignmentSession(const std::string& pluginFolder, SceneFile& scene, const std::string& fileName,
                   std::ostream* console);
  // A session in a run other sessions share (one plug-in load for many files); Finish
  // then reads the objects back and leaves the run open.
  AlignmentSession(PluginRun& run, SceneFile& scene, const std::string& fileName);

  PluginRun& run() { return run_; }
  SceneInHost& objects() { return objects_; }
  khost::Host& host() { return run_.host(); }
  const khost::RegisteredTool& Tool() const { return run_.Tool(); }
  // The tool's settings for presses in this scene's document.
  HostContainer* Settings() { return run_.Settings(objects_.Document()); }
  // The panel the tool registered; null when it registered none.
  const khost::DescriptionLayout* Panel();
  bool IsControlEnabled(int32_t controlId);

  // Links setting `settingId` to the object at `index` (ListObjects order).
  void LinkObject(int32_t settingId, size_t index);
  void WriteAxis(int axis, const AxisChoice& choice);
  std::optional<AxisChoice> ReadAxis(int axis);

  // Writes the press's links and axis settings into the tool's settings, then presses.
  // Throws HostFailure naming the objects when the press left placements that are not
  // finite (values too large to place), which no file can hold.
  void Press(const AlignmentPress& press);
  // A press of `buttonId` with the settings as they are, as the host delivers it; the
  // tool's answer.
  int32_t PressButton(int32_t buttonId);
  // One step of the document's undo or redo; false when there is none.
  bool Undo();
  bool Redo();

  // Undoes the latest step and checks every object is back where `before` says, then
  // redoes it and checks every object is where `after` says. Throws HostFailure naming
  // what differs. `stepsBefore`: undo steps the document held before the press.
  void CheckOneUndoStep(size_t stepsBefore, const std::vector<HostPlacement>& before,
                        const std::vector<HostPlacement>& after);

  // Reads the objects back into the scene and finishes the run (see PluginRun::Finish)
  // when the session owns it.
  void Finish();
  // Ends the run the session owns without reading back; what the plug-in left behind,
  // one line each (see PluginSession::Finish).
  std::vector<std::string> End();

  // Paths of the objects at these indices, quoted, the first few and a count of the rest.
  std::string NamesOf(const std::vector<size_t>& indices) const;

 private:
  // "object 'A'" or "objects 'A', 'B/C' and 3 more objects".

  std::unique_ptr<PluginRun> ownRun_;
  PluginRun& run_;
  SceneInHost objects_;
  std::string fileName_;
};

}  // namespace kcommand

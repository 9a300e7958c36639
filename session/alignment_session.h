#pragma once
// A scene loaded into a plug-in run, and presses of the tool's align buttons on it
// with given settings, as a user in the host would make them.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "axis_choice.h"
#include "description_layout.h"
#include "frame_boxes.h"
#include "input_error.h"
#include "object_names.h"
#include "placement_frame.h"
#include "plugin_loading.h"
#include "press_explanation.h"
#include "scene_in_host.h"
#include "scene_model.h"

namespace kcommand {

struct AlignmentPress {
  // Index in ListObjects, or kSelectionBox: a temporary object whose box is the union of
  // the selected objects' boxes in world axes, there only for the press.
  size_t reference;
  std::optional<size_t> object;  // set: the one-object button; unset: the selection button
  std::array<AxisChoice, 3> axes;
  Placement placement{};
};

// The order Distribute spaced the objects in (ListObjects indices, lowest first) and the
// gap it left between neighbouring boxes.
struct Distribution {
  std::vector<size_t> order;
  double gap = 0;
};

// What a press or a workflow did, as a user reads it.
struct PressResult {
  std::vector<size_t> moved;          // objects whose placement changed, ListObjects order
  std::vector<std::string> opened;    // files the tool asked the host to open
  std::vector<std::string> messages;  // messages the tool showed
  // "2 objects moved", or "nothing moved: " and why.
  std::string summary;
};

// A press or workflow refused because it would leave placements that are not finite
// (values too large to place); the document is as it was before it.
class PlacementsNotFinite : public HostFailure {
 public:
  using HostFailure::HostFailure;
};

// What is said when a press moved nothing though its settings gave no reason not to.
inline constexpr const char* kAlreadyInPlace = "every object to align is already in place";
// What is said when outside the tool's frame the only object to move is the reference.
inline constexpr const char* kOnlyTheReferenceSelected =
    "only the reference is selected, and it stays where it is";
inline constexpr const char* kObjectIsTheReference =
    "the object to align is the reference, which stays where it is";

// The tool's settings as they stood, set aside while another document's are in the
// tool's one container: each entry as stored, a link by the object it named (its index
// in ListObjects).
struct KeptSetting {
  khost::Containers::Entry entry;
  std::optional<size_t> linked;
};
using KeptSettings = std::map<int32_t, KeptSetting>;

// What PressAsGroup did.
enum class GroupPress {
  kNoMembers,   // nothing to move: no press
  kPlainPress,  // one member: pressed as the one-object button
  kGroup,       // the members moved as one rigid body
};

// Workflows built from the tool's own presses (Stack, PressAsGroup, a press against the
// selection's box) each make one undo step: they run inside one outer undo group, which
// the tool's own groups nest in. A workflow that fails partway undoes what it did, so the
// document is as it was. The temporary objects they make (a group, the selection's box)
// live only in the host's document for the workflow: they are never among objects(),
// and so never reach a written file, a listing or the view.
class AlignmentSession {
 public:
  // Throws InputError for a scene the host cannot hold, HostFailure when the plug-in
  // does not start.
  AlignmentSession(const std::string& pluginFolder, SceneModel& scene, const std::string& fileName,
                   std::ostream* console);
  // A session in a run other sessions share (one plug-in load for many files); Finish
  // then reads the objects back and leaves the run open.
  AlignmentSession(khost::PluginSession& plugin, SceneModel& scene, const std::string& fileName);

  khost::PluginSession& plugin() { return plugin_; }
  SceneInHost& objects() { return objects_; }
  khost::Host& host() { return plugin_.host(); }
  const khost::RegisteredTool& Tool() const { return *plugin_.Tool(); }
  // The tool's settings for presses in this scene's document.
  HostContainer* Settings() { return plugin_.Settings(objects_.Document()); }
  // The panel the tool registered; null when it registered none.
  const khost::DescriptionLayout* Panel();
  bool IsControlEnabled(int32_t controlId);
  // The object's index in ListObjects; none for an object that is not the scene's.
  std::optional<size_t> IndexOf(HostObject* object);

  // Links setting `settingId` to the object at `index` (ListObjects order).
  void LinkObject(int32_t settingId, size_t index);
  KeptSettings KeepSettings();
  // Empties the settings, then writes `kept` (none: the tool's own defaults) into them.
  void RestoreSettings(const std::optional<KeptSettings>& kept);
  void WriteAxis(int axis, const AxisChoice& choice);
  std::optional<AxisChoice> ReadAxis(int axis);

  // How presses of the tool's own buttons (PressButton) show the objects: the world
  // frame unless set.
  // InputError for a gap in the tool's frame.
  void SetPlacement(const Placement& placement) {
    RequireGapInBoxFrame(placement, fileName_);
    placement_ = placement;
  }
  const Placement& placement() const { return placement_; }

  // Writes the press's links and axis settings into the tool's settings, then presses.
  // In the world and reference frames the tool is pressed on boxes standing for the
  // objects (see PlacementFrame), the reference is never moved, and the press is one
  // undo step; InputError for a gap that turns the reference's box inside out, or any
  // gap in the tool's frame, which has no box of its own to grow. Throws
  // PlacementsNotFinite naming the objects, the press undone, when it would leave
  // placements that are not finite (values too large to place). A reference of
  // kSelectionBox presses against the selection's box, in one undo step; InputError
  // when nothing is selected.
  void Press(const AlignmentPress& press);
  // A stack: objects[0] against `reference` with the one-object button, then each next
  // object against the one before, with the same axes and placement; one undo step. Throws
  // InputError before any press when the stack is empty, names the reference or one object twice;
  // HostFailure (after undoing every press made) when a press fails or leaves a
  // placement that is not finite.
  void Stack(size_t reference, const std::vector<size_t>& objects,
             const std::array<AxisChoice, 3>& axes, const Placement& placement = {});
  // The members moved as one rigid body against `reference`: a temporary object whose
  // box is the union of the members' boxes in world axes is pressed with the one-object
  // button, and every member is carried along as if it were its child (its world matrix
  // keeps its place in the temporary object's frame), then the temporary object is
  // removed. One undo step. Throws InputError when a member is the reference,
  // HostFailure when the union is not finite (nothing is pressed) or the press fails.
  // In the world frame the group moves without turning; in the reference's it turns
  // to the reference's orientation, its members with it.
  GroupPress PressAsGroup(size_t reference, const std::vector<size_t>& members,
                          const std::array<AxisChoice, 3>& axes, const Placement& placement = {});
  // Even spacing along `axis` (0, 1, 2) of the objects' world boxes: sorted by their low
  // face, each placed outside against the one before (a chain of presses, one undo
  // step), with the same gap between every two neighbours. Without `gap` the two
  // outermost stay and the gap is what evens the span out; with it the lowest stays and
  // every other follows at that gap. Nothing is pressed for fewer than three objects
  // (an empty order). InputError for an object named twice, or a gap that is not finite.
  Distribution Distribute(const std::vector<size_t>& objects, int axis, std::optional<double> gap);
  // The selected objects (ListObjects order), as the host holds the selection.
  std::vector<size_t> Selection() const;
  void Select(size_t index, bool selected);
  // The host's id of an object: a number that names it for as long as the document
  // stands, for a front end that hands objects to a page.
  uint64_t ObjectId(size_t index);
  size_t UndoSteps();
  size_t RedoSteps();

  // What the plug-in printed on the console, and the messages it showed ({text, kind}).
  const std::vector<std::string>& ConsoleLines();
  std::vector<std::pair<std::string, int32_t>> Messages();
  // Where the files go that the tool asks the host to open (the help page).
  void OpenFilesWith(std::function<void(const std::string& path)> open);

  // While on, every press records why each object it moved ended where it did (from the
  // host's call trace) in Explanations().
  void Explain(bool on) { explain_ = on; }
  const std::vector<PlacementExplanation>& Explanations() const { return explanations_; }
  void ClearExplanations() { explanations_.clear(); }

  // A press of `buttonId` with the settings as they are, as the host delivers it; the
  // tool's answer. Throws HostFailure when the tool answers false, and as
  // RequireFinitePlacements does (the press undone first).
  int32_t PressButton(int32_t buttonId);
  // Why a press of `buttonId` with the settings as they are would move nothing (not an
  // align button, no reference, no axis, nothing selected or linked, or in the world
  // and reference frames only the reference itself); empty when it may move something.
  std::string WhyNothingWillMove(int32_t buttonId);
  // Runs `press` (a button press or a workflow) and reports what it moved, opened and
  // showed; with `checkUndo`, also makes the undo check of CheckOneUndoStep when anything
  // moved. `whyIdle` is said when nothing moved (empty: kAlreadyInPlace).
  PressResult Observe(const std::function<void()>& press, bool checkUndo,
                      const std::string& whyIdle);
  // One step of the document's undo or redo; false when there is none.
  bool Undo();
  bool Redo();

  // Undoes the latest step and checks every object is back where `before` says, then
  // redoes it and checks every object is where `after` says. Throws HostFailure naming
  // what differs. `stepsBefore`: undo steps the document held before the press.
  void CheckOneUndoStep(size_t stepsBefore, const std::vector<HostPlacement>& before,
                        const std::vector<HostPlacement>& after);

  // Reads the objects back into the scene and finishes the run (see FinishCleanly)
  // when the session owns it.
  void Finish();
  // Ends the run the session owns without reading back; what the plug-in left behind,
  // one line each (see PluginSession::Finish).
  std::vector<std::string> End();

  // Throws PlacementsNotFinite naming the objects whose placement the host can no
  // longer represent (values too large: infinite or NaN), which no scene file can hold.
  void RequireFinitePlacements();

  // Paths of the objects at these indices, quoted, the first few and a count of the rest:
  // "object 'A'" or "objects 'A', 'B/C' and 3 more objects".
  std::string NamesOf(const std::vector<size_t>& indices) const;

 private:
  class Workflow;
  class TemporaryObject;
  // One press of the button for `object` (null: the selection) against `reference`,
  // recording explanations when asked.
  // In `document`, or the scene's when null.
  void PressOn(HostObject* reference, HostObject* object, const std::array<AxisChoice, 3>& axes,
               HostDocument* document = nullptr);
  void PressAgainstSelectionBox(const AlignmentPress& press);
  // The object to press against for `reference`; makes the selection's box into `box`.
  HostObject* ReferenceObject(size_t reference, std::unique_ptr<TemporaryObject>& box);
  // A temporary object whose box is the union of these objects' boxes in world axes;
  // throws HostFailure when the union is not finite.
  std::unique_ptr<TemporaryObject> UnionBox(const std::vector<size_t>& members, std::string name);
  // RequireFinitePlacements after a press, undoing the press first when it failed, so
  // that the document is as it was before it.
  void RequireFinitePress(size_t stepsBefore);
  [[noreturn]] void RefuseNotFinite(const std::vector<size_t>& lost) const;
  // An object's path, or what a temporary object stands for.
  std::string PathOf(HostObject* object);

  // The boxes presses in the world and reference frames show the tool: objects of a
  // document of their own, made once and kept for the next press, so that the tool's
  // press on them leaves nothing in the scene's document and its undo.
  struct FrameBoxes {
    HostDocument* document = nullptr;
    std::vector<HostObject*> boxes;  // [0] the reference's; the others the moved objects'
    size_t selected = 0;             // boxes[1..selected] are selected
  };
  // The press of `press` in the world or reference frame, `reference` the object pressed
  // against (a scene object, or the selection's box).
  void PressInFrame(HostObject* reference, const AlignmentPress& press);
  // The box `reference` shows in `placement`'s frame, along `turn`, grown by its gaps.
  FrameBox ReferenceBox(HostObject* reference, const std::optional<HostMatrix>& turn,
                        const std::array<AxisChoice, 3>& axes, const Placement& placement);
  // The axes a press against `reference` measures along: none for world axes.
  std::optional<HostMatrix> TurnFor(HostObject* reference, PlacementFrame frame);
  // Presses the tool on a box for each of `moved` against `reference`, then moves each
  // object by what the tool did to its box (turned to `turn` when given). Inside a
  // Workflow; `moved` parents before children.
  void PressBoxes(const FrameBox& reference, const std::string& referenceName,
                  const std::optional<HostMatrix>& turn, const std::vector<HostObject*>& moved,
                  const std::array<AxisChoice, 3>& axes);

  std::unique_ptr<khost::PluginSession> ownPlugin_;
  Placement placement_{};
  FrameBoxes frameBoxes_;
  khost::PluginSession& plugin_;
  SceneInHost objects_;
  std::string fileName_;
  bool explain_ = false;
  std::vector<PlacementExplanation> explanations_;
  // What the temporary objects of the workflow in progress stand for.
  std::vector<std::pair<HostObject*, std::string>> temporaryNames_;
  // Index in ListObjects of each object, made when an explanation first names one.
  std::unordered_map<HostObject*, size_t> indexOf_;
};

}  // namespace kcommand

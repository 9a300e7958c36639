#pragma once
// A scene as the Python module holds it: opened from a file the command reads, or built
// object by object, then put into a host document on first use and pressed there. Every
// placement comes from the host; the module only carries values in and out.
//
// Objects are named by their place in the tree (child indices from the top level down),
// which adding more objects never changes.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <variant>
#include <vector>

#include "alignment_session.h"
#include "loaded_plugin.h"
#include "placement_frame.h"
#include "scene_document.h"
#include "scene_model.h"
#include "tool_panel.h"

namespace kpython {

using TreePlace = std::vector<size_t>;

struct NewObject {
  std::string name;
  std::optional<TreePlace> parent;
  std::optional<HostMatrix> local;  // none: the identity
  std::optional<kcommand::Vector3> boxCentre;
  kcommand::Vector3 halfSizes{0, 0, 0};
  bool selected = false;
};

// Where an object added in bulk goes: under an earlier object of the same call by its
// index (-1: the top level), or under an object the document holds already.
using BulkParent = std::variant<int64_t, TreePlace>;

// Objects added in one call, in call order. Each list but `names` is one entry an object,
// or empty for the default: all at the top level, no box centre, points, none selected.
struct NewObjects {
  std::vector<std::string> names;
  std::vector<BulkParent> parents;
  std::vector<HostMatrix> locals;  // in the parent's frame
  std::vector<kcommand::Vector3> boxCentres;
  std::vector<kcommand::Vector3> halfSizes;
  std::vector<uint8_t> selected;
};

// A panel control's value: none (an empty link or nothing stored), a choice's value id,
// a flag, or a linked object.
using ControlValue = std::variant<std::monostate, int32_t, bool, TreePlace>;

struct PressOutcome {
  int32_t answer = 0;
  std::string summary;                // what moved, or why nothing did
  std::vector<TreePlace> moved;       // objects whose placement changed, in walk order
  std::vector<std::string> opened;    // files the tool asked the host to open
  std::vector<std::string> messages;  // messages the tool showed
};

class Document {
 public:
  // The scene file at `path`, read as the command reads it.
  Document(std::shared_ptr<LoadedPlugin> plugin, const std::string& path,
           kcommand::BoxPlacement boxes);
  // An empty scene; `name` is what messages call it.
  Document(std::shared_ptr<LoadedPlugin> plugin, std::string name);
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  const std::string& Name() const { return name_; }
  LoadedPlugin& Plugin() { return *plugin_; }

  // Throws InputError, changing nothing, when the parent is not an object of this
  // document, a value is not finite, a half size is negative, the parent holds an object
  // of that name already, or the document holds presses to undo.
  TreePlace Add(const NewObject& object);
  // Adds them all as Add would one by one, or, refusing any of them, none; the new
  // objects' places in call order. Checks names and values once for the call, not per
  // object against the whole tree.
  std::vector<TreePlace> AddObjects(NewObjects objects);
  std::vector<TreePlace> Objects();
  size_t Count() { return Session().objects().Count(); }
  // By name or path, as the command's options resolve them.
  TreePlace Find(const std::string& name);
  // Throws InputError for a place that holds no object.
  const kcommand::SceneObject& Model(const TreePlace& place);
  std::string Path(const TreePlace& place);
  HostMatrix World(const TreePlace& place);
  // Each one's world matrix, as World gives it, in the order given.
  std::vector<HostMatrix> Worlds(const std::vector<const TreePlace*>& places);
  HostMatrix Local(const TreePlace& place);
  HostVector HalfSizes(const TreePlace& place);
  bool Selected(const TreePlace& place);
  void SetSelected(const TreePlace& place, bool selected);

  kcommand::ToolPanel& Panel();
  // Throws InputError for an id the panel lacks or a value of the wrong kind.
  ControlValue Control(int32_t id);
  void SetControl(int32_t id, const ControlValue& value);
  std::optional<kcommand::AxisChoice> Axis(int axis);
  void SetAxis(int axis, const kcommand::AxisChoice& choice);

  // The panel button whose label is `label`, in any case; InputError naming the buttons
  // there are otherwise.
  int32_t Button(const std::string& label);
  // Throws HostFailure when the tool does not answer the press or leaves a placement
  // that is not finite; with `checkUndo`, also when one undo does not put every object
  // back (see AlignmentSession::CheckOneUndoStep).
  PressOutcome Press(int32_t buttonId, bool checkUndo, const kcommand::Placement& placement);
  // The session layer's workflows, with the reference the settings link and their axes;
  // each is one undo step, and what it moved is reported as for a press. InputError when
  // no reference is linked, or as the session layer refuses the objects.
  //
  // A stack: objects[0] on the reference, each next one on the one before.
  PressOutcome Stack(const std::vector<TreePlace>& objects, bool checkUndo,
                     const kcommand::Placement& placement);
  // The members (none: the selection) moved as one rigid body.
  PressOutcome PressAsGroup(const std::optional<std::vector<TreePlace>>& members, bool checkUndo,
                            const kcommand::Placement& placement);
  // "Align selected" against the selection's own box instead of the reference.
  PressOutcome PressAgainstSelection(bool checkUndo, const kcommand::Placement& placement);
  // Even spacing of the objects (none: the selection) along `axis`: see
  // AlignmentSession::Distribute. Fewer than three move nothing and say so.
  PressOutcome Distribute(int axis, const std::optional<std::vector<TreePlace>>& objects,
                          std::optional<double> gap, bool checkUndo);
  // How presses show the objects when they do not say: the world frame, no gap, unless
  // set. InputError for a gap in the tool's frame.
  const kcommand::Placement& DefaultPlacement() const { return placement_; }
  void SetDefaultPlacement(const kcommand::Placement& placement);
  bool Undo();
  bool Redo();
  size_t UndoSteps();
  size_t RedoSteps();

  // Writes the scene, in the format it was read in (a built one: the format the name's
  // extension asks for), whole or not at all.
  void Save(const std::string& path);

 private:
  kcommand::AlignmentSession& Session();
  // Throws InputError, starting with `adding`, when the document holds presses to undo.
  void RequireNoPresses(const std::string& adding);
  // Drops the host document, to be built again with the scene as it is on next use.
  void Unbuild();
  // The world matrix the host holds for the object at `index`, whose model is `model`.
  HostMatrix WorldOf(size_t index, const kcommand::SceneObject& model);
  // Runs `press` (a button press, or a workflow of the session layer's made of presses)
  // and reports what it moved, opened and showed, the undo check made when asked.
  // `answer` is read once the press has run.
  PressOutcome Observed(const std::function<void()>& press, const std::string& whyIdle,
                        bool checkUndo, const int32_t& answer);
  // Why a workflow with these axes would move nothing; empty when it may.
  static std::string WhyIdle(const std::array<kcommand::AxisChoice, 3>& axes);
  kcommand::SceneObject& ModelOf(const TreePlace& place);
  // The world matrix of the object at `place` as the model gives it, before any press.
  HostMatrix ModelWorld(const TreePlace& place);
  // The object the settings link as the reference (ListObjects index), and the axes.
  size_t LinkedReference();
  std::array<kcommand::AxisChoice, 3> SettingsAxes();
  HostContainer* Settings();
  size_t IndexOf(const TreePlace& place);
  TreePlace PlaceOf(size_t index);
  HostObject* HostOf(const TreePlace& place) { return Session().objects().Object(IndexOf(place)); }
  void KeepSettings();
  void RestoreSettings(HostContainer* settings);
  void WriteFileSettings();

  std::shared_ptr<LoadedPlugin> plugin_;
  std::string name_;
  std::unique_ptr<kcommand::SceneDocument> file_;  // none for a scene built in memory
  kcommand::SceneModel built_;
  kcommand::Placement placement_{};
  kcommand::SceneModel& scene_;
  std::unique_ptr<kcommand::AlignmentSession> session_;
  std::unique_ptr<kcommand::ToolPanel> panel_;  // over session_
  // The tree by ListObjects index while the session stands, in flat lists rather than a
  // place and a map entry an object: each object's parent (kTopLevel for none) and its
  // place among its siblings, and the indices of each one's children (node 0: the top
  // level's, node i + 1: object i's) from childrenStart_[node] on.
  static constexpr size_t kTopLevel = SIZE_MAX;
  std::vector<size_t> parentOf_;
  std::vector<size_t> siblingNumber_;
  std::vector<size_t> childrenStart_;
  std::vector<size_t> childIndices_;
  // The names under each parent that objects were added to (the top level: {}), so that
  // adding checks a name without reading every sibling.
  std::map<TreePlace, std::unordered_set<std::string>> siblingNames_;
  // Set aside while another document's settings are in the tool's container: none
  // until they were first there. Links are kept by place, which survives the document
  // being built again with more objects.
  std::optional<kcommand::KeptSettings> kept_;
  std::map<int32_t, TreePlace> keptLinks_;
  bool fileSettingsWritten_ = false;
};

}  // namespace kpython

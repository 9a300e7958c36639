#pragma once
// The host side of `kestrum view`: one plug-in run with the scene in a host document
// and the tool's settings container, turned into the requests a page makes (select,
// set a control, press a button, undo, redo, save). The scene is answered once in full
// (Scene) and after that as what changed (see view_frame.h and docs/view.md). Every
// call belongs on the plug-in thread.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "alignment_session.h"
#include "scene_model.h"
#include "tool_panel.h"
#include "view_frame.h"

namespace kcommand {

// A request that names no object or control, or asks for what cannot be done: answered
// with 400 and the message, having changed nothing.
class ViewRequestError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How the view writes the scene back to `path`, in the format the file was read in.
using SceneTextWriter = std::function<std::string(const SceneModel&, const std::string& path)>;

class ViewState {
 public:
  // Loads the plug-in and builds the scene; the file's tool settings (reference, object,
  // axes) go into the tool's settings. Throws InputError or HostFailure as align does.
  ViewState(const std::string& pluginFolder, SceneModel scene, std::string sceneFile,
            std::optional<std::string> output, SceneTextWriter writer);
  ~ViewState();

  // Each object's mesh (ListObjects order) among the meshes the server serves; State()
  // names it per object.
  void SetObjectMeshes(std::vector<std::optional<size_t>> meshOfObject);

  // Everything, objects and all, as JSON: the readable form, changing nothing.
  nlohmann::json State();
  // The first load: each object's id, name, path, parent and mesh once, the placements
  // and sizes as arrays, and the rest of the state. Later answers are changes from it.
  ViewFrame Scene();

  // Each checks the whole request first (ViewRequestError) and only then changes the
  // host; all answer what changed since the last answer (Changes).
  // {"objects": [id, ...], "add": bool}: replaces the selection, or adds to it.
  ViewFrame Select(const nlohmann::json& request);
  // {"control": id, "value": v}: a link takes an object id or null, a choice one of its
  // value ids, a flag true or false.
  ViewFrame Set(const nlohmann::json& request);
  // {"control": id}: a button press, delivered to the tool's message handler.
  ViewFrame Press(const nlohmann::json& request);
  // {"objects": [id, ...]}: a stack (AlignmentSession::Stack), the first object on the
  // linked reference, each next one on the one before, with the panel's axes; one undo
  // step. The page sends the selection in the order it was picked.
  ViewFrame Stack(const nlohmann::json& request);
  // {"objects": [id, ...]} (none: the selection): the objects moved as one rigid body
  // against the linked reference (AlignmentSession::PressAsGroup); one undo step.
  ViewFrame Group(const nlohmann::json& request);
  // {}: "align selected" against the selected objects' common box instead of the
  // reference, with the panel's axes; one undo step.
  ViewFrame AgainstSelection(const nlohmann::json& request);
  // {"frame": "world" | "reference" | "tool", "gap": G or [x, y, z]}: how every later
  // press and workflow shows the objects to the tool (PlacementFrame); either may be
  // left out. Beside the tool's panel, not in it: the panel is the plug-in's.
  ViewFrame SetPlacement(const nlohmann::json& request);
  // {"axis": "x" | "y" | "z", "objects": [id, ...] (none: the selection), "gap": G
  // (none: even)}: even spacing (AlignmentSession::Distribute); one undo step.
  ViewFrame Distribute(const nlohmann::json& request);
  ViewFrame Undo();
  ViewFrame Redo();
  // {"confirm": bool}: writes the scene to the output, or over the scene file when
  // there is no output and the user confirmed it.
  ViewFrame Save(const nlohmann::json& request);

  // The content of the n-th page the tool asked the host to open.
  std::optional<std::string> OpenedPage(size_t index) const;

  // Ends the plug-in run; every problem it left, one line each (see PluginSession).
  std::vector<std::string> Finish();

 private:
  size_t ObjectIndex(const nlohmann::json& id) const;
  // The panel the tool registered; ViewRequestError when there is none.
  ToolPanel& Panel() const;
  // The control the request's "control" names; ViewRequestError when there is none.
  const khost::DescriptionElement& ControlOf(const nlohmann::json& request) const;
  nlohmann::json PanelState();
  // The request's "objects" ids; none given: the selection, unless `required`.
  std::vector<size_t> RequestObjects(const nlohmann::json& request, bool required) const;
  std::array<AxisChoice, 3> PanelAxes();
  // The object the panel links as the reference; ViewRequestError when none is.
  size_t LinkedReference();
  // Runs a workflow of the session's and answers what it changed; the page's status
  // says what it moved, or `whyIdle` (when set) if nothing.
  ViewFrame Workflow(const char* name, const std::function<void()>& workflow,
                     const std::string& whyIdle);
  // The state without the objects: file, tool, panel, undo and redo, what the tool said.
  nlohmann::json Summary();
  // The objects that moved (their placements), the selection's changes and the
  // summary, since the last Scene() or Changes().
  ViewFrame Changes();
  // What the host holds now (its placements' fingerprints, and the selection) becomes
  // what the page was last told.
  void Sent(std::vector<uint64_t> placements);

  SceneModel scene_;
  std::string sceneFile_;
  std::optional<std::string> output_;
  SceneTextWriter writer_;
  std::unique_ptr<AlignmentSession> session_;
  std::unique_ptr<ToolPanel> panel_;  // none when the tool registered no panel
  std::vector<std::string> openedPages_;
  std::vector<std::optional<size_t>> meshOfObject_;
  nlohmann::json lastPress_;
  // As of the last answer: each object's placement fingerprint and selection.
  std::vector<uint64_t> sentPlacements_;
  std::vector<bool> sentSelection_;
  // A selection of thousands looks each id up once.
  std::unordered_map<uint64_t, size_t> indexOfId_;
  bool finished_ = false;
};

}  // namespace kcommand

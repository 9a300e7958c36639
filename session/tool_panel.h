#pragma once
// The panel the tool registered, as every front end shows and sets it: its controls as
// data, a control's value read and written by id, the tool settings a scene file
// carries applied to it, and the panel written out in the one JSON form the command's
// `info --json`, the view and the Python module share (docs/panel.md).
//
// A linked object is named by its index in ListObjects order; each front end turns that
// into its own handle.

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <variant>

#include "alignment_session.h"
#include "description_layout.h"
#include "scene_model.h"

namespace kcommand {

struct LinkedObject {
  size_t index;  // in ListObjects order
  bool operator==(const LinkedObject&) const = default;
};

// None (an empty link), a choice's value id, a flag, or a linked object.
using PanelValue = std::variant<std::monostate, int32_t, bool, LinkedObject>;

// The panel's controls without a document: what `info --json` and a loaded plug-in show.
nlohmann::ordered_json PanelJson(const khost::DescriptionLayout& layout);

class ToolPanel {
 public:
  // Throws HostFailure when the tool registered no panel.
  explicit ToolPanel(AlignmentSession& session);

  const khost::DescriptionLayout& Layout() const { return layout_; }
  // Throws InputError naming the id when the panel has no such control.
  const khost::DescriptionElement& Control(int32_t id) const;
  // The button labelled `label`, in any case; InputError naming the buttons otherwise.
  const khost::DescriptionElement& Button(const std::string& label) const;

  // Throws InputError for a button.
  PanelValue Value(int32_t id);
  // Throws InputError, changing nothing, for a button or a value of the wrong kind.
  void Set(int32_t id, const PanelValue& value);

  // The reference, object and axes a scene file's "tool" settings give; a name is
  // resolved as the command's options resolve it (InputError when it names none).
  void Apply(const ToolSettings& tool);
  // The panel's reference, object (by path) and axes, as a scene file carries them.
  ToolSettings Current();

  // The panel with each control's value and whether it is enabled; `linked` writes a
  // linked object as the front end names it.
  nlohmann::ordered_json Json(const std::function<nlohmann::ordered_json(size_t)>& linked);

 private:
  AlignmentSession& session_;
  const khost::DescriptionLayout& layout_;
};

}  // namespace kcommand

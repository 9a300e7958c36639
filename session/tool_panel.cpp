#include "tool_panel.h"

#include <algorithm>
#include <cctype>

#include "input_error.h"
#include "kestrum_settings.h"

namespace kcommand {
namespace {

using nlohmann::ordered_json;

std::string Lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Named(const khost::DescriptionElement& control) {
  return "control " + std::to_string(control.id) + " (" + control.label + ")";
}

ordered_json ControlJson(const khost::DescriptionElement& control) {
  ordered_json values = ordered_json::array();
  for (const khost::ChoiceValue& value : control.values)
    values.push_back({{"id", value.id}, {"name", value.name}, {"label", value.label}});
  return {{"id", control.id},
          {"name", control.name},
          {"kind", khost::ElementKindName(control.kind)},
          {"label", control.label},
          {"default", control.defaultValue},
          {"values", std::move(values)}};
}

// The panel's groups, each control written by `control`.
ordered_json GroupsJson(
    const khost::DescriptionLayout& layout,
    const std::function<void(const khost::DescriptionElement&, ordered_json&)>& control) {
  ordered_json groups = ordered_json::array();
  for (const khost::DescriptionGroup& group : layout.groups) {
    ordered_json controls = ordered_json::array();
    for (const khost::DescriptionElement& element : group.elements) {
      controls.push_back(ControlJson(element));
      if (control) control(element, controls.back());
    }
    groups.push_back({{"label", group.label}, {"controls", std::move(controls)}});
  }
  return {{"name", layout.name}, {"groups", std::move(groups)}};
}

const khost::DescriptionLayout& RegisteredPanel(AlignmentSession& session) {
  const khost::DescriptionLayout* layout = session.Panel();
  if (layout == nullptr)
    throw HostFailure("the tool '" + session.Tool().name + "' registered no panel");
  return *layout;
}

}  // namespace

ordered_json PanelJson(const khost::DescriptionLayout& layout) { return GroupsJson(layout, {}); }

ToolPanel::ToolPanel(AlignmentSession& session)
    : session_(session), layout_(RegisteredPanel(session)) {}

const khost::DescriptionElement& ToolPanel::Control(int32_t id) const {
  const khost::DescriptionElement* control = layout_.Element(id);
  if (control == nullptr) throw InputError("the panel has no control " + std::to_string(id));
  return *control;
}

const khost::DescriptionElement& ToolPanel::Button(const std::string& label) const {
  std::string buttons;
  for (const khost::DescriptionGroup& group : layout_.groups)
    for (const khost::DescriptionElement& control : group.elements) {
      if (control.kind != khost::ElementKind::kButton) continue;
      if (Lowered(control.label) == Lowered(label)) return control;
      buttons += (buttons.empty() ? "'" : ", '") + Lowered(control.label) + "'";
    }
  throw InputError("the panel has no button '" + label + "' (its buttons: " + buttons + ")");
}

PanelValue ToolPanel::Value(int32_t id) {
  const khost::DescriptionElement& control = Control(id);
  HostContainer* settings = session_.Settings();
  khost::Containers& containers = session_.host().containers();
  switch (control.kind) {
    case khost::ElementKind::kLink: {
      HostObject* linked = containers.GetObjectLink(settings, id, session_.objects().Document(),
                                                    control.acceptsKind);
      if (const std::optional<size_t> index = linked ? session_.IndexOf(linked) : std::nullopt)
        return LinkedObject{*index};
      return std::monostate{};
    }
    case khost::ElementKind::kChoice:
      return containers.GetInt(settings, id, control.defaultValue);
    case khost::ElementKind::kFlag: {
      const std::optional<khost::Containers::Entry> stored = containers.Get(settings, id);
      return stored && stored->kind == khost::Containers::Kind::kBool ? stored->truth
                                                                      : control.defaultValue != 0;
    }
    case khost::ElementKind::kButton:
      break;
  }
  throw InputError(Named(control) + " is a button: press it instead");
}

void ToolPanel::Set(int32_t id, const PanelValue& value) {
  const khost::DescriptionElement& control = Control(id);
  HostContainer* settings = session_.Settings();
  khost::Containers& containers = session_.host().containers();
  switch (control.kind) {
    case khost::ElementKind::kLink:
      if (std::holds_alternative<std::monostate>(value)) {
        containers.Remove(settings, id);
      } else if (const LinkedObject* linked = std::get_if<LinkedObject>(&value)) {
        session_.LinkObject(id, linked->index);
      } else {
        throw InputError(Named(control) + " takes an object of the scene, or none to clear it");
      }
      return;
    case khost::ElementKind::kChoice: {
      const int32_t* chosen = std::get_if<int32_t>(&value);
      const auto known = [&](const khost::ChoiceValue& choice) { return choice.id == *chosen; };
      if (chosen == nullptr || std::none_of(control.values.begin(), control.values.end(), known)) {
        std::string ids;
        for (const khost::ChoiceValue& choice : control.values)
          ids += (ids.empty() ? "" : ", ") + std::to_string(choice.id);
        throw InputError(Named(control) + " takes one of its value ids: " + ids);
      }
      containers.SetInt(settings, id, *chosen);
      return;
    }
    case khost::ElementKind::kFlag:
      if (const bool* truth = std::get_if<bool>(&value)) {
        containers.SetBool(settings, id, *truth);
        return;
      }
      throw InputError(Named(control) + " takes true or false");
    case khost::ElementKind::kButton:
      break;
  }
  throw InputError(Named(control) + " is a button: press it instead");
}

void ToolPanel::Apply(const ToolSettings& tool) {
  const std::vector<ObjectEntry>& entries = session_.objects().Entries();
  const std::pair<const std::optional<std::string>*, int32_t> links[] = {
      {&tool.reference, ALIGN_REFERENCE}, {&tool.object, ALIGN_OBJECT}};
  for (const auto& [name, id] : links)
    if (*name) session_.LinkObject(id, ResolveObject(entries, **name));
  for (int axis = 0; axis < 3; ++axis)
    if (const std::optional<AxisChoice>& choice = tool.axes[static_cast<size_t>(axis)])
      session_.WriteAxis(axis, *choice);
}

ToolSettings ToolPanel::Current() {
  ToolSettings tool;
  const auto linkedPath = [&](int32_t id) -> std::optional<std::string> {
    const PanelValue value = Value(id);
    if (const LinkedObject* linked = std::get_if<LinkedObject>(&value))
      return session_.objects().Entries()[linked->index].path;
    return std::nullopt;
  };
  tool.reference = linkedPath(ALIGN_REFERENCE);
  tool.object = linkedPath(ALIGN_OBJECT);
  for (int axis = 0; axis < 3; ++axis)
    tool.axes[static_cast<size_t>(axis)] = session_.ReadAxis(axis);
  return tool;
}

ordered_json ToolPanel::Json(const std::function<ordered_json(size_t)>& linked) {
  return GroupsJson(layout_, [&](const khost::DescriptionElement& control, ordered_json& json) {
    json["enabled"] = session_.IsControlEnabled(control.id);
    if (control.kind == khost::ElementKind::kButton) return;
    const PanelValue value = Value(control.id);
    if (const LinkedObject* object = std::get_if<LinkedObject>(&value))
      json["value"] = linked(object->index);
    else if (const int32_t* choice = std::get_if<int32_t>(&value))
      json["value"] = *choice;
    else if (const bool* flag = std::get_if<bool>(&value))
      json["value"] = *flag;
    else
      json["value"] = nullptr;
  });
}

}  // namespace kcommand

#include "description_layout.h"

#include <cctype>
#include <set>

#include "json_files.h"

namespace khost {

using kestrum::DescribeFormatError;
using kestrum::JsonFormatError;
using kestrum::JsonPath;
using kestrum::ParseJsonText;
using kestrum::RequireInt32;
using kestrum::RequireKnownMembers;
using kestrum::RequireMember;
using kestrum::RequireString;

namespace {

// Object kind a link accepts when the file does not say: plain scene objects.
constexpr int32_t kDefaultLinkKind = 5155;

bool IsConstantName(const std::string& name) {
  if (name.empty() || !std::isupper(static_cast<unsigned char>(name[0]))) return false;
  for (const char c : name)
    if (!std::isupper(static_cast<unsigned char>(c)) &&
        !std::isdigit(static_cast<unsigned char>(c)) && c != '_')
      return false;
  return true;
}

// Ids and constant names must be unique across the whole panel: a repeated one is
// almost always a copy-and-paste slip that would make two controls write one setting.
class UniqueNames {
 public:
  void Id(int32_t id, const std::string& path) {
    if (!ids_.insert(id).second)
      throw JsonFormatError{path, "the id " + std::to_string(id) + " is used twice"};
  }
  void Name(const std::string& name, const std::string& path) {
    if (!IsConstantName(name))
      throw JsonFormatError{path, "\"" + name + "\" is not a constant name (A-Z, 0-9, _)"};
    if (!names_.insert(name).second)
      throw JsonFormatError{path, "the name " + name + " is used twice"};
  }

 private:
  std::set<int32_t> ids_;
  std::set<std::string> names_;
};

ElementKind ParseKind(const nlohmann::json& value, const std::string& path) {
  const std::string& kind = RequireString(value, path, false);
  for (const ElementKind candidate :
       {ElementKind::kLink, ElementKind::kChoice, ElementKind::kButton, ElementKind::kFlag})
    if (kind == ElementKindName(candidate)) return candidate;
  throw JsonFormatError{path, "unknown kind \"" + kind + "\" (link, choice, button or flag)"};
}

ChoiceValue ParseValue(const nlohmann::json& value, const std::string& path, UniqueNames& unique) {
  RequireKnownMembers(value, path, {"id", "name", "label"});
  ChoiceValue choice;
  choice.id = RequireInt32(RequireMember(value, path, "id"), JsonPath(path, "id"));
  unique.Id(choice.id, JsonPath(path, "id"));
  choice.name = RequireString(RequireMember(value, path, "name"), JsonPath(path, "name"), false);
  unique.Name(choice.name, JsonPath(path, "name"));
  choice.label = RequireString(RequireMember(value, path, "label"), JsonPath(path, "label"), false);
  return choice;
}

DescriptionElement ParseElement(const nlohmann::json& value, const std::string& path,
                                UniqueNames& unique) {
  if (!value.is_object()) throw JsonFormatError{path, "an object {...} is expected"};
  DescriptionElement element;
  element.kind = ParseKind(RequireMember(value, path, "kind"), JsonPath(path, "kind"));
  switch (element.kind) {
    case ElementKind::kLink:
      RequireKnownMembers(value, path, {"id", "name", "kind", "label", "accepts"});
      break;
    case ElementKind::kChoice:
      RequireKnownMembers(value, path, {"id", "name", "kind", "label", "values", "default"});
      break;
    case ElementKind::kButton:
      RequireKnownMembers(value, path, {"id", "name", "kind", "label"});
      break;
    case ElementKind::kFlag:
      RequireKnownMembers(value, path, {"id", "name", "kind", "label", "default"});
      break;
  }
  element.id = RequireInt32(RequireMember(value, path, "id"), JsonPath(path, "id"));
  unique.Id(element.id, JsonPath(path, "id"));
  element.name = RequireString(RequireMember(value, path, "name"), JsonPath(path, "name"), false);
  unique.Name(element.name, JsonPath(path, "name"));
  element.label =
      RequireString(RequireMember(value, path, "label"), JsonPath(path, "label"), false);

  if (element.kind == ElementKind::kLink) {
    element.acceptsKind = value.contains("accepts")
                              ? RequireInt32(value["accepts"], JsonPath(path, "accepts"))
                              : kDefaultLinkKind;
  } else if (element.kind == ElementKind::kChoice) {
    const std::string valuesPath = JsonPath(path, "values");
    const nlohmann::json& values = RequireMember(value, path, "values");
    if (!values.is_array() || values.size() < 2)
      throw JsonFormatError{valuesPath, "a list of at least two values is expected"};
    for (size_t i = 0; i < values.size(); ++i)
      element.values.push_back(ParseValue(values[i], JsonPath(valuesPath, i), unique));
    const std::string defaultPath = JsonPath(path, "default");
    element.defaultValue = RequireInt32(RequireMember(value, path, "default"), defaultPath);
    bool listed = false;
    for (const ChoiceValue& choice : element.values)
      listed = listed || choice.id == element.defaultValue;
    if (!listed)
      throw JsonFormatError{defaultPath, std::to_string(element.defaultValue) +
                                             " is not the id of one of the values"};
  } else if (element.kind == ElementKind::kFlag) {
    const std::string defaultPath = JsonPath(path, "default");
    const nlohmann::json& flag = RequireMember(value, path, "default");
    if (!flag.is_boolean()) throw JsonFormatError{defaultPath, "true or false is expected"};
    element.defaultValue = flag.get<bool>() ? 1 : 0;
  }
  return element;
}

}  // namespace

const char* ElementKindName(ElementKind kind) {
  switch (kind) {
    case ElementKind::kLink:
      return "link";
    case ElementKind::kChoice:
      return "choice";
    case ElementKind::kButton:
      return "button";
    case ElementKind::kFlag:
      return "flag";
  }
  return "?";
}

const DescriptionElement* DescriptionLayout::Element(int32_t id) const {
  for (const DescriptionGroup& group : groups)
    for (const DescriptionElement& element : group.elements)
      if (element.id == id) return &element;
  return nullptr;
}

size_t DescriptionLayout::ElementCount() const {
  size_t count = 0;
  for (const DescriptionGroup& group : groups) count += group.elements.size();
  return count;
}

std::optional<DescriptionLayout> ParseDescriptionLayout(const std::string& text,
                                                        const std::string& fileName,
                                                        std::string& error) {
  std::optional<nlohmann::json> document = ParseJsonText(text, fileName, error);
  if (!document) return std::nullopt;
  try {
    RequireKnownMembers(*document, "", {"name", "comment", "groups"});
    DescriptionLayout layout;
    layout.name = RequireString(RequireMember(*document, "", "name"), "/name", false);
    if (document->contains("comment")) RequireString((*document)["comment"], "/comment", true);
    const nlohmann::json& groups = RequireMember(*document, "", "groups");
    if (!groups.is_array() || groups.empty())
      throw JsonFormatError{"/groups", "a non-empty list of groups is expected"};
    UniqueNames unique;
    for (size_t g = 0; g < groups.size(); ++g) {
      const std::string groupPath = JsonPath("/groups", g);
      const nlohmann::json& group = groups[g];
      RequireKnownMembers(group, groupPath, {"label", "elements"});
      DescriptionGroup parsed;
      parsed.label = RequireString(RequireMember(group, groupPath, "label"),
                                   JsonPath(groupPath, "label"), false);
      const std::string elementsPath = JsonPath(groupPath, "elements");
      const nlohmann::json& elements = RequireMember(group, groupPath, "elements");
      if (!elements.is_array() || elements.empty())
        throw JsonFormatError{elementsPath, "a non-empty list of elements is expected"};
      for (size_t e = 0; e < elements.size(); ++e)
        parsed.elements.push_back(ParseElement(elements[e], JsonPath(elementsPath, e), unique));
      layout.groups.push_back(std::move(parsed));
    }
    return layout;
  } catch (const JsonFormatError& wrong) {
    error = DescribeFormatError(fileName, wrong);
    return std::nullopt;
  }
}

}  // namespace khost

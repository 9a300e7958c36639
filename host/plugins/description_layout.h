#pragma once
// The settings panel a plug-in describes in res/description/<name>.json (format in
// docs/resource-formats.md): groups of elements, each with an id, a constant name, a
// kind, a label and, for choices and flags, a default.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace khost {

enum class ElementKind : int32_t { kLink = 1, kChoice = 2, kButton = 3, kFlag = 4 };

const char* ElementKindName(ElementKind kind);

struct ChoiceValue {
  int32_t id = 0;
  std::string name;
  std::string label;
};

struct DescriptionElement {
  int32_t id = 0;
  std::string name;
  ElementKind kind = ElementKind::kButton;
  std::string label;
  std::vector<ChoiceValue> values;  // choices only
  int32_t defaultValue = 0;         // choices: a value id; flags: 0 or 1; else 0
  int32_t acceptsKind = 0;          // links: the object kind the link accepts
};

struct DescriptionGroup {
  std::string label;
  std::vector<DescriptionElement> elements;
};

struct DescriptionLayout {
  std::string name;
  std::vector<DescriptionGroup> groups;

  // The element with this id, in any group, or null.
  const DescriptionElement* Element(int32_t id) const;
  size_t ElementCount() const;
};

// Parses and checks a description file's text (read from `fileName`, which errors
// name). On failure returns nullopt with `error` giving the file, the position or JSON
// path, and what is wrong.
std::optional<DescriptionLayout> ParseDescriptionLayout(const std::string& text,
                                                        const std::string& fileName,
                                                        std::string& error);

}  // namespace khost

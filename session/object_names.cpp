#include "object_names.h"

#include "input_error.h"
#include "name_pattern.h"

namespace kcommand {

ObjectNames::ObjectNames(SceneModel& scene, std::string fileName)
    : scene_(scene), fileName_(std::move(fileName)) {}

const std::vector<ObjectEntry>& ObjectNames::Entries() {
  if (!entries_) entries_ = ListObjects(scene_);
  return *entries_;
}

size_t ObjectNames::One(const std::string& what, const std::string& name) {
  if (!entries_)
    if (const std::optional<size_t> found = FindByName(scene_, name)) return *found;
  try {
    return ResolveObject(Entries(), name);
  } catch (const InputError& error) {
    throw InputError(fileName_ + ": " + what + ": " + error.what());
  }
}

size_t ObjectNames::Reference(const std::string& what, const std::string& name) {
  return name == kSelectionReference ? kSelectionBox : One(what, name);
}

std::vector<size_t> ObjectNames::Matching(const std::string& what, const std::string& name) {
  if (!IsNamePattern(name)) return {One(what, name)};
  std::vector<size_t> matches;
  const std::vector<ObjectEntry>& entries = Entries();
  for (size_t i = 0; i < entries.size(); ++i)
    if (MatchesNamePattern(name, entries[i])) matches.push_back(i);
  if (matches.empty())
    throw InputError(fileName_ + ": " + what + ": no object's path matches '" + name + "'" +
                     (name.find('/') == std::string::npos
                          ? " (a pattern without / matches the last part of a path)"
                          : ""));
  return matches;
}

}  // namespace kcommand

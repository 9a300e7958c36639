#include "name_pattern.h"

#include <fnmatch.h>

namespace kcommand {

bool IsNamePattern(const std::string& text) {
  return text.find_first_of("*?[") != std::string::npos;
}

bool MatchesNamePattern(const std::string& pattern, const ObjectEntry& entry) {
  // Without FNM_PATHNAME, '*' and '?' match '/' too.
  const auto matches = [&](const std::string& text) {
    return fnmatch(pattern.c_str(), text.c_str(), 0) == 0;
  };
  if (pattern.find('/') != std::string::npos) return matches(entry.path);
  const SceneObject& object = *entry.object;
  return matches(object.name) || (object.alias && matches(*object.alias));
}

}  // namespace kcommand

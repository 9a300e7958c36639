#pragma once
// Patterns for objects (--select 'Box*'), following the rules of names: a pattern without
// '/' matches the last part of a path (an object's name, or its alias such as "#12"), as
// a plain name does wherever the object is; one with '/' matches the whole path from the
// top level, and '*' there also crosses '/' ('Engine/*' reaches Engine/Block/Bolt).

#include <string>

#include "scene_model.h"

namespace kcommand {

// The text holds '*', '?' or '[': a pattern rather than a name.
bool IsNamePattern(const std::string& text);

bool MatchesNamePattern(const std::string& pattern, const ObjectEntry& entry);

}  // namespace kcommand

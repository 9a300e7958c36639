// Patterns follow the name rules: without '/' the last part of the path (name or alias),
// with '/' the whole path, '*' crossing '/'.

#include "name_pattern.h"

#include <gtest/gtest.h>

namespace kcommand {
namespace {

SceneObject Object(const std::string& name, std::vector<SceneObject> children = {},
                   const char* alias = nullptr) {
  SceneObject object;
  object.name = name;
  object.children = std::move(children);
  if (alias) object.alias = std::string(alias);
  return object;
}

TEST(NamePattern, MatchesAsNamesAndPathsDo) {
  SceneModel scene;
  scene.objects = {Object("Engine", {Object("Block", {Object("Bolt")}), Object("#12", {}, "#12")}),
                   Object("Gear", {}, "#7"), Object("Box1"), Object("Shelf", {Object("Box2")})};
  const std::vector<ObjectEntry> entries = ListObjects(scene);
  const auto matched = [&](const std::string& pattern) {
    std::string paths;
    for (const ObjectEntry& entry : entries)
      if (MatchesNamePattern(pattern, entry)) paths += (paths.empty() ? "" : " ") + entry.path;
    return paths;
  };
  const std::pair<const char*, const char*> cases[] = {
      {"Box*", "Box1 Shelf/Box2"},  // the name, at any depth
      {"B?lt", "Engine/Block/Bolt"},
      {"[BG]*", "Engine/Block Engine/Block/Bolt Gear Box1 Shelf/Box2"},
      {"#1*", "Engine/#12"},  // an alias: the name an unnamed glTF node goes by
      {"#7", "Gear"},
      {"Engine/*", "Engine/Block Engine/Block/Bolt Engine/#12"},  // '*' crosses '/'
      {"*/Bolt", "Engine/Block/Bolt"},
      {"Engine/B*", "Engine/Block Engine/Block/Bolt"},
      {"Block/*", ""},  // a path starts at the top level
      {"Eng*ne/Block", "Engine/Block"},
      {"Nothing*", ""},
  };
  for (const auto& [pattern, expected] : cases) EXPECT_EQ(expected, matched(pattern)) << pattern;
  EXPECT_TRUE(IsNamePattern("Box*"));
  EXPECT_FALSE(IsNamePattern("Table/Top"));
}

}  // namespace
}  // namespace kcommand

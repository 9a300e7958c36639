// Names, paths, patterns and @selection, resolved once for every front end, with the
// messages that name the file and what asked.

#include "object_names.h"

#include <gtest/gtest.h>

#include "input_error.h"

namespace kcommand_test {
namespace {

using kcommand::ObjectNames;
using kcommand::SceneModel;
using kcommand::SceneObject;

SceneObject Named(const std::string& name) {
  SceneObject object;
  object.name = name;
  return object;
}

SceneModel Room() {
  SceneObject shelf = Named("Shelf");
  shelf.children = {Named("Book1"), Named("Book2")};
  SceneModel scene;
  scene.objects = {Named("Table"), shelf, Named("Book1")};
  return scene;
}

TEST(ObjectNames, EachWayOfNamingFindsItsObjects) {
  SceneModel scene = Room();
  ObjectNames names(scene, "room.json");
  // Index order: Table 0, Shelf 1, Shelf/Book1 2, Shelf/Book2 3, Book1 4.
  EXPECT_EQ(names.One("--object", "Table"), 0u);
  EXPECT_EQ(names.One("--object", "Shelf/Book1"), 2u);
  EXPECT_EQ(names.Reference("--reference", "@selection"), kcommand::kSelectionBox);
  EXPECT_EQ(names.Reference("--reference", "Shelf"), 1u);
  EXPECT_EQ(names.Matching("--select", "Book?"), (std::vector<size_t>{2, 3, 4}));
  EXPECT_EQ(names.Matching("--select", "Shelf/*"), (std::vector<size_t>{2, 3}));
  EXPECT_EQ(names.Matching("--select", "Table"), (std::vector<size_t>{0}));
}

TEST(ObjectNames, WhatNamesNoneOrSeveralIsRefusedWithTheFileAndTheOption) {
  const std::pair<std::string, std::string> refused[] = {
      {"Lamp", "room.json: --object: no object is named 'Lamp'"},
      {"Book1", "room.json: --object: "},  // two answer: give the path instead
      {"Lamp*", "room.json: --object: no object's path matches 'Lamp*' (a pattern without /"},
  };
  for (const auto& [name, message] : refused) {
    SceneModel scene = Room();
    ObjectNames names(scene, "room.json");
    try {
      names.Matching("--object", name);
      ADD_FAILURE() << name << " resolved";
    } catch (const kcommand::InputError& error) {
      EXPECT_TRUE(std::string(error.what()).starts_with(message)) << error.what();
    }
  }
}

}  // namespace
}  // namespace kcommand_test

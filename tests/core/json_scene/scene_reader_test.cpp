// Reading scene files: defaults, nesting and named parents, names and paths, and every
// kind of bad input with the place it is reported at.

#include "scene_reader.h"

#include <gtest/gtest.h>

#include <ostream>

#include "input_error.h"
#include "scene_quick_reader.h"
#include "scene_writer.h"
#include "temp_folder.h"

namespace kcommand {
namespace {

std::string ErrorOf(const std::string& text) {
  try {
    ParseSceneText(text, "scene.json");
  } catch (const InputError& error) {
    return error.what();
  }
  return "<no error>";
}

TEST(SceneReader, FillsDefaultsAndKeepsGivenValues) {
  SceneModel scene = ParseSceneText(R"({
    "objects": [
      { "name": "Plain" },
      { "name": "Placed", "position": [1, -2.5, 3], "rotation": [90, 0, -45],
        "scale": [2, 2, 0.5], "halfSize": [4, 0, 6], "selected": true }
    ],
    "tool": { "reference": "Plain", "y": "minus:outside" }
  })",
                                    "scene.json");
  ASSERT_EQ(2u, scene.objects.size());
  const SceneObject& plain = scene.objects[0];
  EXPECT_EQ((Vector3{0, 0, 0}), plain.position);
  EXPECT_EQ((Vector3{0, 0, 0}), plain.rotationDegrees);
  EXPECT_EQ((Vector3{1, 1, 1}), plain.scale);
  EXPECT_EQ((Vector3{0, 0, 0}), plain.halfSize);
  EXPECT_FALSE(plain.selected);
  const SceneObject& placed = scene.objects[1];
  EXPECT_EQ((Vector3{1, -2.5, 3}), placed.position);
  EXPECT_EQ((Vector3{90, 0, -45}), placed.rotationDegrees);
  EXPECT_EQ((Vector3{2, 2, 0.5}), placed.scale);
  EXPECT_EQ((Vector3{4, 0, 6}), placed.halfSize);
  EXPECT_TRUE(placed.selected);
  EXPECT_EQ("/objects/1", SourceOf(scene, ListObjects(scene), 1));
  EXPECT_EQ("Plain", scene.tool.reference.value_or(""));
  EXPECT_FALSE(scene.tool.object.has_value());
  EXPECT_FALSE(scene.tool.axes[0].has_value());
  EXPECT_EQ((AxisChoice{AxisMode::kMinus, AxisSide::kOutside}), scene.tool.axes[1]);
}

TEST(SceneReader, MovesObjectsUnderTheParentTheyNameAfterItsOwnChildren) {
  SceneModel scene = ParseSceneText(R"({ "objects": [
      { "name": "Cup", "parent": "Shelf", "children": [ { "name": "Spoon" } ] },
      { "name": "Room", "children": [ { "name": "Shelf", "children": [ { "name": "Plate" } ] } ] },
      { "name": "Saucer", "parent": "Plate" }
    ] })",
                                    "scene.json");
  const std::vector<ObjectEntry> objects = ListObjects(scene);
  std::vector<std::string> paths;
  for (const ObjectEntry& entry : objects) paths.push_back(entry.path);
  const std::vector<std::string> expected{
      "Room",           "Room/Shelf",          "Room/Shelf/Plate", "Room/Shelf/Plate/Saucer",
      "Room/Shelf/Cup", "Room/Shelf/Cup/Spoon"};
  EXPECT_EQ(expected, paths);
  EXPECT_EQ(1u, objects[4].parent.value_or(99));
  // Messages name each object where the file lists it, wherever it now sits.
  const std::vector<std::string> sources{
      "/objects/1", "/objects/1/children/0", "/objects/1/children/0/children/0", "/objects/2",
      "/objects/0", "/objects/0/children/0"};
  for (size_t i = 0; i < objects.size(); ++i)
    EXPECT_EQ(sources[i], SourceOf(scene, objects, i)) << objects[i].path;
}

class SceneNames : public ::testing::Test {
 protected:
  SceneModel scene = ParseSceneText(R"({ "objects": [
      { "name": "Leg" },
      { "name": "Table", "children": [ { "name": "Leg" }, { "name": "Top" } ] },
      { "name": "Twin", "children": [ { "name": "Part" }, { "name": "Part" } ] }
    ] })",
                                    "scene.json");
  std::vector<ObjectEntry> objects = ListObjects(scene);

  std::string ErrorResolving(const std::string& name) {
    try {
      ResolveObject(objects, name);
    } catch (const InputError& error) {
      return error.what();
    }
    return "<no error>";
  }
};

TEST_F(SceneNames, AUniqueNameOrAFullPathFindsOneObject) {
  EXPECT_EQ(3u, ResolveObject(objects, "Top"));
  EXPECT_EQ(2u, ResolveObject(objects, "Table/Leg"));
  EXPECT_EQ(3u, ResolveObject(objects, "Table/Top"));
  // Finding by name without the list gives the same index, or leaves it to the list.
  for (const char* name : {"Top", "Table", "Twin"})
    EXPECT_EQ(ResolveObject(objects, name), FindByName(scene, name)) << name;
  for (const char* name : {"Leg", "Part", "Chair", "Table/Top"})
    EXPECT_EQ(std::nullopt, FindByName(scene, name)) << name;
}

TEST_F(SceneNames, RepeatedNamesAndUnknownNamesAreRefused) {
  EXPECT_EQ(
      "the name 'Leg' is ambiguous: 2 objects answer to it (Leg, Table/Leg); give the path "
      "instead",
      ErrorResolving("Leg"));
  EXPECT_EQ("the path 'Twin/Part' is ambiguous: 2 objects have it; rename one of them",
            ErrorResolving("Twin/Part"));
  EXPECT_EQ("no object is named 'Chair'", ErrorResolving("Chair"));
  EXPECT_EQ("no object has the path 'Top/Table'", ErrorResolving("Top/Table"));
  // A path starts at the top level.
  EXPECT_EQ("no object has the path 'Leg/Table'", ErrorResolving("Leg/Table"));
}

// `message` is the whole message, or for problems worded by the JSON and schema
// libraries the part up to their wording, which must then mention `detail`.
struct BadScene {
  const char* what;
  std::string text;
  std::string message;
  std::string detail = {};
};
// Names the case when a test fails, instead of dumping its bytes (some of which, in
// padding and strings, were never written).
void PrintTo(const BadScene& value, std::ostream* out) { *out << value.what; }

class SceneReaderRefuses : public ::testing::TestWithParam<BadScene> {};

TEST_P(SceneReaderRefuses, NamingTheFileThePlaceAndTheProblem) {
  const BadScene& bad = GetParam();
  const std::string error = ErrorOf(bad.text);
  if (bad.detail.empty()) {
    EXPECT_EQ(bad.message, error) << bad.what;
  } else {
    EXPECT_EQ(bad.message, error.substr(0, bad.message.size())) << bad.what << ": " << error;
    EXPECT_NE(std::string::npos, error.find(bad.detail, bad.message.size()))
        << bad.what << ": " << error;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SceneReaderRefuses,
    ::testing::Values(
        // The brace after the stray comma is on line 2, column 18.
        BadScene{"syntax", "{ \"objects\": [\n  { \"name\": \"A\", } ] }",
                 "scene.json:2:18: invalid JSON: ", "unexpected '}'"},
        BadScene{"empty file", "", "scene.json:1:1: invalid JSON: ", "end of input"},
        BadScene{"not a number literal",
                 "{ \"objects\": [ { \"name\": \"A\", \"scale\": [NaN, 1, 1] } ] }",
                 "scene.json:1:41: invalid JSON: ", "invalid literal"},
        // 1e999 starts at column 41 of line 1.
        BadScene{"number too large",
                 "{ \"objects\": [ { \"name\": \"A\", \"scale\": [1e999, 1, 1] } ] }",
                 "scene.json:1:41: the number 1e999 is not finite (too large for a 64-bit double)"},
        BadScene{"missing objects", "{ \"tool\": {} }",
                 "scene.json: /: does not follow the scene schema: ", "objects"},
        BadScene{"short vector", "{ \"objects\": [ { \"name\": \"A\", \"position\": [1, 2] } ] }",
                 "scene.json: /objects/0/position: does not follow the scene schema: ", "3"},
        BadScene{"unknown field", "{ \"objects\": [ { \"name\": \"A\", \"colour\": \"red\" } ] }",
                 "scene.json: /objects/0: does not follow the scene schema: ", "colour"},
        BadScene{"negative half size",
                 "{ \"objects\": [ { \"name\": \"A\", \"children\": [ { \"name\": \"B\", "
                 "\"halfSize\": [1, 0, -0.5] } ] } ] }",
                 "scene.json: /objects/0/children/0/halfSize/2: object 'B' has a negative half "
                 "size z (zero, a flat box, is the least)"},
        BadScene{"parent cycle",
                 "{ \"objects\": [ { \"name\": \"A\", \"parent\": \"C\" }, { \"name\": \"B\", "
                 "\"parent\": \"A\" }, { \"name\": \"C\", \"parent\": \"B\" } ] }",
                 "scene.json: /objects/0/parent: the parents form a cycle: A -> C -> B -> A"},
        BadScene{"parent inside its own child",
                 "{ \"objects\": [ { \"name\": \"A\", \"parent\": \"Inner\", \"children\": [ "
                 "{ \"name\": \"Inner\" } ] } ] }",
                 "scene.json: /objects/0/parent: the parents form a cycle: A -> Inner -> A"},
        BadScene{"own parent", "{ \"objects\": [ { \"name\": \"A\", \"parent\": \"A\" } ] }",
                 "scene.json: /objects/0/parent: the parents form a cycle: A -> A"},
        BadScene{"unknown parent", "{ \"objects\": [ { \"name\": \"A\", \"parent\": \"Z\" } ] }",
                 "scene.json: /objects/0/parent: no object is named 'Z'"},
        BadScene{"ambiguous parent",
                 "{ \"objects\": [ { \"name\": \"P\" }, { \"name\": \"P\" }, { \"name\": \"A\", "
                 "\"parent\": \"P\" } ] }",
                 "scene.json: /objects/2/parent: the parent name 'P' is ambiguous: 2 objects have "
                 "it, and a parent must be named uniquely"},
        BadScene{"unknown tool reference",
                 "{ \"objects\": [ { \"name\": \"A\" } ], \"tool\": { \"reference\": \"B\" } }",
                 "scene.json: /tool/reference: no object is named 'B'"},
        BadScene{"ambiguous tool object",
                 "{ \"objects\": [ { \"name\": \"A\" }, { \"name\": \"A\" } ], \"tool\": { "
                 "\"object\": \"A\" } }",
                 "scene.json: /tool/object: the name 'A' is ambiguous: 2 objects answer to it (A, "
                 "A); give the path instead"},
        BadScene{"slash in a name", "{ \"objects\": [ { \"name\": \"a/b\" } ] }",
                 "scene.json: /objects/0/name: does not follow the scene schema: ", "pattern"},
        BadScene{"bad axis text",
                 "{ \"objects\": [ { \"name\": \"A\" } ], \"tool\": { \"z\": \"up\" } }",
                 "scene.json: /tool/z: does not follow the scene schema: ", "pattern"}));

TEST(SceneFileReading, AFolderIsNotAScene) {
  khost_test::TempFolder folder;
  try {
    ReadSceneFile(folder.Path());
    ADD_FAILURE() << "no error";
  } catch (const InputError& error) {
    EXPECT_EQ(folder.Path() + ": is a folder, not a scene file", std::string(error.what()));
  }
}

TEST(SceneFileReading, AMissingFileIsNamed) {
  khost_test::TempFolder folder;
  const std::string path = folder.Path() + "/absent.json";
  try {
    ReadSceneFile(path);
    ADD_FAILURE() << "no error";
  } catch (const InputError& error) {
    EXPECT_EQ(path + ": cannot open the scene file (missing or unreadable)",
              std::string(error.what()));
  }
}

}  // namespace
}  // namespace kcommand

namespace kcommand {
namespace {

// The quick reader either gives the scene the checking reader gives, or leaves the file
// to it; either way the result, scene or message, is the same. Each case is one a quick
// reader could easily get wrong.
std::string ReadResult(const std::string& text, SceneReading reading) {
  try {
    return SceneToText(ParseSceneText(text, "scene.json", reading));
  } catch (const InputError& error) {
    return std::string("error: ") + error.what();
  }
}

class BothReaders : public testing::TestWithParam<const char*> {};

TEST_P(BothReaders, GiveTheSameSceneOrTheSameMessage) {
  const std::string text = GetParam();
  EXPECT_EQ(ReadResult(text, SceneReading::kCheckedOnly),
            ReadResult(text, SceneReading::kQuickFirst));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BothReaders,
    testing::Values(
        R"({"objects": [{"name": "A", "halfSize": [1, 2, 3]}], "version": 1})",
        // Children before the object's own fields, and several levels of them.
        R"({"objects": [{"children": [{"name": "B", "children": [{"name": "C"}]}], "name": "A"}]})",
        R"({"objects": [{"name": "A", "position": [-0, -0.0, 0.0]}]})",
        R"({"objects": [{"name": "A", "position": [1e308, 4.9e-324, 123456789012345678901234567890]}]})",
        R"({"objects": [{"name": "A", "position": [9007199254740993, -9223372036854775808, 18446744073709551615]}]})",
        R"({"objects": [{"name": "A", "name": "B"}]})",
        R"({"objects": [{"name": "A"}], "objects": []})",
        R"({"objects": [{"name": "A\u0042"}, {"name": "\ud800"}]})",
        R"({"objects": [{"name": "tab\tnewline\\n"}]})", R"({"objects": [{"name": "A"}]} x)",
        R"({"objects": [{"name": "A", "position": [1, 2]}]})",
        R"({"objects": [{"name": "A", "position": [1, 2, 3, 4]}]})",
        R"({"objects": [{"name": "A/B"}]})", R"({"objects": [{"name": ""}]})",
        R"({"objects": [{"name": "A", "selected": 1}]})",
        R"({"objects": [{"name": "A", "extra": 1}]})",
        R"({"objects": [{"name": "A", "children": [{"name": "B", "parent": "A"}]}]})",
        R"({"objects": [{"name": "A"}, {"name": "B", "parent": "A"}, {"name": "C", "parent": "B"}]})",
        R"({"objects": [{"name": "A", "parent": "B"}, {"name": "B", "parent": "A"}]})",
        R"({"objects": [{"name": "A", "halfSize": [1, -1, 1]}]})",
        R"({"objects": [{"name": "A", "boxCenter": [1, -2, 0.5]}, {"name": "B", "boxCenter": [0, 0, 0]}]})",
        R"({"objects": [{"name": "A", "boxCenter": [1, 2]}]})",
        R"({"version": 1.0, "objects": []})", R"({"version": 2, "objects": []})",
        R"({"objects": [{"name": "A"}], "tool": {"reference": "A", "x": "plus:outside", "y": "centre"}})",
        R"({"objects": [{"name": "A"}], "tool": {"reference": "A", "z": "minus", "object": ""}})",
        R"({"objects": [{"name": "A"}], "tool": {"reference": "Nobody"}})", R"([{"name": "A"}])",
        R"({"objects": [{"name": "A", "position": [1, 2, 3]})"));

TEST(QuickSceneReader, TakesAPlainSceneAndNestingUpToTheLimit) {
  QuickScene read;
  std::string plain =
      R"({"objects": [{"name": "A", "position": [1, 2.5, 3e2], "children": [{"name": "B"}]}]})";
  EXPECT_TRUE(ReadWellFormedScene(plain, read));
  ASSERT_EQ(1u, read.scene.objects.size());
  EXPECT_EQ("/objects/0/children/0", SourceOf(read.scene, ListObjects(read.scene), 1));
  // Text that opens the 512th level is read; one level more is the checking reader's.
  const auto nested = [](size_t objectLevels) {
    std::string text = R"({"objects": [)";
    for (size_t level = 1; level < objectLevels; ++level) text += R"({"name": "A", "children": [)";
    text += R"({"name": "A", "position": [1, 2, 3]})";
    for (size_t level = 1; level < objectLevels; ++level) text += "]}";
    return text + "]}";
  };
  std::string deepest = nested(255);  // its vector at level 512
  std::string deeper = nested(256);
  EXPECT_TRUE(ReadWellFormedScene(deepest, read));
  EXPECT_FALSE(ReadWellFormedScene(deeper, read));
  EXPECT_EQ(ReadResult(nested(256), SceneReading::kCheckedOnly),
            ReadResult(nested(256), SceneReading::kQuickFirst));
}

}  // namespace
}  // namespace kcommand

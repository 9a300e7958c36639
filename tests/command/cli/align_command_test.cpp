// kestrum align on JSON scenes: the shipped examples, every kind of bad input (message,
// exit status 2, no output written or changed), outputs written all or none, the undo
// check and the picture's boxes.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

TEST_F(CommandRun, AlignsEveryShippedExampleWithItsOwnSettings) {
  for (const char* example : {"demo.json", "stack-selected.json", "centre-in-room.json",
                              "shelf-corner.json", "parent-by-name.json"}) {
    const Outcome run = Kestrum({"align", Example(example), "-o", "out.json", "--undo"});
    EXPECT_EQ(0, run.status) << example << ": " << run.err;
    EXPECT_NE(std::string::npos, run.out.find("aligned scene written to out.json")) << example;
    EXPECT_NE(std::string::npos, run.out.find("undoing it put all")) << example;
    // The result is itself a valid scene, and aligning it again moves nothing.
    const Outcome again = Kestrum({"align", "out.json"});
    EXPECT_EQ(0, again.status) << example << ": " << again.err;
    EXPECT_EQ("nothing moved\n", again.out) << example;
  }
}

// Half sizes and places chosen so every expected coordinate is exact.
TEST_F(CommandRun, WritesTheAlignedPlacesAndPrintsWhatMoved) {
  folder.Write("shelf.json", kShelfScene);
  const Outcome table =
      Kestrum({"align", "shelf.json", "--reference", "Shelf", "--selected", "--x", "plus:outside",
               "--y", "minus", "--z", "center", "--frame", "tool"});
  ASSERT_EQ(0, table.status) << table.err;
  // Only the box moved: x 10 + 4 + 1, y 20 - 5 + 2, z 30.
  EXPECT_NE(std::string::npos, table.out.find("Box")) << table.out;
  EXPECT_EQ(std::string::npos, table.out.find("Other")) << table.out;
  EXPECT_NE(std::string::npos, table.out.find("15.000,    17.000,    30.000)")) << table.out;
  // The box took the shelf's frame: its turn about Y is gone, and the table says so.
  EXPECT_NE(std::string::npos,
            table.out.find("(    0.000,    90.000,     0.000)  (    0.000,     0.000,     0.000)"))
      << table.out;
  const Outcome unturned = Kestrum(
      {"align", "shelf.json", "--reference", "Shelf", "--object", "Other", "--x", "center"});
  ASSERT_EQ(0, unturned.status) << unturned.err;
  EXPECT_EQ(std::string::npos, unturned.out.find("world rotation")) << unturned.out;

  ASSERT_EQ(0, Kestrum({"align", "shelf.json", "--reference", "Shelf", "--x", "plus:outside", "--y",
                        "minus", "--z", "center", "--frame", "tool", "-o", "out.json"})
                   .status);
  const nlohmann::json written = nlohmann::json::parse(Contents(Path("out.json")));
  const nlohmann::json& box = written["objects"][1];
  EXPECT_EQ("Box", box["name"]);
  EXPECT_EQ(nlohmann::json({15, 17, 30}), box["position"]);
  EXPECT_EQ(nlohmann::json({0, 0, 0}), box["rotation"]);
  EXPECT_EQ(nlohmann::json({50, 50, 50}), written["objects"][2]["position"]);
  EXPECT_EQ("plus:outside", written["tool"]["x"]);
}

// The count of moved objects takes in those a moved parent carries, however it is found:
// from placements kept for the undo check, or from their fingerprints alone.
TEST_F(CommandRun, CountsTheObjectsAParentCarries) {
  folder.Write("carried.json", R"({ "objects": [ { "name": "Shelf", "halfSize": [4, 5, 6] },
    { "name": "Box", "position": [-3, 7, 1.5], "halfSize": [1, 1, 1], "selected": true,
      "children": [ { "name": "Lid", "position": [0, 1, 0] } ] },
    { "name": "Other", "position": [50, 50, 50] } ] })");
  folder.Write("shelf.json", kShelfScene);
  const std::vector<std::string> align = {"align", "--reference", "Shelf", "--x", "plus:outside"};
  for (const std::vector<std::string>& more :
       {std::vector<std::string>{"carried.json", "-o", "out.json"},
        {"carried.json", "-o", "out.json", "--undo"},
        {"carried.json", "shelf.json", "-o", "out/"}}) {
    std::vector<std::string> arguments = align;
    arguments.insert(arguments.end(), more.begin(), more.end());
    const Outcome run = Kestrum(arguments);
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("(2 of 4 objects moved)")) << run.out;
  }
}

TEST_F(CommandRun, TheOneObjectButtonMovesOnlyThatObject) {
  folder.Write("shelf.json", kShelfScene);
  const Outcome run = Kestrum({"align", "shelf.json", "--reference", "Shelf", "--object", "Other",
                               "--y", "plus:outside", "-o", "out.json"});
  ASSERT_EQ(0, run.status) << run.err;
  const nlohmann::json written = nlohmann::json::parse(Contents(Path("out.json")));
  // x and z keep the offset from the shelf; y: 20 + 5 + 1.
  EXPECT_EQ(nlohmann::json({50, 26, 50}), written["objects"][2]["position"]);
  EXPECT_EQ(nlohmann::json({-3, 7, 1.5}), written["objects"][1]["position"]);
}

struct BadInput {
  const char* what;
  std::string scene;  // written as bad.json unless empty
  std::vector<std::string> arguments;
  std::string message;
};
// Names the case when a test fails, instead of dumping its bytes (some of which, in
// padding and strings, were never written).
void PrintTo(const BadInput& value, std::ostream* out) { *out << value.what; }

class CommandRefuses : public CommandRun, public ::testing::WithParamInterface<BadInput> {};

// Objects nested through children, `levels` deep: 100,000 levels once crashed the
// command through recursion.
std::string NestedScene(size_t levels) {
  std::string text = "{\"objects\": [";
  for (size_t i = 0; i < levels; ++i) text += "{\"name\": \"A\", \"children\": [";
  for (size_t i = 0; i < levels; ++i) text += "]}";
  return text + "]}";
}

// Flat objects, each naming the one before as its parent: a chain `links` long.
std::string ParentChainScene(size_t links) {
  std::string text = "{\"objects\": [{\"name\": \"L0\"}";
  for (size_t i = 1; i < links; ++i)
    text += ", {\"name\": \"L" + std::to_string(i) + "\", \"parent\": \"L" + std::to_string(i - 1) +
            "\"}";
  return text + "]}";
}

TEST_P(CommandRefuses, WithExitStatusTwoAMessageAndNoOutput) {
  const BadInput& bad = GetParam();
  if (!bad.scene.empty()) folder.Write("bad.json", bad.scene);
  folder.Write("kept.json", "previous output");
  std::vector<std::string> arguments = bad.arguments;
  for (const char* extra : {"-o", "kept.json", "--picture", "picture.svg"})
    arguments.push_back(extra);
  const Outcome run = Kestrum(arguments);
  EXPECT_EQ(2, run.status) << bad.what << ": " << run.err;
  EXPECT_NE(std::string::npos, run.err.find(bad.message)) << bad.what << ": " << run.err;
  EXPECT_EQ("previous output", Contents(Path("kept.json"))) << bad.what;
  EXPECT_FALSE(std::filesystem::exists(Path("picture.svg"))) << bad.what;
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    (void)entry;
    ++files;
  }
  // kept.json, the two captured streams and bad.json when there is one.
  EXPECT_EQ(bad.scene.empty() ? 3u : 4u, files) << bad.what;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, CommandRefuses,
    ::testing::Values(
        BadInput{"invalid JSON",
                 "{ \"objects\": [ { \"name\": \"A\" ] }",
                 {"align", "bad.json", "--reference", "A"},
                 "kestrum: bad.json:1:30: invalid JSON: "},
        BadInput{"schema violation",
                 R"({ "objects": [ { "name": "A", "halfSize": [1, 2, "3"] } ] })",
                 {"align", "bad.json", "--reference", "A"},
                 "kestrum: bad.json: /objects/0/halfSize/2: does not follow the scene schema"},
        BadInput{"unknown name",
                 R"({ "objects": [ { "name": "A" } ] })",
                 {"align", "bad.json", "--reference", "B"},
                 "kestrum: bad.json: --reference: no object is named 'B'"},
        BadInput{
            "ambiguous name",
            R"({ "objects": [ { "name": "A" }, { "name": "G", "children": [ { "name": "A" } ] } ] })",
            {"align", "bad.json", "--reference", "G", "--object", "A"},
            "kestrum: bad.json: --object: the name 'A' is ambiguous: 2 objects answer to it "
            "(A, G/A); give the path instead"},
        BadInput{"non-finite number",
                 R"({ "objects": [ { "name": "A", "position": [0, -1e400, 0] } ] })",
                 {"align", "bad.json", "--reference", "A"},
                 "kestrum: bad.json:1:47: the number -1e400 is not finite"},
        BadInput{
            "non-finite world matrix",
            R"({ "objects": [ { "name": "A", "scale": [1e200, 1, 1], "children": [ { "name": "B", "position": [1e200, 0, 0] } ] } ] })",
            {"align", "bad.json", "--reference", "A"},
            "kestrum: bad.json: /objects/0/children/0: object 'A/B' ends up with a world "
            "matrix that is not finite"},
        BadInput{"nesting beyond the limit",
                 NestedScene(100000),
                 {"align", "bad.json", "--reference", "A"},
                 "kestrum: bad.json:1:6899: arrays and objects nest deeper than 512 levels"},
        BadInput{"parent chain beyond the limit",
                 ParentChainScene(100000),
                 {"align", "bad.json", "--reference", "L0"},
                 "kestrum: bad.json: /objects/255: object 'L255' lies 256 levels deep"},
        BadInput{"negative half size",
                 R"({ "objects": [ { "name": "A", "halfSize": [-1, 0, 0] } ] })",
                 {"align", "bad.json", "--reference", "A"},
                 "kestrum: bad.json: /objects/0/halfSize/0: object 'A' has a negative half size x"},
        BadInput{
            "cycle",
            R"({ "objects": [ { "name": "A", "parent": "B" }, { "name": "B", "parent": "A" } ] })",
            {"align", "bad.json", "--reference", "A"},
            "kestrum: bad.json: /objects/0/parent: the parents form a cycle: A -> B -> A"},
        BadInput{"missing file",
                 "",
                 {"align", "absent.json", "--reference", "A"},
                 "kestrum: absent.json: cannot open the scene file (missing or unreadable)"},
        BadInput{"no reference",
                 R"({ "objects": [ { "name": "A" } ] })",
                 {"align", "bad.json"},
                 "kestrum: bad.json: no reference object"},
        BadInput{"bad axis option",
                 R"({ "objects": [ { "name": "A" } ] })",
                 {"align", "bad.json", "--reference", "A", "--y", "up"},
                 "kestrum: --y: 'up' is not MODE[:SIDE]"},
        BadInput{"both targets",
                 R"({ "objects": [ { "name": "A" } ] })",
                 {"align", "bad.json", "--reference", "A", "--selected", "--object", "A"},
                 "--selected excludes --object"},
        BadInput{"unknown option", "", {"align", "x.json", "--sideways"}, "--sideways"},
        BadInput{"missing plug-in folder",
                 R"({ "objects": [ { "name": "A" } ] })",
                 {"align", "bad.json", "--reference", "A", "--plugin", "/nonexistent/kestrum"},
                 "kestrum: /nonexistent/kestrum: no such plug-in folder"}));

// A run that fails after reading its scene, in the press or on the way out, leaves every
// output as it was: a file that existed keeps its content, no new file appears.
TEST_F(CommandRun, ARunThatFailsLateWritesNoneOfItsOutputs) {
  struct Case {
    const char* what;
    std::vector<std::string> arguments;
    int status;
    std::string message;
  };
  // Aligning onto the positive face of a box reaching past the largest double: the
  // moved object's position overflows.
  folder.Write("huge.json", R"({ "objects": [
    { "name": "Ref", "position": [1e308, 0, 0], "halfSize": [1e308, 1, 1] },
    { "name": "B", "halfSize": [1, 1, 1] } ] })");
  const Case cases[] = {
      {"placement overflows",
       {"align", "huge.json", "--reference", "Ref", "--object", "B", "--x", "plus", "-o",
        "kept.json", "--picture", "new.svg"},
       1,
       "kestrum: failure: huge.json: values too large to place: object 'B' ended up with a "
       "placement that is not finite"},
      {"picture folder missing",
       {"align", Example("demo.json"), "-o", "new.json", "--picture", "/nonexistent/p.svg"},
       2,
       "kestrum: /nonexistent/p.svg: cannot write here: No such file or directory"},
      {"scene folder missing",
       {"align", Example("demo.json"), "-o", "/nonexistent/out.json", "--picture", "new.svg"},
       2,
       "kestrum: /nonexistent/out.json: cannot write here"},
  };
  for (const Case& each : cases) {
    folder.Write("kept.json", "previous output");
    const Outcome run = Kestrum(each.arguments);
    EXPECT_EQ(each.status, run.status) << each.what << ": " << run.err;
    EXPECT_NE(std::string::npos, run.err.find(each.message)) << each.what << ": " << run.err;
    EXPECT_EQ("previous output", Contents(Path("kept.json"))) << each.what;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
      files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ((std::vector<std::string>{"huge.json", "kept.json", "run.err", "run.out"}), files)
        << each.what;
  }
}

// The deepest scenes allowed align, and are written within the limits; also under
// AddressSanitizer, whose larger stack frames make deep recursion fail sooner.
TEST_F(CommandRun, TheDeepestScenesAllowedAlignAndReadBack) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {NestedScene(255), {"--reference", "A/A", "--selected"}},
      {ParentChainScene(255), {"--reference", "L0", "--object", "L254"}}};
  for (const auto& [scene, options] : cases) {
    folder.Write("deep.json", scene);
    std::vector<std::string> arguments{"align", "deep.json", "--x",       "plus",
                                       "-o",    "out.json",  "--picture", "deep.svg"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const Outcome run = Kestrum(arguments);
    EXPECT_EQ(0, run.status) << options[1] << ": " << run.err;
    const Outcome again = Kestrum({"align", "out.json"});
    EXPECT_EQ(0, again.status) << options[1] << ": " << again.err;
    EXPECT_EQ("nothing moved\n", again.out) << options[1];
  }
}

TEST_F(CommandRun, ReplacedFilesKeepTheirPermissionBits) {
  folder.Write("scene.json", kShelfScene);
  for (const std::filesystem::perms mode :
       {std::filesystem::perms(0444), std::filesystem::perms(0600), std::filesystem::perms(0750)}) {
    for (const char* name : {"out.json", "picture.svg"}) {
      folder.Write(name, "old");
      std::filesystem::permissions(Path(name), mode);
    }
    const Outcome run = Kestrum({"align", "scene.json", "--reference", "Shelf", "-o", "out.json",
                                 "--picture", "picture.svg"});
    EXPECT_EQ(0, run.status) << run.err;
    for (const char* name : {"out.json", "picture.svg"}) {
      EXPECT_EQ(mode, std::filesystem::status(Path(name)).permissions()) << name;
      EXPECT_NE("old", Contents(Path(name))) << name;
      std::filesystem::permissions(Path(name), std::filesystem::perms::owner_all);
    }
  }
}

TEST_F(CommandRun, APluginThatDoesNotLoadIsAFailureNotAnInputError) {
  std::filesystem::create_directories(Path("broken"));
  folder.Write("broken/kestrum.cdl", "not a library");
  folder.Write("scene.json", kShelfScene);
  const Outcome run = Kestrum(
      {"align", "scene.json", "--reference", "Shelf", "--plugin", "broken", "-o", "out.json"});
  EXPECT_EQ(1, run.status) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("kestrum: failure: ")) << run.err;
  EXPECT_FALSE(std::filesystem::exists(Path("out.json")));
  EXPECT_EQ(1, Kestrum({"info", "--plugin", "broken"}).status);
}

TEST_F(CommandRun, ThePictureDrawsEachBoxWhereTheSceneSays) {
  folder.Write("shelf.json", kShelfScene);
  const Outcome run =
      Kestrum({"align", "shelf.json", "--reference", "Shelf", "--x", "plus:outside", "--y", "minus",
               "--z", "center", "--frame", "tool", "--picture", "p.svg"});
  ASSERT_EQ(0, run.status) << run.err;
  const std::string svg = Contents(Path("p.svg"));
  struct Expected {
    const char* view;
    const char* state;
    const char* object;
    double minU, maxU, minV, maxV;
  };
  // The box is turned 90 degrees about Y before (its x and z half sizes swap in the
  // top view) and unturned after, at (15, 17, 30).
  const Expected cases[] = {
      {"top", "before", "Shelf", 6, 14, 24, 36},    {"front", "before", "Shelf", 6, 14, 15, 25},
      {"side", "before", "Shelf", 24, 36, 15, 25},  {"top", "before", "Box", -3.5, -2.5, 0.5, 2.5},
      {"front", "after", "Box", 14, 16, 15, 19},    {"top", "after", "Box", 14, 16, 29.5, 30.5},
      {"side", "after", "Box", 29.5, 30.5, 15, 19}, {"top", "after", "Other", 49, 51, 49, 51},
  };
  for (const Expected& c : cases) {
    const auto points = PolygonPoints(svg, c.view, c.state, c.object);
    ASSERT_EQ(4u, points.size()) << c.view << " " << c.state << " " << c.object;
    double minU = 1e300, maxU = -1e300, minV = 1e300, maxV = -1e300;
    for (const auto& [u, v] : points) {
      minU = std::min(minU, u);
      maxU = std::max(maxU, u);
      minV = std::min(minV, v);
      maxV = std::max(maxV, v);
    }
    const std::string where = std::string(c.view) + " " + c.state + " " + c.object;
    EXPECT_NEAR(c.minU, minU, 1e-9) << where;
    EXPECT_NEAR(c.maxU, maxU, 1e-9) << where;
    EXPECT_NEAR(c.minV, minV, 1e-9) << where;
    EXPECT_NEAR(c.maxV, maxV, 1e-9) << where;
  }
  EXPECT_NE(std::string::npos, svg.find("class=\"box reference\" data-object=\"Shelf\""));
}

// Outputs that cannot be written are refused before the scene is read or the plug-in
// loaded: the message is the output's although the scene or the plug-in would fail too.
TEST_F(CommandRun, TheOutputIsCheckedBeforeTheWork) {
  folder.Write("bad.json", "not a scene");
  folder.Write("shelf.json", kShelfScene);
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"align", "bad.json", "-o", "missing/out.json"},
       "kestrum: missing/out.json: cannot write here: No such file or directory\n"},
      {{"align", "bad.json", "-o", "out.json", "--picture", "missing/p.svg"},
       "kestrum: missing/p.svg: cannot write here: No such file or directory\n"},
      {{"align", "shelf.json", "-o", "out.glb", "--plugin", "/nonexistent/kestrum"},
       "kestrum: out.glb: the name asks for binary glTF (.glb) but shelf.json is JSON scene"},
      {{"convert", "bad.json", "missing/out.gltf"},
       "kestrum: missing/out.gltf: cannot write here: No such file or directory\n"},
  };
  for (const auto& [arguments, message] : cases) {
    std::vector<std::string> line = arguments;
    if (line[0] == "align") line.insert(line.end(), {"--reference", "Shelf"});
    const Outcome run = Kestrum(line);
    EXPECT_EQ(2, run.status) << message;
    EXPECT_TRUE(run.err.starts_with(message)) << run.err;
    EXPECT_FALSE(std::filesystem::exists(Path("out.json")));
  }
}

TEST_F(CommandRun, UndoCheckReportsOneStepPuttingEverythingBack) {
  folder.Write("shelf.json", kShelfScene);
  const Outcome run =
      Kestrum({"align", "shelf.json", "--reference", "Shelf", "--x", "center", "--undo"});
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_NE(std::string::npos, run.out.find("undo: the press made one undo step; undoing it put "
                                            "all 3 objects back exactly"))
      << run.out;
}

}  // namespace
}  // namespace kcommand_test

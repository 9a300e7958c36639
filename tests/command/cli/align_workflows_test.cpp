// kestrum align --stack, --as-group and --explain, run as a user runs them: what is
// written, the one undo step, --check, and the refusals (the selection's box is in the
// JSON output's test and the session's).

#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

using nlohmann::json;

// A table turned about Y in a room, and books, two of them on a cart.
constexpr const char* kLibrary = R"({ "objects": [
  { "name": "Room", "position": [100, 0, 0], "halfSize": [50, 50, 50], "children": [
    { "name": "Table", "position": [10, 20, 30], "rotation": [0, 30, 0], "halfSize": [20, 1, 10] } ] },
  { "name": "BookA", "position": [-30, 2, 7], "halfSize": [3, 0.5, 2] },
  { "name": "Cart", "position": [-60, 4, -10], "halfSize": [6, 2, 4], "children": [
    { "name": "BookB", "position": [1, 3, 2], "halfSize": [4, 1, 2.5] } ] },
  { "name": "BookD", "position": [40, 8, -20], "halfSize": [3.5, 1.5, 2] } ] })";

const std::vector<std::string> kOnTop{"--x", "center", "--y", "plus:outside", "--z", "center"};

std::vector<std::string> Line(std::vector<std::string> words) {
  words.insert(words.end(), kOnTop.begin(), kOnTop.end());
  return words;
}

// Every object of a written JSON scene, by name, however deep.
void Names(const json& objects, std::vector<std::string>& names) {
  for (const json& object : objects) {
    names.push_back(object["name"]);
    if (object.contains("children")) Names(object["children"], names);
  }
}

TEST_F(CommandRun, AStackIsWrittenWithNoTemporaryObjectAndOneUndoStep) {
  folder.Write("library.json", kLibrary);
  const Outcome run = Kestrum(Line({"align", "library.json", "--reference", "Table", "--stack",
                                    "BookA", "Book[D]", "--undo", "-o", "out.json"}));
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_NE(std::string::npos, run.out.find("2 of 6 objects moved")) << run.out;
  EXPECT_NE(std::string::npos, run.out.find("undo: the stack made one undo step")) << run.out;
  const json written = json::parse(Contents(Path("out.json")));
  std::vector<std::string> names;
  Names(written["objects"], names);
  EXPECT_EQ((std::vector<std::string>{"Room", "Table", "BookA", "Cart", "BookB", "BookD"}), names);
  // BookA on the table (20 + 1 + 0.5), BookD on BookA (+ 0.5 + 1.5), both top level.
  EXPECT_NEAR(21.5, written["objects"][1]["position"][1].get<double>(), 1e-9);
  EXPECT_NEAR(23.5, written["objects"][3]["position"][1].get<double>(), 1e-9);
  EXPECT_NEAR(110, written["objects"][3]["position"][0].get<double>(), 1e-9);
}

TEST_F(CommandRun, AStackNamingItsReferenceOrAnObjectTwiceIsRefused) {
  folder.Write("library.json", kLibrary);
  for (const auto& [stack, named] :
       {std::pair<std::vector<std::string>, std::string>{{"BookA", "Table"}, "'Room/Table'"},
        {{"Book*", "BookA"}, "'BookA' twice"}}) {
    std::vector<std::string> line = {"align", "library.json", "--reference", "Table", "--stack"};
    line.insert(line.end(), stack.begin(), stack.end());
    line.insert(line.end(), {"-o", "out.json"});
    const Outcome run = Kestrum(Line(line));
    EXPECT_EQ(2, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.err.find(named)) << run.err;
    EXPECT_FALSE(std::filesystem::exists(Path("out.json")));
  }
}

TEST_F(CommandRun, CheckSaysWhetherAStackOrAGroupWouldMove) {
  folder.Write("library.json", kLibrary);
  const Outcome stack = Kestrum(
      Line({"align", "library.json", "--reference", "Table", "--stack", "BookA", "--check"}));
  EXPECT_EQ(1, stack.status) << stack.err;
  EXPECT_NE(std::string::npos, stack.out.find("1 of 6 objects would move")) << stack.out;
  const Outcome group = Kestrum(Line({"align", "library.json", "--reference", "Table", "--select",
                                      "BookA", "--select", "Cart", "--as-group", "--check"}));
  EXPECT_EQ(1, group.status) << group.err;
  EXPECT_NE(std::string::npos, group.out.find("3 of 6 objects would move")) << group.out;
}

TEST_F(CommandRun, AGroupWithNoSelectionMovesNothingAndSaysSo) {
  folder.Write("library.json", kLibrary);
  const Outcome run =
      Kestrum(Line({"align", "library.json", "--reference", "Table", "--as-group"}));
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("--as-group: no object is selected")) << run.err;
}

TEST_F(CommandRun, ExplainSaysWhatTheToolReadAndSet) {
  folder.Write("library.json", kLibrary);
  const Outcome run = Kestrum(Line({"align", "library.json", "--reference", "Table", "--stack",
                                    "BookA", "--explain", "--frame", "tool"}));
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_NE(std::string::npos, run.out.find("explain: 1 placement")) << run.out;
  EXPECT_NE(std::string::npos, run.out.find("BookA against Room/Table")) << run.out;
  EXPECT_NE(std::string::npos,
            run.out.find("y plus:outside: half sizes read: reference 1, object 0.5; distance set "
                         "1.5; 2 -> 21.5"))
      << run.out;
  EXPECT_NE(std::string::npos, run.out.find("rotation: cleared, then the frame of Room/Table"))
      << run.out;
}

}  // namespace
}  // namespace kcommand_test

// A press that moves nothing succeeds and says why on stderr; --check answers by its exit
// status whether anything would move, writing nothing.

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

TEST_F(CommandRun, APressThatMovesNothingSaysWhy) {
  folder.Write("shelf.json", kShelfScene);
  folder.Write("none.json", R"({ "objects": [ { "name": "Shelf" }, { "name": "Box" } ] })");
  folder.Write("row.gltf", R"({"asset": {"version": "2.0"}, "scenes": [{"nodes": [0, 1]}],
    "nodes": [{"name": "Ref"}, {"name": "Box", "translation": [5, 0, 0]}]})");
  ASSERT_EQ(0, Kestrum({"align", "shelf.json", "--reference", "Shelf", "--x", "center", "-o",
                        "aligned.json"})
                   .status);
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"shelf.json", "--reference", "Shelf"},
       "shelf.json: note: nothing moved: no axis is chosen"},
      {{"none.json", "--reference", "Shelf", "--x", "plus"},
       "none.json: note: nothing moved: no object is selected: give --select NAME"},
      {{"row.gltf", "--reference", "Ref", "--x", "plus"},
       "row.gltf: note: nothing moved: no object is selected: a glTF scene has no selection, so "
       "--select NAME is how it says what moves"},
      {{"aligned.json", "--reference", "Shelf", "--x", "center"},
       "aligned.json: note: nothing moved: every object to align is already in place"},
  };
  for (const auto& [arguments, message] : cases) {
    std::vector<std::string> line = {"align"};
    line.insert(line.end(), arguments.begin(), arguments.end());
    const Outcome run = Kestrum(line);
    EXPECT_EQ(0, run.status) << message;
    EXPECT_EQ("nothing moved\n", run.out) << message;
    EXPECT_TRUE(run.err.starts_with(message)) << run.err;
  }
}

TEST_F(CommandRun, CheckAnswersWhetherSomethingWouldMoveAndWritesNothing) {
  folder.Write("shelf.json", kShelfScene);
  const std::vector<std::string> check = {"align", "shelf.json", "--reference", "Shelf",
                                          "--x",   "center",     "--check"};
  const Outcome would = Kestrum(check);
  EXPECT_EQ(1, would.status) << would.err;
  EXPECT_EQ("shelf.json: 1 of 3 objects would move\n", would.out);
  EXPECT_EQ(kShelfScene, Contents(Path("shelf.json")));

  ASSERT_EQ(0, Kestrum({"align", "shelf.json", "--reference", "Shelf", "--x", "center", "-o",
                        "shelf.json"})
                   .status);
  const Outcome still = Kestrum(check);
  EXPECT_EQ(0, still.status) << still.err;
  EXPECT_EQ("shelf.json: nothing would move: every object to align is already in place\n",
            still.out);
  EXPECT_EQ(2, Kestrum({"align", "shelf.json", "--check", "-o", "out.json"}).status);
  EXPECT_FALSE(std::filesystem::exists(Path("out.json")));

  // Over several files, any file that would move decides, wherever it stands.
  folder.Write("moves.json", kShelfScene);
  std::filesystem::copy_file(Path("shelf.json"), Path("still.json"));
  for (const auto& [files, status] :
       {std::pair{std::vector<std::string>{"moves.json", "shelf.json"}, 1},
        {{"shelf.json", "moves.json"}, 1},
        {{"shelf.json", "moves.json", "still.json"}, 1},
        {{"shelf.json", "still.json"}, 0}}) {
    std::vector<std::string> line = {"align", "--reference", "Shelf", "--x", "center", "--check"};
    line.insert(line.begin() + 1, files.begin(), files.end());
    EXPECT_EQ(status, Kestrum(line).status) << files.front() << " first, " << files.size();
  }
}

}  // namespace
}  // namespace kcommand_test

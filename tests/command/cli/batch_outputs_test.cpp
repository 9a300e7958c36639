// Where a batch writes: two scenes for one output are refused before any is read, and
// --keep-folders keeps their folders below the one they share.

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

namespace fs = std::filesystem;

TEST_F(CommandRun, ABatchRefusesTwoScenesForOneOutputBeforeReadingAny) {
  fs::create_directories(Path("a"));
  fs::create_directories(Path("b"));
  folder.Write("a/shelf.json", "not a scene: reading it would fail first");
  folder.Write("b/shelf.json", kShelfScene);
  const Outcome run = Kestrum({"align", "a/shelf.json", "b/shelf.json", "--reference", "Shelf",
                               "--x", "center", "-o", "out/"});
  EXPECT_EQ(2, run.status) << run.err;
  EXPECT_EQ(
      "kestrum: out/shelf.json: a/shelf.json and b/shelf.json would both be written here; give "
      "the scenes different file names, or keep their folders with --keep-folders\n",
      run.err);
  EXPECT_FALSE(fs::exists(Path("out")));
}

TEST_F(CommandRun, KeepFoldersKeepsTheScenesFoldersBelowTheOneTheyShare) {
  fs::create_directories(Path("scenes/a"));
  fs::create_directories(Path("scenes/b/c"));
  folder.Write("scenes/a/shelf.json", kShelfScene);
  folder.Write("scenes/b/c/shelf.json", kShelfScene);
  const Outcome run =
      Kestrum({"align", "scenes/a/shelf.json", "scenes/b/c/shelf.json", "--reference", "Shelf",
               "--x", "center", "-o", "out/", "--keep-folders"});
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_TRUE(fs::is_regular_file(Path("out/a/shelf.json"))) << run.out;
  EXPECT_TRUE(fs::is_regular_file(Path("out/b/c/shelf.json"))) << run.out;
  EXPECT_NE(std::string::npos, run.out.find("scenes/b/c/shelf.json: written to out/b/c/shelf.json"))
      << run.out;
}

}  // namespace
}  // namespace kcommand_test

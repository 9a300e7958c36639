// "-" for standard input and standard output: a scene through a pipe, the report moved
// to stderr, glTF URIs from the current folder, and the uses "-" cannot have.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/command_run.h"

namespace kcommand_test {
namespace {

TEST_F(CommandRun, AlignsFromStandardInputToStandardOutput) {
  folder.Write("shelf.json", kShelfScene);
  const Outcome run = Kestrum(
      {"align", "-", "--reference", "Shelf", "--x", "plus:outside", "--frame", "tool", "-o", "-"},
      Path("shelf.json"));
  ASSERT_EQ(0, run.status) << run.err;
  const nlohmann::json written = nlohmann::json::parse(run.out);
  EXPECT_EQ(nlohmann::json({15, 7, 1.5}), written["objects"][1]["position"]);
  EXPECT_EQ("aligned scene written to standard output (1 of 3 objects moved)\n", run.err);

  // The picture alone on standard output; the table of what moved goes to stderr.
  const Outcome picture =
      Kestrum({"align", "shelf.json", "--reference", "Shelf", "--x", "center", "--picture", "-"});
  ASSERT_EQ(0, picture.status) << picture.err;
  EXPECT_TRUE(picture.out.starts_with("<?xml") || picture.out.starts_with("<svg")) << picture.out;
  EXPECT_NE(std::string::npos, picture.err.find("world position before")) << picture.err;

  // Errors in a scene from standard input name it so.
  folder.Write("bad.json", "{ \"objects\": [ ");
  const Outcome bad = Kestrum({"align", "-", "--reference", "A", "-o", "-"}, Path("bad.json"));
  EXPECT_EQ(2, bad.status);
  EXPECT_TRUE(bad.err.starts_with("kestrum: standard input:1:")) << bad.err;
  EXPECT_EQ("", bad.out);
}

// A scene of 2 MB through a pipe arrives in many reads: all of it is the scene.
TEST_F(CommandRun, ALargeSceneFromStandardInputIsReadWhole) {
  std::string scene = R"({ "objects": [ { "name": "Shelf", "halfSize": [4, 5, 6] })";
  constexpr int kBoxes = 22000;
  for (int i = 0; i < kBoxes; ++i)
    scene += ",\n  { \"name\": \"Box" + std::to_string(i) + "\", \"position\": [" +
             std::to_string(i) + ".25, 7, 1.5], \"halfSize\": [1, 2, 0.5], \"selected\": true }";
  scene += " ] }";
  ASSERT_GT(scene.size(), 2u << 20);
  folder.Write("large.json", scene);
  const Outcome run = Kestrum(
      {"align", "-", "--reference", "Shelf", "--x", "plus:outside", "-o", "-"}, Path("large.json"));
  ASSERT_EQ(0, run.status) << run.err;
  const nlohmann::json written = nlohmann::json::parse(run.out);
  ASSERT_EQ(written["objects"].size(), kBoxes + 1u);
  EXPECT_EQ(written["objects"][kBoxes]["name"], "Box" + std::to_string(kBoxes - 1));
  EXPECT_EQ(written["objects"][1]["position"], nlohmann::json({5, 7, 1.5}));
  EXPECT_NE(run.err.find("(22000 of 22001 objects moved)"), std::string::npos) << run.err;
}

TEST_F(CommandRun, AGltfFromStandardInputFindsItsFilesInTheCurrentFolder) {
  const std::filesystem::path model = "/usr/share/assimp/models/glTF2/BoxTextured-glTF";
  if (!std::filesystem::exists(model)) GTEST_SKIP() << "assimp-testmodels is not installed";
  const std::string gltf = (model / "BoxTextured.gltf").string();
  const Outcome missing = Kestrum({"list", "-"}, gltf);
  EXPECT_EQ(2, missing.status);
  EXPECT_NE(std::string::npos, missing.err.find("standard input: buffers[0].uri")) << missing.err;
  std::filesystem::copy(model / "BoxTextured0.bin", Path("BoxTextured0.bin"));
  std::filesystem::copy(model / "CesiumLogoFlat.png", Path("CesiumLogoFlat.png"));
  const Outcome found = Kestrum({"list", "-"}, gltf);
  EXPECT_EQ(0, found.status) << found.err;
  EXPECT_TRUE(found.out.starts_with("standard input: glTF")) << found.out;
}

TEST_F(CommandRun, StandardStreamsUsedTwiceAreUsageErrors) {
  folder.Write("shelf.json", kShelfScene);
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"align", "-", "-", "-o", "out/"}, "kestrum: -: standard input is given 2 times"},
      {{"align", "-", "shelf.json", "-o", "out/"}, "kestrum: -: standard input cannot be one"},
      {{"align", "shelf.json", "-o", "-", "--picture", "-"},
       "kestrum: -o - and --picture -: standard output can take one of them"},
      {{"align", "shelf.json", "shelf.json", "-o", "-"}, "kestrum: -o -: several scenes"},
  };
  for (const auto& [arguments, message] : cases) {
    std::vector<std::string> line = arguments;
    line.insert(line.end(), {"--reference", "Shelf", "--x", "center"});
    const Outcome run = Kestrum(line, Path("shelf.json"));
    EXPECT_EQ(2, run.status) << message;
    EXPECT_TRUE(run.err.starts_with(message)) << run.err;
    EXPECT_EQ("", run.out) << message;
    EXPECT_FALSE(std::filesystem::exists(Path("out"))) << message;
  }
}

}  // namespace
}  // namespace kcommand_test

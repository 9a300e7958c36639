// kestrum align on real glTF files: only the selected node changes, many files in one
// run, and objects picked by name and by path pattern.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "alignment_session.h"
#include "gltf/gltf_files.h"
#include "gltf_meshes.h"
#include "gltf_transform.h"
#include "scene_files.h"
#include "transform.h"

namespace kcommand_test {
namespace {

TEST_F(GltfScene, AlignsARealGlbChangingOnlyTheSelectedNode) {
  const Outcome run = Kestrum({"align", kEngine, "--reference", "#72", "--select", "#74", "--x",
                               "plus:outside", "-o", "out.glb"});
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("off the node's origin")) << run.err;
  ExpectValid(Path("out.glb"), kEngine);
  const auto [before, binBefore] = SplitGlb(Contents(kEngine));
  const auto [after, binAfter] = SplitGlb(Contents(Path("out.glb")));
  EXPECT_TRUE(binBefore == binAfter) << "the binary chunk changed";
  json expected = before;
  expected["nodes"][74] = after["nodes"][74];
  EXPECT_EQ(expected, after);
  EXPECT_NE(before["nodes"][74], after["nodes"][74]);
  EXPECT_FALSE(after["nodes"][74].contains("matrix"));
}

TEST_F(GltfScene, AlignsManyFilesInOneRunAndReportsTheBadOne) {
  // A copy under its own name: two scenes of one name are refused before any is read.
  fs::copy(kModels + "MissingBin/BoxTextured.gltf", Path("MissingBin.gltf"));
  const std::vector<std::string> inputs = {kModels + "BoxTextured-glTF/BoxTextured.gltf",
                                           Path("MissingBin.gltf"),
                                           kModels + "BoxTextured-glTF-Binary/BoxTextured.glb",
                                           KESTRUM_SOURCE_DIR "/examples/demo.json"};
  std::vector<std::string> arguments = {"align"};
  arguments.insert(arguments.end(), inputs.begin(), inputs.end());
  for (const char* option : {"--reference", "#0", "--x", "plus:outside", "-o", "out/"})
    arguments.push_back(option);
  // demo.json has no node #0: a second failure, reported on its own.
  const Outcome run = Kestrum(arguments);
  EXPECT_EQ(2, run.status);
  EXPECT_NE(std::string::npos, run.out.find("aligned 2 of 4 files, 2 failed")) << run.out;
  EXPECT_NE(std::string::npos, run.err.find("MissingBin.gltf: buffers[0].uri")) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("demo.json: --reference: no object is named '#0'"))
      << run.err;
  EXPECT_FALSE(fs::exists(Path("out/demo.json")));
  // The .gltf, written to another folder, still finds its buffer and image.
  ExpectValid(Path("out/BoxTextured.gltf"), inputs[0]);
  ExpectValid(Path("out/BoxTextured.glb"), inputs[2]);
  const json written = json::parse(Contents(Path("out/BoxTextured.gltf")));
  EXPECT_TRUE(fs::exists(fs::path(Path("out")) / written["buffers"][0]["uri"].get<std::string>()));
}

TEST_F(GltfScene, SelectsByNameAndByPathPattern) {
  folder.Write("row.gltf", R"({"asset": {"version": "2.0"}, "scenes": [{"nodes": [0, 1, 2, 3]}],
    "nodes": [{"name": "Ref"}, {"name": "Box1", "translation": [5, 0, 0]},
              {"name": "Box2", "translation": [9, 0, 0]}, {"name": "Other", "translation": [7, 0, 0]}]})");
  const Outcome pattern =
      Kestrum({"align", "--select", "Box*", "row.gltf", "--reference", "Ref", "--x", "center"});
  ASSERT_EQ(0, pattern.status) << pattern.err;
  EXPECT_NE(std::string::npos, pattern.out.find("Box1")) << pattern.out;
  EXPECT_NE(std::string::npos, pattern.out.find("Box2")) << pattern.out;
  EXPECT_EQ(std::string::npos, pattern.out.find("Other")) << pattern.out;
  const Outcome named =
      Kestrum({"align", "row.gltf", "--reference", "Ref", "--select", "#3", "--x", "center"});
  ASSERT_EQ(0, named.status) << named.err;
  EXPECT_NE(std::string::npos, named.out.find("Other")) << named.out;
  EXPECT_EQ(std::string::npos, named.out.find("Box1")) << named.out;
}

}  // namespace
}  // namespace kcommand_test

// kestrum align on real glTF files: only the selected node changes, many files in one
// run, and objects picked by name and by path pattern.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <tuple>

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
  ExpectValid(Path("out.glb"), kEngine);
  const auto [before, binBefore] = SplitGlb(Contents(kEngine));
  const auto [after, binAfter] = SplitGlb(Contents(Path("out.glb")));
  EXPECT_TRUE(binBefore == binAfter) << "the binary chunk changed";
  json expected = before;
  expected["nodes"][74] = after["nodes"][74];
  EXPECT_EQ(expected, after);
  EXPECT_NE(before["nodes"][74], after["nodes"][74]);
  // Moved, not turned: its matrix keeps its axes and gets the new offset.
  for (size_t i = 0; i < 12; ++i)
    EXPECT_EQ(before["nodes"][74]["matrix"][i], after["nodes"][74]["matrix"][i]) << i;
}

// Draco, meshopt and quantized files: boxes from the accessors' bounds, and every byte
// but the moved node's transform written back.
TEST_F(GltfScene, AlignsCompressedFilesKeepingTheirBuffers) {
  const std::string fixtures = KESTRUM_SOURCE_DIR "/tests/fixtures/gltf/";
  fs::copy(kModels + "draco", Path("draco"));
  const struct {
    std::string input;
    std::vector<std::string> options;
    size_t moved;
  } cases[] = {
      {Path("draco/2CylinderEngine.gltf"), {"--reference", "#72", "--select", "#74"}, 74},
      {fixtures + "lamp-meshopt.glb", {"--reference", "Table", "--select", "Lamp"}, 1},
      {fixtures + "lamp-quantized.glb", {"--reference", "Table", "--select", "Lamp"}, 1},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.input);
    const bool binary = each.input.ends_with(".glb");
    const std::string output = Path(binary ? "out.glb" : "draco/out.gltf");
    std::vector<std::string> arguments = {"align", each.input, "--y", "plus:outside", "-o", output};
    arguments.insert(arguments.end(), each.options.begin(), each.options.end());
    const Outcome run = Kestrum(arguments);
    ASSERT_EQ(0, run.status) << run.err;
    ExpectValid(output, each.input);
    json before, after;
    if (binary) {
      std::string binBefore, binAfter;
      std::tie(before, binBefore) = SplitGlb(Contents(each.input));
      std::tie(after, binAfter) = SplitGlb(Contents(output));
      EXPECT_TRUE(binBefore == binAfter) << "the binary chunk changed";
    } else {
      before = json::parse(Contents(each.input));
      after = json::parse(Contents(output));
    }
    EXPECT_NE(before["nodes"][each.moved], after["nodes"][each.moved]);
    before["nodes"][each.moved] = after["nodes"][each.moved];
    EXPECT_EQ(before, after);
  }
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

// World matrices of a written file's nodes, computed here from its JSON alone.
Affine Times(const Affine& a, const Affine& b) {
  Affine m{};
  for (size_t r = 0; r < 3; ++r)
    for (size_t c = 0; c < 4; ++c)
      m[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c] + (c == 3 ? a[r][3] : 0);
  return m;
}

Affine Inverse(const Affine& m) {
  const auto at = [&](size_t r, size_t c) { return m[r % 3][c % 3]; };
  double cofactor[3][3];
  for (size_t r = 0; r < 3; ++r)
    for (size_t c = 0; c < 3; ++c)
      cofactor[r][c] = at(r + 1, c + 1) * at(r + 2, c + 2) - at(r + 1, c + 2) * at(r + 2, c + 1);
  const double det = m[0][0] * cofactor[0][0] + m[0][1] * cofactor[0][1] + m[0][2] * cofactor[0][2];
  Affine inverse{};
  for (size_t r = 0; r < 3; ++r) {
    for (size_t c = 0; c < 3; ++c) inverse[r][c] = cofactor[c][r] / det;
    inverse[r][3] = -(inverse[r][0] * m[0][3] + inverse[r][1] * m[1][3] + inverse[r][2] * m[2][3]);
  }
  return inverse;
}

Affine NodeWorld(const json& gltf, size_t node) {
  std::map<size_t, size_t> parent;
  for (size_t p = 0; p < gltf["nodes"].size(); ++p)
    for (const json& child : gltf["nodes"][p].value("children", json::array()))
      parent[child.get<size_t>()] = p;
  Affine world = NodeLocal(gltf["nodes"][node]);
  for (auto up = parent.find(node); up != parent.end(); up = parent.find(up->second))
    world = Times(NodeLocal(gltf["nodes"][up->second]), world);
  return world;
}

struct Bounds {
  std::array<double, 3> min{INFINITY, INFINITY, INFINITY}, max{-INFINITY, -INFINITY, -INFINITY};
};

// The corners of `node`'s mesh bounds (its accessors' min and max) taken through `frame`.
Bounds MeshBounds(const json& gltf, size_t node, const Affine& frame) {
  Bounds local;
  for (const json& primitive :
       gltf["meshes"][gltf["nodes"][node]["mesh"].get<size_t>()]["primitives"]) {
    const json& accessor = gltf["accessors"][primitive["attributes"]["POSITION"].get<size_t>()];
    for (size_t a = 0; a < 3; ++a) {
      local.min[a] = std::min(local.min[a], accessor["min"][a].get<double>());
      local.max[a] = std::max(local.max[a], accessor["max"][a].get<double>());
    }
  }
  Bounds out;
  for (size_t corner = 0; corner < 8; ++corner) {
    const double p[3] = {corner & 1 ? local.max[0] : local.min[0],
                         corner & 2 ? local.max[1] : local.min[1],
                         corner & 4 ? local.max[2] : local.min[2]};
    for (size_t r = 0; r < 3; ++r) {
      const double v = frame[r][0] * p[0] + frame[r][1] * p[1] + frame[r][2] * p[2] + frame[r][3];
      out.min[r] = std::min(out.min[r], v);
      out.max[r] = std::max(out.max[r], v);
    }
  }
  return out;
}

TEST_F(GltfScene, PlacesTheMeshesThemselvesOnTheEngine) {
  // Part 74 against part 72, both off their nodes' origins; the tool gives the moved part
  // the reference's frame, so the meshes are compared in the reference node's frame.
  const struct {
    const char* axis;
    const char* mode;
  } cases[] = {{"--x", "plus:outside"}, {"--x", "center"}, {"--x", "minus:inside"},
               {"--y", "plus:inside"},  {"--y", "center"}, {"--y", "minus:outside"},
               {"--z", "plus:inside"},  {"--z", "center"}, {"--z", "minus:inside"}};
  const Affine identity{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}};
  for (const auto& each : cases) {
    SCOPED_TRACE(std::string(each.axis) + " " + each.mode);
    const Outcome run = Kestrum({"align", kEngine, "--reference", "#72", "--select", "#74",
                                 each.axis, each.mode, "-o", "out.glb"});
    ASSERT_EQ(0, run.status) << run.err;
    const json gltf = SplitGlb(Contents(Path("out.glb"))).first;
    const Bounds reference = MeshBounds(gltf, 72, identity);
    const Bounds moved =
        MeshBounds(gltf, 74, Times(Inverse(NodeWorld(gltf, 72)), NodeWorld(gltf, 74)));
    const size_t a = static_cast<size_t>(each.axis[2] - 'x');
    const std::string mode = each.mode;
    const double want = mode == "plus:outside"    ? reference.max[a] - moved.min[a]
                        : mode == "plus:inside"   ? reference.max[a] - moved.max[a]
                        : mode == "minus:inside"  ? reference.min[a] - moved.min[a]
                        : mode == "minus:outside" ? reference.min[a] - moved.max[a]
                                                  : (reference.min[a] + reference.max[a]) / 2 -
                                                        (moved.min[a] + moved.max[a]) / 2;
    // The engine is about 2,000 units across.
    EXPECT_NEAR(0, want, 2000 * 1e-9);
  }
}

}  // namespace
}  // namespace kcommand_test

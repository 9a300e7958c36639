// The meshes the view draws: each read once, within the budget.

#include "gltf_meshes.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
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
#include "gltf_decode.h"
#include "gltf_transform.h"
#include "scene_files.h"
#include "transform.h"

namespace kcommand_test {
namespace {

// A file's JSON, from a .gltf or a .glb.
json FileJson(const std::string& file) {
  const std::string bytes = Contents(file);
  return file.ends_with(".glb") ? SplitGlb(bytes).first : json::parse(bytes);
}

// Compressed meshes are decoded for drawing where the build has the decoders: each mesh
// has the triangles its accessors count, inside its POSITION accessors' bounds. Without
// them the meshes keep their boxes, counted so the view can say why.
TEST_F(GltfScene, DecodesCompressedMeshesWhereBuiltIn) {
  for (const auto& [file, primitives] :
       {std::pair{kModels + "draco/2CylinderEngine.gltf", size_t{34}},
        {std::string(KESTRUM_SOURCE_DIR "/tests/fixtures/gltf/lamp-meshopt.glb"), size_t{4}}}) {
    const std::unique_ptr<kcommand::SceneDocument> document = kcommand::ReadSceneDocument(file, {});
    const kcommand::GltfMeshes meshes = kcommand::ReadGltfMeshes(*document->Gltf());
    if (!kcommand::GltfDecodesCompressedMeshes()) {
      EXPECT_EQ(meshes.compressedPrimitives, primitives) << file;
      EXPECT_TRUE(meshes.meshes.empty()) << file;
      continue;
    }
    const json gltf = FileJson(file);
    EXPECT_EQ(meshes.compressedPrimitives, 0u) << file;
    EXPECT_EQ(meshes.skippedPrimitives, 0u) << file;
    EXPECT_EQ(meshes.meshes.size(), gltf["meshes"].size()) << file;
    for (const kcommand::GltfMesh& mesh : meshes.meshes) {
      size_t triangles = 0;
      std::array<double, 3> low{INFINITY, INFINITY, INFINITY},
          high{-INFINITY, -INFINITY, -INFINITY};
      for (const json& primitive : gltf["meshes"][mesh.source]["primitives"]) {
        triangles +=
            gltf["accessors"][primitive["indices"].get<size_t>()]["count"].get<size_t>() / 3;
        const json& position = gltf["accessors"][primitive["attributes"]["POSITION"].get<size_t>()];
        // The lamp's positions are normalized shorts.
        const double scale = position.value("normalized", false) ? 1 / 32767.0 : 1;
        for (size_t a = 0; a < 3; ++a) {
          low[a] = std::min(low[a], position["min"][a].get<double>() * scale);
          high[a] = std::max(high[a], position["max"][a].get<double>() * scale);
        }
      }
      EXPECT_EQ(mesh.indices.size() / 3, triangles) << file << " mesh " << mesh.source;
      const double tolerance =
          1e-4 * std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
      for (size_t i = 0; i < mesh.positions.size(); ++i)
        ASSERT_TRUE(mesh.positions[i] >= low[i % 3] - tolerance &&
                    mesh.positions[i] <= high[i % 3] + tolerance)
            << file << " mesh " << mesh.source << " coordinate " << i << ": " << mesh.positions[i];
    }
  }
}

// Compressed bytes that are corrupt are left out, never fatal: their primitives are
// counted as not decoded, and their boxes stand for them.
TEST_F(GltfScene, SkipsCompressedBytesThatDoNotDecode) {
  std::string glb = Contents(KESTRUM_SOURCE_DIR "/tests/fixtures/gltf/lamp-meshopt.glb");
  const auto [lamp, lampBin] = SplitGlb(glb);
  const size_t lampData = glb.size() - lampBin.size() + 8;  // past the BIN chunk's header
  for (const json& view : lamp["bufferViews"]) {
    const json& source = view["extensions"]["EXT_meshopt_compression"];
    // Past the header byte, which says what the data is.
    for (size_t i = 1; i < source["byteLength"].get<size_t>(); ++i)
      glb[lampData + source["byteOffset"].get<size_t>() + i] = '\xff';
  }
  const json engine = json::parse(Contents(kModels + "draco/2CylinderEngine.gltf"));
  std::string bin = Contents(kModels + "draco/2CylinderEngine.bin");
  for (const json& view : engine["bufferViews"])
    for (size_t i = 16; i < view["byteLength"].get<size_t>(); ++i)
      bin[view.value("byteOffset", size_t{0}) + i] = '\xff';
  for (const auto& [name, bytes] : {std::pair{"lamp.glb", glb},
                                    {"2CylinderEngine.gltf", engine.dump()},
                                    {"2CylinderEngine.bin", bin}})
    std::ofstream(Path(name), std::ios::binary) << bytes;
  for (const auto& [file, primitives] :
       {std::pair{Path("lamp.glb"), size_t{4}}, {Path("2CylinderEngine.gltf"), size_t{34}}}) {
    const std::unique_ptr<kcommand::SceneDocument> document = kcommand::ReadSceneDocument(file, {});
    const kcommand::GltfMeshes meshes = kcommand::ReadGltfMeshes(*document->Gltf());
    EXPECT_EQ(meshes.compressedPrimitives, primitives) << file;
    EXPECT_TRUE(meshes.meshes.empty()) << file;
  }
}

// The meshes kestrum view draws: every triangle of the file, each mesh once; past the
// byte budget whole meshes are left out, and their nodes keep only their boxes.
TEST_F(GltfScene, ReadsEachMeshOnceForDrawingWithinTheBudget) {
  const std::unique_ptr<kcommand::SceneDocument> document =
      kcommand::ReadSceneDocument(kEngine, {});
  ASSERT_NE(document->Gltf(), nullptr);
  const kcommand::GltfMeshes all = kcommand::ReadGltfMeshes(*document->Gltf());
  const json file = SplitGlb(Contents(kEngine)).first;
  size_t triangles = 0;
  for (const json& mesh : file["meshes"])
    for (const json& primitive : mesh["primitives"])
      triangles += file["accessors"][primitive["indices"].get<size_t>()]["count"].get<size_t>() / 3;
  size_t drawn = 0;
  for (const kcommand::GltfMesh& mesh : all.meshes) drawn += mesh.indices.size() / 3;
  EXPECT_EQ(all.meshes.size(), 29u);
  EXPECT_EQ(drawn, triangles);
  EXPECT_EQ(all.leftOutMeshes, 0u);

  const kcommand::GltfMesh& first = all.meshes[0];
  const kcommand::GltfMeshes budget = kcommand::ReadGltfMeshes(
      *document->Gltf(), sizeof(float) * first.positions.size() + 4 * first.indices.size());
  ASSERT_EQ(budget.meshes.size(), 1u);
  EXPECT_EQ(budget.leftOutMeshes, 28u);
  ASSERT_EQ(budget.meshOfObject.size(), all.meshOfObject.size());
  for (size_t i = 0; i < all.meshOfObject.size(); ++i)
    EXPECT_EQ(budget.meshOfObject[i],
              all.meshOfObject[i] == size_t{0} ? std::optional<size_t>(0) : std::nullopt)
        << "object " << i;
}

}  // namespace
}  // namespace kcommand_test

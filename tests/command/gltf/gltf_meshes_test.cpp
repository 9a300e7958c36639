// The meshes the view draws: each read once, within the budget.

#include "gltf_meshes.h"

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
#include "gltf_transform.h"
#include "scene_files.h"
#include "transform.h"

namespace kcommand_test {
namespace {

// Compressed vertices are not decoded for drawing: those meshes keep only their boxes, and
// are counted so the view can say why.
TEST_F(GltfScene, CountsCompressedPrimitivesInsteadOfDrawingThem) {
  for (const auto& [file, primitives] :
       {std::pair{kModels + "draco/2CylinderEngine.gltf", size_t{34}},
        {std::string(KESTRUM_SOURCE_DIR "/tests/fixtures/gltf/lamp-meshopt.glb"), size_t{4}}}) {
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

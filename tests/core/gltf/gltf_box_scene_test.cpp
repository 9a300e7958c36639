// New glTF files of boxes: each object a node with its transform, a box mesh of its half
// sizes around its box centre, children under their parents, and a transform no node
// can hold refused by name.

#include "gltf_box_scene.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "input_error.h"

namespace kcommand_test {
namespace {

using kcommand::SceneModel;
using kcommand::SceneObject;
using nlohmann::json;

SceneModel Shelf() {
  SceneObject book;
  book.name = "Book";
  book.position = {1, 2, 3};
  SceneObject shelf;
  shelf.name = "Shelf";
  shelf.position = {10, 0, 0};
  shelf.rotationDegrees = {0, 90, 0};
  shelf.scale = {2, 2, 2};
  shelf.halfSize = {4, 5, 6};
  shelf.boxCentre = kcommand::Vector3{0, 5, 0};
  shelf.children.push_back(book);
  SceneModel scene;
  scene.objects.push_back(shelf);
  return scene;
}

TEST(GltfBoxScene, NodesAndBoxesAsTheSceneHasThem) {
  SceneModel scene = Shelf();
  const json file = json::parse(kcommand::BoxSceneGltf(scene, false, "shelf.gltf"));
  const json& nodes = file["nodes"];
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(file["scenes"][0]["nodes"], json::array({0}));
  EXPECT_EQ(nodes[0]["children"], json::array({1}));
  EXPECT_EQ(nodes[0]["translation"], json::parse("[10.0, 0.0, 0.0]"));
  EXPECT_NEAR(nodes[0]["rotation"][1].get<double>(), std::sqrt(0.5), 1e-12);
  EXPECT_EQ(nodes[0]["scale"], json::parse("[2.0, 2.0, 2.0]"));
  // The book has no size: a node without a mesh.
  EXPECT_FALSE(nodes[1].contains("mesh"));
  const json& corners = file["accessors"][nodes[0]["mesh"].get<size_t>() + 1];
  EXPECT_EQ(corners["min"], json::parse("[-4.0, 0.0, -6.0]"));
  EXPECT_EQ(corners["max"], json::parse("[4.0, 10.0, 6.0]"));
}

TEST(GltfBoxScene, ATransformNoNodeCanHoldIsRefusedByName) {
  SceneModel scene = Shelf();
  scene.objects[0].children[0].scale = {0, 1, 1};
  EXPECT_THROW(
      {
        try {
          kcommand::BoxSceneGltf(scene, true, "shelf.glb");
        } catch (const kcommand::InputError& error) {
          EXPECT_STREQ(error.what(),
                       "shelf.glb: object 'Shelf/Book': its transform is not a rotation and "
                       "scale a glTF node can hold");
          throw;
        }
      },
      kcommand::InputError);
}

}  // namespace
}  // namespace kcommand_test

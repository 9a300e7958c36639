// kestrum convert: a JSON scene to a .glb of boxes and back.

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

TEST_F(GltfScene, ConvertsTheDemoToGlbAndBack) {
  const std::string demo = KESTRUM_SOURCE_DIR "/examples/demo.json";
  ASSERT_EQ(0, Kestrum({"convert", demo, "demo.glb"}).status);
  ASSERT_EQ(0, Kestrum({"convert", demo, "demo.gltf"}).status);
  ExpectValid(Path("demo.glb"), "");
  ExpectValid(Path("demo.gltf"), "");
  ASSERT_EQ(0, Kestrum({"convert", "demo.glb", "back.json"}).status);
  const json original = json::parse(Contents(demo));
  const json back = json::parse(Contents(Path("back.json")));
  // Top-level objects in order, with their names, places and (float-stored) sizes.
  ASSERT_EQ(original["objects"].size(), back["objects"].size());
  for (size_t i = 0; i < back["objects"].size(); ++i) {
    const json& a = original["objects"][i];
    const json& b = back["objects"][i];
    EXPECT_EQ(a["name"], b["name"]);
    for (size_t axis = 0; axis < 3; ++axis) {
      EXPECT_NEAR(a["position"][axis].get<double>(), b["position"][axis].get<double>(), 1e-9);
      EXPECT_NEAR(a.value("halfSize", json{0, 0, 0})[axis].get<double>(),
                  b["halfSize"][axis].get<double>(), 1e-6);
    }
  }
}

}  // namespace
}  // namespace kcommand_test

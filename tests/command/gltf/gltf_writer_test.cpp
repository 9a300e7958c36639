// Writing glTF back: the host's placement read back from the written file, and every
// byte outside the moved nodes' transforms kept.

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

// Where the module put each object, read back from the written file by a fresh host.
TEST_F(GltfScene, TheWrittenFileHoldsTheHostsPlacement) {
  for (const auto& [input, output] :
       {std::pair{kEngine, "engine.glb"},
        {kModels + "BoxTextured-glTF/BoxTextured.gltf", "box.gltf"}}) {
    std::unique_ptr<kcommand::SceneDocument> document = kcommand::ReadSceneDocument(input, {});
    std::vector<kcommand::ObjectEntry> entries = kcommand::ListObjects(document->Scene());
    for (kcommand::ObjectEntry& entry : entries) entry.object->selected = entry.path != "#0";
    kcommand::AlignmentSession session(KESTRUM_BINARY_DIR "/plugins/kestrum", document->Scene(),
                                       input, nullptr);
    session.Press(
        {kcommand::ResolveObject(entries, "#0"),
         std::nullopt,
         {kcommand::AxisChoice{kcommand::AxisMode::kPlus, kcommand::AxisSide::kOutside}, {}, {}}});
    const std::vector<kcommand::HostPlacement> aligned = session.objects().Placements();
    session.Finish();
    std::ofstream(Path(output), std::ios::binary) << document->Serialise(Path(output));

    std::unique_ptr<kcommand::SceneDocument> back = kcommand::ReadSceneDocument(Path(output), {});
    khost::Scene host;
    kcommand::SceneInHost objects(host, back->Scene(), output);
    const std::vector<kcommand::HostPlacement> read = objects.Placements();
    ASSERT_EQ(aligned.size(), read.size());
    for (size_t i = 0; i < read.size(); ++i) {
      const HostMatrix& a = aligned[i].world;
      const HostMatrix& b = read[i].world;
      const double scale =
          1 + std::fabs(a.offset.x) + std::fabs(a.offset.y) + std::fabs(a.offset.z);
      for (const auto& [x, y] : {std::pair{a.offset, b.offset},
                                 {a.axisX, b.axisX},
                                 {a.axisY, b.axisY},
                                 {a.axisZ, b.axisZ}}) {
        EXPECT_NEAR(x.x, y.x, 1e-9 * scale) << output << " object " << i;
        EXPECT_NEAR(x.y, y.y, 1e-9 * scale) << output << " object " << i;
        EXPECT_NEAR(x.z, y.z, 1e-9 * scale) << output << " object " << i;
      }
    }
  }
}

// Only the moved nodes' transforms are written anew: every other byte stays as it was,
// layout and escapes included. A node held as a matrix gets translation, rotation and
// scale and keeps its other members; a node that only moved gets its translation list
// replaced where it stands, or added at its end.
TEST_F(GltfScene, WritesBackOnlyTheMovedTransforms) {
  const std::string head =
      "{\"asset\": {\"version\": \"2.0\", \"copyright\": \"\\u00e9t\u00e9\"},\n"
      "  \"scenes\": [ {\"nodes\": [0, 1, 2, 3]} ],\n  \"nodes\": [\n    "
      "{\"name\": \"Ref\", \"translation\": [ 1e1, 0, 0 ]},\n    ";
  const std::string matrix =
      "{ \"\\u006datrix\": [1,0,0,0, 0,1,0,0, 0,0,1,0, 3,0,0,1],\n      \"name\": \"BoxM\", "
      "\"extras\": {\"scale\": [1, 2], \"note\": \"a } in a string\"} }";
  const std::string between = ",\n    ";
  const std::string nodes[2][2] = {
      {"{\"translation\": [ 5, 0.5, 0 ], \"name\": \"BoxT\"}",
       "{\"translation\": [10.0,0.5,0.0], \"name\": \"BoxT\"}"},
      {"{\"name\": \"BoxS\", \"scale\": [2, 2, 2]\n    }",
       "{\"name\": \"BoxS\", \"scale\": [2, 2, 2],\"translation\":[10.0,0.0,0.0]\n    }"}};
  const std::string tail = "\n  ]\n}\n";
  folder.Write("in.gltf", head + matrix + between + nodes[0][0] + between + nodes[1][0] + tail);
  const Outcome run = Kestrum({"align", "in.gltf", "--reference", "Ref", "--select", "Box*", "--x",
                               "plus:outside", "-o", "out.gltf"});
  ASSERT_EQ(0, run.status) << run.err;
  const std::string written = Contents(Path("out.gltf"));
  ASSERT_EQ(written.substr(0, head.size()), head);
  const std::string after = between + nodes[0][1] + between + nodes[1][1] + tail;
  ASSERT_GT(written.size(), head.size() + after.size());
  EXPECT_EQ(written.substr(written.size() - after.size()), after);
  const json node =
      json::parse(written.substr(head.size(), written.size() - head.size() - after.size()));
  EXPECT_EQ(node["name"], "BoxM");
  EXPECT_EQ(node["extras"], json::parse(matrix)["extras"]);
  EXPECT_FALSE(node.contains("matrix")) << node;
  EXPECT_EQ(node["translation"], json({10, 0, 0})) << node;
  EXPECT_EQ(node["rotation"], json({0, 0, 0, 1})) << node;
  EXPECT_EQ(node["scale"], json({1, 1, 1})) << node;
  ExpectValid(Path("out.gltf"), "");
}

}  // namespace
}  // namespace kcommand_test

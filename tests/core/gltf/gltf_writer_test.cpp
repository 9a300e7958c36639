// Writing glTF back: the host's placement read back from the written file, and every
// byte outside the moved nodes' transforms kept.

#include <gtest/gtest.h>
#include <sys/wait.h>

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
#include "gltf_meshes.h"
#include "gltf_transform.h"
#include "scene_files.h"
#include "transform.h"

namespace kcommand_test {
namespace {

// A moved node takes the reference's frame, which the writer turns from the reference's
// matrix into the moved node's rotation and scale; the written node must hold that frame.
// The turns pick each branch of the quaternion conversion: a small turn (the trace
// branch), half turns about X, Y and Z (each a largest-diagonal branch) and turns near
// them; and frames that differ from the moved node's only in the Z axis (a mirror, a Z
// scale), which must not be written as a translation alone.
TEST_F(GltfScene, WritesTheReferencesFrameIntoTheMovedNode) {
  const double s = std::sin(0.5 * M_PI / 180), c = std::cos(0.5 * M_PI / 180);
  const struct {
    const char* what;
    std::array<double, 9> columns;  // the reference's X, Y and Z axes
  } cases[] = {
      {"30 degrees about Y",
       {std::cos(M_PI / 6), 0, -std::sin(M_PI / 6), 0, 1, 0, std::sin(M_PI / 6), 0,
        std::cos(M_PI / 6)}},
      {"half turn about X", {1, 0, 0, 0, -1, 0, 0, 0, -1}},
      {"half turn about Y", {-1, 0, 0, 0, 1, 0, 0, 0, -1}},
      {"half turn about Z", {-1, 0, 0, 0, -1, 0, 0, 0, 1}},
      {"179 degrees about X",
       {1, 0, 0, 0, -c * c + s * s, 2 * s * c, 0, -2 * s * c, -c * c + s * s}},
      {"179 degrees about Y",
       {-c * c + s * s, 0, -2 * s * c, 0, 1, 0, 2 * s * c, 0, -c * c + s * s}},
      {"179 degrees about Z",
       {-c * c + s * s, 2 * s * c, 0, -2 * s * c, -c * c + s * s, 0, 0, 0, 1}},
      {"a mirror in Z", {1, 0, 0, 0, 1, 0, 0, 0, -1}},
      {"Z scaled by 3", {1, 0, 0, 0, 1, 0, 0, 0, 3}},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.what);
    json matrix = json::array();
    for (size_t axis = 0; axis < 3; ++axis) {
      for (size_t r = 0; r < 3; ++r) matrix.push_back(each.columns[axis * 3 + r]);
      matrix.push_back(0);
    }
    for (const double v : {0.0, 0.0, 0.0, 1.0}) matrix.push_back(v);
    const json scene = {
        {"asset", {{"version", "2.0"}}},
        {"scenes", {{{"nodes", {0, 1}}}}},
        {"nodes",
         {{{"name", "Ref"}, {"matrix", matrix}}, {{"name", "Moved"}, {"translation", {5, 0, 0}}}}}};
    folder.Write("frame.gltf", scene.dump());
    const Outcome run = Kestrum({"align", "frame.gltf", "--reference", "Ref", "--select", "Moved",
                                 "--x", "center", "--frame", "tool", "-o", "out.gltf"});
    ASSERT_EQ(0, run.status) << run.err;
    const Affine written = NodeLocal(json::parse(Contents(Path("out.gltf")))["nodes"][1]);
    for (size_t axis = 0; axis < 3; ++axis)
      for (size_t r = 0; r < 3; ++r)
        EXPECT_NEAR(written[r][axis], each.columns[axis * 3 + r], 1e-9) << "axis " << axis;
  }
}

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
// layout and escapes included. A node held as a matrix that only moved keeps a matrix
// with the new offset and its other members; a plain node that only moved gets its
// translation list replaced where it stands, or added at its end.
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
  EXPECT_EQ(node["matrix"], json({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1})) << node;
  EXPECT_FALSE(node.contains("translation")) << node;
  ExpectValid(Path("out.gltf"), "");
}

}  // namespace
}  // namespace kcommand_test

// glTF scenes through the built kestrum program and through the reader and writer:
// real files from assimp-testmodels aligned, written and checked by the Khronos
// validator; round trips that keep every untouched value and the binary chunk; the
// host's placement read back from the written file; the meshes the view draws; and bad
// files refused.

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
#include "command_runner.h"
#include "gltf_meshes.h"
#include "gltf_transform.h"
#include "scene_document.h"
#include "temp_folder.h"
#include "transform.h"

namespace {

namespace fs = std::filesystem;
using khost_test::Contents;
using khost_test::Outcome;
using khost_test::Quoted;
using nlohmann::json;

const std::string kModels = "/usr/share/assimp/models/glTF2/";
const std::string kEngine = kModels + "2CylinderEngine-glTF-Binary/2CylinderEngine.glb";
const std::string kValidator = KESTRUM_SOURCE_DIR "/node_modules/gltf-validator/package.json";

// A GLB's JSON chunk, parsed, and the bytes after it.
std::pair<json, std::string> SplitGlb(const std::string& bytes) {
  uint32_t length = 0;
  std::memcpy(&length, bytes.data() + 12, 4);
  return {json::parse(bytes.substr(20, length)), bytes.substr(20 + length)};
}

class GltfScene : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kEngine))
      GTEST_SKIP() << "assimp-testmodels is not installed (scripts/install-deps.sh installs it)";
  }
  Outcome Run(const std::string& program, const std::vector<std::string>& arguments) {
    return khost_test::RunIn(folder.Path(), program, arguments);
  }
  Outcome Kestrum(const std::vector<std::string>& arguments) {
    return Run(khost_test::BuiltProgramWords(KESTRUM_COMMAND), arguments);
  }
  // The validator's report on a written file; no errors, and no warning whose code the
  // input's report did not already have.
  void ExpectValid(const std::string& written, const std::string& input) {
    if (!fs::exists(kValidator)) {
      std::cout << "notice: gltf-validator is not installed (npm ci); " << written
                << " not validated\n";
      return;
    }
    const std::string script = Quoted(KESTRUM_SOURCE_DIR "/tools/validate-gltf.js");
    const Outcome out = Run("node " + script, {written});
    ASSERT_NE(2, out.status) << out.err;
    const json report = json::parse(out.out);
    EXPECT_EQ(0, report["numErrors"]) << written << ": " << out.out;
    std::set<std::string> known;
    if (!input.empty()) {
      const json inputReport = json::parse(Run("node " + script, {input}).out);
      for (const json& issue : inputReport["messages"])
        known.insert(issue["code"].get<std::string>());
    }
    for (const json& issue : report["messages"]) {
      if (issue["severity"] == 1) {
        EXPECT_TRUE(known.count(issue["code"].get<std::string>())) << written << ": " << issue;
      }
    }
  }
  std::string Path(const std::string& name) const { return folder.Path() + "/" + name; }

  khost_test::TempFolder folder;
};

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

TEST_F(GltfScene, AlignsManyFilesInOneRunAndReportsTheBadOne) {
  const std::vector<std::string> inputs = {kModels + "BoxTextured-glTF/BoxTextured.gltf",
                                           kModels + "MissingBin/BoxTextured.gltf",
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
  EXPECT_NE(std::string::npos, run.err.find("MissingBin/BoxTextured.gltf: buffers[0].uri"))
      << run.err;
  EXPECT_NE(std::string::npos, run.err.find("demo.json: --reference: no object is named '#0'"))
      << run.err;
  EXPECT_FALSE(fs::exists(Path("out/demo.json")));
  // The .gltf, written to another folder, still finds its buffer and image.
  ExpectValid(Path("out/BoxTextured.gltf"), inputs[0]);
  ExpectValid(Path("out/BoxTextured.glb"), inputs[2]);
  const json written = json::parse(Contents(Path("out/BoxTextured.gltf")));
  EXPECT_TRUE(fs::exists(fs::path(Path("out")) / written["buffers"][0]["uri"].get<std::string>()));
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

TEST_F(GltfScene, NotesMeshesOffTheirOriginAndBoxesThemFromIt) {
  folder.Write("off.gltf", R"({"asset": {"version": "2.0"}, "scenes": [{"nodes": [0]}],
    "nodes": [{"name": "Off", "mesh": 0}], "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
    "accessors": [{"componentType": 5126, "count": 1, "type": "VEC3", "min": [0, -1, 0], "max": [2, 1, 3]}]})");
  const Outcome run = Kestrum({"list", "off.gltf"});
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("note: 1 node(s)")) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("Off (mesh centre 1, 0, 1.5)")) << run.err;
  EXPECT_NE(std::string::npos, run.out.find("Off  #0  at (0, 0, 0)  half (2, 1, 3)")) << run.out;
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

struct BadGltf {
  const char* what;
  std::string file;  // written as bad.gltf (bad.glb when it starts with "glTF"), or a path
  std::vector<std::string> options;
  std::string message;
};
void PrintTo(const BadGltf& value, std::ostream* out) { *out << value.what; }

std::string Glb(const std::string& text, uint32_t declaredLength, const std::string& after) {
  std::string bytes = "glTF";
  const uint32_t words[4] = {2, declaredLength, static_cast<uint32_t>(text.size()), 0x4E4F534A};
  bytes.append(reinterpret_cast<const char*>(words), sizeof words);
  return bytes + text + after;
}

const std::string kNodes = R"({"asset": {"version": "2.0"}, "scenes": [{"nodes": [0]}], "nodes": )";
const std::string kBoxJson =
    R"({"asset": {"version": "2.0"}, "scenes": [{"nodes": [0, 1]}], "nodes": [{"name": "A"}, {"name": "A"}]})";

class GltfRefused : public GltfScene, public ::testing::WithParamInterface<BadGltf> {};

TEST_P(GltfRefused, WithExitStatusTwoTheFileThePlaceAndNoOutput) {
  const BadGltf& bad = GetParam();
  std::string input = bad.file;
  if (bad.file.rfind("/usr/", 0) != 0)
    input = folder.Write(bad.file.rfind("glTF", 0) == 0 ? "bad.glb" : "bad.gltf", bad.file);
  std::vector<std::string> arguments = {"align", input, "--reference", "A", "-o", "out.glb"};
  arguments.insert(arguments.end(), bad.options.begin(), bad.options.end());
  const Outcome run = Kestrum(arguments);
  EXPECT_EQ(2, run.status) << bad.what << ": " << run.err;
  EXPECT_NE(std::string::npos, run.err.find(input + ":")) << bad.what << ": " << run.err;
  EXPECT_NE(std::string::npos, run.err.find(bad.message)) << bad.what << ": " << run.err;
  EXPECT_FALSE(fs::exists(Path("out.glb"))) << bad.what;
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, GltfRefused,
    ::testing::Values(
        BadGltf{"invalid JSON",
                R"({"asset": {"version": "2.0"}, "nodes": [}
)",
                {},
                "1:41: invalid JSON"},
        BadGltf{"GLB length", Glb("{}", 99, ""), {}, "the header gives the length 99"},
        BadGltf{"GLB chunk", Glb("{}", 26, "1234"), {}, "chunk 1 (byte 22): a chunk header"},
        BadGltf{"view out of range",
                kModels + "IncorrectVertexArrays/Cube.gltf",
                {},
                "bufferViews[2]: bytes 504 to 936 lie beyond"},
        BadGltf{"missing buffer",
                kModels + "MissingBin/BoxTextured.gltf",
                {},
                "buffers[0].uri: the file 'BoxTextured0.bin' is missing"},
        BadGltf{"cycle",
                kModels + "RecursiveNodes/RecursiveNodes.gltf",
                {},
                "nodes[0] -> nodes[1] -> nodes[0]"},
        BadGltf{"two parents",
                kNodes + R"([{"children": [2]}, {"children": [2]}, {}]})",
                {},
                "nodes[2]: the node has two parents"},
        BadGltf{"infinite positions",
                kModels + "BoxWithInfinites-glTF-Binary/BoxWithInfinites.glb",
                {},
                "accessors[2]: the POSITION bounds are not finite"},
        BadGltf{"number too large",
                kNodes + R"([{"translation": [1e999, 0, 0]}]})",
                {},
                "the number 1e999 is not finite"},
        BadGltf{"accessor out of range",
                kNodes +
                    R"([{"mesh": 0}], "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
                "accessors": [{"bufferView": 0, "componentType": 5126, "count": 9, "type": "VEC3"}],
                "bufferViews": [{"buffer": 0, "byteLength": 12}],
                "buffers": [{"byteLength": 12, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAA"}]})",
                {},
                "accessors[0]: 9 elements from byte 0 run past the 12 bytes of bufferViews[0]"},
        BadGltf{"node not an object", kNodes + R"([{}, 7]})", {}, "nodes[1]: not a JSON object"},
        BadGltf{"child not an index",
                kNodes + R"([{"children": [1, "2"]}, {}]})",
                {},
                "nodes[0].children: not a list of node indices"},
        BadGltf{"no such mesh",
                kNodes + R"([{"mesh": 4294967296}]})",
                {},
                "nodes[0].mesh: no mesh 4294967296"},
        BadGltf{"nested too deep inside a node",
                kNodes + "[{\"extras\": " + std::string(120, '[') + std::string(120, ']') + "}]}",
                {},
                "the JSON nests deeper than 100 levels"},
        BadGltf{"unknown name", kBoxJson, {"--select", "B"}, "--select: no object is named 'B'"},
        BadGltf{"pattern matching nothing",
                kBoxJson,
                {"--select", "Q*"},
                "--select: no object's path matches 'Q*'"},
        BadGltf{"ambiguous name", kBoxJson, {}, "the name 'A' is ambiguous"},
        BadGltf{"no such scene", kBoxJson, {"--scene", "3"}, "--scene: 3 is not a scene"}));

// glTF node transforms: what decomposes and what glTF cannot hold.
TEST(GltfTransform, DecomposesRotationsAndScalesAndRefusesShear) {
  const double s = std::sqrt(0.5);
  for (const kcommand::Trs& trs : {kcommand::Trs{{1, 2, 3}, {0, 0, 0, 1}, {1, 1, 1}},
                                   kcommand::Trs{{-4, 0, 9}, {0, s, 0, s}, {2, 3, 0.5}},
                                   kcommand::Trs{{0, 0, 0}, {0.5, 0.5, 0.5, 0.5}, {1, 1, -2}},
                                   kcommand::Trs{{5, 5, 5}, {1, 0, 0, 0}, {1e-2, 1e3, 7}}}) {
    const kcommand::LocalMatrix m = kcommand::MatrixFromTrs(trs);
    const std::optional<kcommand::Trs> back = kcommand::DecomposeTrs(m);
    ASSERT_TRUE(back.has_value());
    const kcommand::LocalMatrix again = kcommand::MatrixFromTrs(*back);
    for (size_t c = 0; c < 4; ++c)
      for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(m[c][i], again[c][i], 1e-12 * 1e3);
    EXPECT_EQ(trs.scale[2] < 0, back->scale[2] < 0);
  }
  const kcommand::LocalMatrix sheared{
      kcommand::Vector3{0, 0, 0}, {1, 0, 0}, {0.3, 1, 0}, {0, 0, 1}};
  EXPECT_FALSE(kcommand::DecomposeTrs(sheared).has_value());
  const kcommand::LocalMatrix flat{kcommand::Vector3{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 0, 1}};
  EXPECT_FALSE(kcommand::DecomposeTrs(flat).has_value());
}

}  // namespace

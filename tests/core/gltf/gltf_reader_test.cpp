// Reading glTF: boxes of meshes off their node's origin, and bad files refused with the
// file, the place and no output.

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

TEST_F(GltfScene, BoxesAMeshWhereItIsOrAboutTheOriginWhenAsked) {
  // Quantized positions: normalized shorts, unsigned shorts and unsigned bytes whose
  // bounds are read as the numbers they stand for; instances at x 0 and 10, which the
  // box holds both of.
  folder.Write("off.gltf", R"({"asset": {"version": "2.0"}, "scenes": [{"nodes": [0, 1, 2, 3, 4]}],
    "nodes": [{"name": "Off", "mesh": 0}, {"name": "Packed", "mesh": 1},
              {"name": "Many", "mesh": 0, "extensions": {"EXT_mesh_gpu_instancing": {"attributes": {"TRANSLATION": 2}}}},
              {"name": "UShorts", "mesh": 2}, {"name": "UBytes", "mesh": 3}],
    "buffers": [{"byteLength": 24, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAAAgQQAAAAAAAAAA"}],
    "bufferViews": [{"buffer": 0, "byteLength": 24}],
    "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}, {"primitives": [{"attributes": {"POSITION": 1}}]},
               {"primitives": [{"attributes": {"POSITION": 3}}]}, {"primitives": [{"attributes": {"POSITION": 4}}]}],
    "accessors": [{"componentType": 5126, "count": 1, "type": "VEC3", "min": [0, -1, 0], "max": [2, 1, 3]},
                  {"componentType": 5122, "normalized": true, "count": 1, "type": "VEC3",
                   "min": [0, -32767, -32768], "max": [32767, 0, 32767]},
                  {"bufferView": 0, "componentType": 5126, "count": 2, "type": "VEC3"},
                  {"componentType": 5123, "normalized": true, "count": 1, "type": "VEC3",
                   "min": [0, 0, 13107], "max": [65535, 65535, 52428]},
                  {"componentType": 5121, "normalized": true, "count": 1, "type": "VEC3",
                   "min": [0, 51, 0], "max": [255, 255, 255]}]})");
  const struct {
    std::vector<std::string> options;
    std::vector<const char*> lines;
  } cases[] = {
      {{},
       {"Off  #0  at (1, 0, 1.5)  half (1, 1, 1.5)",
        "Packed  #1  at (0.5, -0.5, 0)  half (0.5, 0.5, 1)",
        "Many  #2  at (6, 0, 1.5)  half (6, 1, 1.5)",
        "UShorts  #3  at (0.5, 0.5, 0.5)  half (0.5, 0.5, 0.3)",
        "UBytes  #4  at (0.5, 0.6, 0.5)  half (0.5, 0.4, 0.5)"}},
      {{"--box", "origin"},
       {"Off  #0  at (0, 0, 0)  half (2, 1, 3)", "Packed  #1  at (0, 0, 0)  half (1, 1, 1)",
        "Many  #2  at (0, 0, 0)  half (12, 1, 3)", "UShorts  #3  at (0, 0, 0)  half (1, 1, 0.8)",
        "UBytes  #4  at (0, 0, 0)  half (1, 1, 1)"}},
  };
  for (const auto& each : cases) {
    std::vector<std::string> arguments = {"list", "off.gltf"};
    arguments.insert(arguments.end(), each.options.begin(), each.options.end());
    const Outcome run = Kestrum(arguments);
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("note: 1 node(s) draw their mesh once per instance"))
        << run.err;
    for (const char* line : each.lines) EXPECT_NE(std::string::npos, run.out.find(line)) << run.out;
  }
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
        BadGltf{"GLB binary chunk unaligned",
                Glb("{}", 33, std::string("\x03\0\0\0BIN\0xyz", 11)),
                {},
                "chunk 1 (byte 22): the binary chunk's length 3 is not a multiple of 4"},
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
        BadGltf{
            "world matrix not finite, named by node",
            Glb(R"({"asset": {"version": "2.0"}, "scenes": [{"nodes": [1]}], "nodes": [{"name": "A", "translation": [1e200, 0, 0]}, {"name": "B", "scale": [1e200, 1, 1], "children": [0]}]}   )",
                192, ""),
            {},
            "nodes[0]: object 'B/A' ends up with a world matrix that is not finite"},
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
        BadGltf{"no such scene", kBoxJson, {"--scene", "3"}, "--scene: 3 is not a scene"},
        BadGltf{
            "compressed positions without bounds",
            kNodes + R"([{"mesh": 0}], "meshes": [{"primitives": [{"attributes": {"POSITION": 0},
                  "extensions": {"KHR_draco_mesh_compression": {"bufferView": 0, "attributes": {"POSITION": 0}}}}]}],
                "accessors": [{"componentType": 5126, "count": 3, "type": "VEC3"}]})",
            {},
            "accessors[0]: a POSITION accessor without min and max, and no bufferView"},
        BadGltf{
            "a required extension that moves geometry",
            R"({"asset": {"version": "2.0"}, "extensionsRequired": ["MSFT_lod"], "scenes": [{"nodes": [0]}], "nodes": [{}]})",
            {},
            "extensionsRequired[0]: the file requires MSFT_lod"}));

// glTF node transforms: what decomposes and what glTF cannot hold.

}  // namespace
}  // namespace kcommand_test

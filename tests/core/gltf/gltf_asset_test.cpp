// The one check of a glTF document: what it refuses, naming the place, and what it
// describes of a file it accepts. Each bad case changes one part of a good document.

#include "gltf_asset.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "input_error.h"
#include "temp_folder.h"

namespace kcommand_test {
namespace {

using nlohmann::ordered_json;

// 24 zero bytes: two VEC3 floats.
const char* const kGood = R"({"asset": {"version": "2.0"},
  "buffers": [{"byteLength": 24,
               "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"}],
  "bufferViews": [{"buffer": 0, "byteLength": 24}],
  "accessors": [{"bufferView": 0, "componentType": 5126, "count": 2, "type": "VEC3"}],
  "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
  "scenes": [{"nodes": [0]}], "nodes": []})";

struct BadPart {
  const char* what;
  const char* patch;  // merged into kGood
  std::string message;
  bool binary = false;
};

kcommand::GltfAsset Check(const ordered_json& document, const std::string& folder, bool binary) {
  const std::optional<uint64_t> binChunk = binary ? std::optional<uint64_t>(12) : std::nullopt;
  return kcommand::CheckGltfAsset(document, {"t.gltf", folder, binary, binChunk});
}

TEST(GltfAsset, RefusesEachBrokenPartNamingItsPlace) {
  const khost_test::TempFolder folder;
  folder.Write("short.bin", "1234");
  const std::vector<BadPart> cases = {
      {"short data URI", R"({"buffers": [{"byteLength": 30, "uri": "data:x;base64,AAAA"}]})",
       "buffers[0].uri: the data: URI holds 3 bytes, fewer than the buffer's byteLength 30"},
      {"short file", R"({"buffers": [{"byteLength": 24, "uri": "short.bin"}]})",
       "buffers[0].uri: the file 'short.bin' has 4 bytes, fewer than"},
      {"no URI in a .gltf", R"({"buffers": [{"byteLength": 24}]})", "buffers[0].uri: missing"},
      {"past the binary chunk", R"({"buffers": [{"byteLength": 24}]})",
       "buffers[0].byteLength: 24 bytes, more than the 12 bytes of the .glb's binary chunk", true},
      {"view of no buffer", R"({"bufferViews": [{"buffer": 1, "byteLength": 24}]})",
       "bufferViews[0]: no buffer 1"},
      {"odd stride", R"({"bufferViews": [{"buffer": 0, "byteLength": 24, "byteStride": 6}]})",
       "bufferViews[0].byteStride: 6 is not a multiple of 4"},
      {"offset not a number",
       R"({"bufferViews": [{"buffer": 0, "byteLength": 4, "byteOffset": "2"}]})",
       "bufferViews[0].byteOffset: not a non-negative integer"},
      {"strided past the view",
       R"({"bufferViews": [{"buffer": 0, "byteLength": 24, "byteStride": 16}]})",
       "accessors[0]: 2 elements from byte 0 run past the 24 bytes of bufferViews[0]"},
      {"unknown type", R"({"accessors": [{"componentType": 5126, "count": 2, "type": "VEC5"}]})",
       "accessors[0].type: 'VEC5' is not an element type"},
      {"unknown component",
       R"({"accessors": [{"componentType": 5127, "count": 2, "type": "VEC3"}]})",
       "accessors[0].componentType: 5127 is not a component type"},
      {"no count", R"({"accessors": [{"componentType": 5126, "type": "VEC3"}]})",
       "accessors[0].count: missing"},
      {"sparse without indices",
       R"({"accessors": [{"componentType": 5126, "count": 2, "type": "VEC3",
                          "sparse": {"count": 1, "values": {"bufferView": 0}}}]})",
       "accessors[0].sparse.indices: missing"},
      {"attribute of no accessor",
       R"({"meshes": [{"primitives": [{"attributes": {"POSITION": 5}}]}]})",
       "meshes[0].primitives[0].attributes.POSITION: no accessor 5"},
      {"primitive without attributes", R"({"meshes": [{"primitives": [{"indices": 0}]}]})",
       "meshes[0].primitives[0].attributes: missing"},
      {"indices without data",
       R"({"accessors": [{"componentType": 5123, "count": 3, "type": "SCALAR"}],
           "meshes": [{"primitives": [{"attributes": {}, "indices": 0}]}]})",
       "meshes[0].primitives[0].indices: accessors[0] has no bufferView"},
      {"image of both kinds", R"({"images": [{"bufferView": 0, "uri": "a.png"}]})",
       "images[0]: both a bufferView and a uri"},
      {"image of no view", R"({"images": [{"bufferView": 1}]})",
       "images[0].bufferView: no such buffer view"},
      {"missing image file", R"({"images": [{"uri": "gone.png"}]})",
       "images[0].uri: the file 'gone.png' is missing"},
      {"texture reference without index",
       R"({"materials": [{"pbrMetallicRoughness": {"baseColorTexture": {"texCoord": 0}}}]})",
       "materials[0].pbrMetallicRoughness.baseColorTexture.index: missing"},
      {"entry not an object", R"({"animations": [3]})", "animations[0]: not a JSON object"},
      {"roots not indices", R"({"scenes": [{"nodes": ["0"]}]})",
       "scenes[0].nodes: not a list of node indices"},
  };
  for (const BadPart& bad : cases) {
    ordered_json document = ordered_json::parse(kGood);
    document.merge_patch(ordered_json::parse(bad.patch));
    try {
      Check(document, folder.Path(), bad.binary);
      ADD_FAILURE() << bad.what << ": accepted";
    } catch (const kcommand::InputError& error) {
      EXPECT_EQ(std::string(error.what()).rfind("t.gltf: " + bad.message, 0), 0u)
          << bad.what << ": " << error.what();
    }
  }
}

// What the reader and the meshes rely on, and the leniencies files that read keep.
TEST(GltfAsset, DescribesTheCheckedParts) {
  ordered_json document = ordered_json::parse(kGood);
  document.merge_patch(ordered_json::parse(R"({"scene": "first",
    "accessors": [{"bufferView": 0, "componentType": 5126, "count": 2, "type": "VEC3",
                   "min": [-1, 0, 0], "max": [1, 2, 3]}],
    "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "mode": 0}]},
               {"primitives": {"not": "a list"}}],
    "materials": [{"normalTexture": {"index": -1}}]})"));
  const kcommand::GltfAsset asset = Check(document, ".", false);
  ASSERT_EQ(asset.buffers.size(), 1u);
  EXPECT_EQ(asset.buffers[0].source, kcommand::GltfBufferSource::kDataUri);
  ASSERT_EQ(asset.accessors.size(), 1u);
  EXPECT_EQ(asset.accessors[0].components, 3u);
  EXPECT_EQ(asset.accessors[0].ElementBytes(), 12u);
  ASSERT_TRUE(asset.accessors[0].max);
  EXPECT_EQ((*asset.accessors[0].max)[2], 3.0);
  ASSERT_EQ(asset.meshes.size(), 2u);
  EXPECT_EQ(asset.meshes[0].count, 1u);
  EXPECT_EQ(asset.meshes[1].count, 0u);
  EXPECT_EQ(asset.primitives[0].position, 0u);
  EXPECT_EQ(asset.primitives[0].mode, 0u);
  EXPECT_EQ(asset.scenes, std::vector<std::vector<int64_t>>{{0}});
  EXPECT_EQ(asset.defaultScene, 0u);
}

}  // namespace
}  // namespace kcommand_test

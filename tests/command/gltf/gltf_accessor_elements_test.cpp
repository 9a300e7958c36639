// An accessor's elements start at its view's bytes plus its own offset, step by the
// view's stride or else by the element's size, and are refused where a reader would
// take the wrong numbers.

#include "gltf_accessor_elements.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "temp_folder.h"

namespace kcommand_test {
namespace {

TEST(GltfAccessorElements, PlacesEachElementAndRefusesWhatCannotBeReadPlainly) {
  const khost_test::TempFolder folder;
  // The buffer's bytes are 0 to 63, so an element's first byte is its offset in the buffer.
  const nlohmann::ordered_json document = nlohmann::ordered_json::parse(R"({
    "asset": {"version": "2.0"},
    "buffers": [{"byteLength": 64, "uri": "data:application/gltf-buffer;base64,AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+Pw=="}],
    "bufferViews": [{"buffer": 0, "byteLength": 24},
                    {"buffer": 0, "byteOffset": 24, "byteLength": 32, "byteStride": 16},
                    {"buffer": 0, "byteOffset": 56, "byteLength": 8}],
    "accessors": [
      {"bufferView": 0, "componentType": 5126, "count": 2, "type": "VEC3"},
      {"bufferView": 1, "byteOffset": 4, "componentType": 5126, "count": 2, "type": "VEC3"},
      {"bufferView": 2, "componentType": 5123, "normalized": true, "count": 1, "type": "VEC3"},
      {"bufferView": 0, "componentType": 5126, "count": 6, "type": "SCALAR"},
      {"componentType": 5126, "count": 2, "type": "VEC3"},
      {"bufferView": 0, "componentType": 5126, "count": 2, "type": "VEC3",
       "sparse": {"count": 1, "indices": {"bufferView": 2, "componentType": 5121},
                  "values": {"bufferView": 0}}}]})");
  const kcommand::GltfAsset asset =
      kcommand::CheckGltfAsset(document, {"t.gltf", folder.Path(), false, std::nullopt});
  kcommand::GltfBufferBytes buffers(asset, "");
  kcommand::GltfViewBytes views(asset, buffers, 0);
  const unsigned char* buffer =
      reinterpret_cast<const unsigned char*>(buffers.Get(0).value().data());

  struct Placed {
    size_t accessor;
    size_t firstByte;
    size_t count;
    size_t stride;
    uint32_t componentType;
    bool normalized;
  };
  const Placed placed[] = {
      {0, 0, 2, 12, 5126, false},   // packed: the element's size
      {1, 28, 2, 16, 5126, false},  // the view's stride, after the accessor's offset
      {2, 56, 1, 6, 5123, true},
  };
  for (const Placed& expected : placed) {
    SCOPED_TRACE(expected.accessor);
    const std::optional<kcommand::GltfElements> elements =
        kcommand::GltfAccessorElements(asset, views, expected.accessor, 3);
    ASSERT_TRUE(elements);
    EXPECT_EQ(elements->data - buffer, static_cast<ptrdiff_t>(expected.firstByte));
    const size_t last = expected.count - 1;
    EXPECT_EQ(*elements->At(last), expected.firstByte + last * expected.stride);
    EXPECT_EQ(elements->count, expected.count);
    EXPECT_EQ(elements->stride, expected.stride);
    EXPECT_EQ(elements->componentType, expected.componentType);
    EXPECT_EQ(elements->normalized, expected.normalized);
  }
  EXPECT_FALSE(kcommand::GltfAccessorElements(asset, views, 3, 3)) << "other components";
  EXPECT_FALSE(kcommand::GltfAccessorElements(asset, views, 4, 3)) << "no buffer view: all zeros";
  EXPECT_FALSE(kcommand::GltfAccessorElements(asset, views, 5, 3)) << "sparse";
}

}  // namespace
}  // namespace kcommand_test

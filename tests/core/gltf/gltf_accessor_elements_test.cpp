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
  const auto* buffer = reinterpret_cast<const unsigned char*>(buffers.Get(0).value().data());

  struct Case {
    const char* what;
    size_t firstByte, count, stride;  // count 0: refused
    uint32_t componentType;
    bool normalized;
  };
  const Case cases[] = {
      {"packed: the element's size", 0, 2, 12, 5126, false},
      {"the view's stride, after the accessor's offset", 28, 2, 16, 5126, false},
      {"normalized integers", 56, 1, 6, 5123, true},
      {"other components", 0, 0, 0, 0, false},
      {"no buffer view: all zeros", 0, 0, 0, 0, false},
      {"sparse", 0, 0, 0, 0, false},
  };
  for (size_t accessor = 0; accessor < std::size(cases); ++accessor) {
    const Case& expected = cases[accessor];
    SCOPED_TRACE(expected.what);
    const std::optional<kcommand::GltfElements> elements =
        kcommand::GltfAccessorElements(asset, views, accessor, 3);
    ASSERT_EQ(elements.has_value(), expected.count > 0);
    if (!elements) continue;
    const size_t last = expected.count - 1;
    EXPECT_EQ(elements->data, buffer + expected.firstByte) << "read where it lies";
    EXPECT_EQ(*elements->At(last), expected.firstByte + last * expected.stride);
    EXPECT_EQ(elements->count, expected.count);
    EXPECT_EQ(elements->stride, expected.stride);
    EXPECT_EQ(elements->componentType, expected.componentType);
    EXPECT_EQ(elements->normalized, expected.normalized);
  }
}

}  // namespace
}  // namespace kcommand_test

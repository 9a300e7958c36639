// A buffer's bytes come from where the asset says, cut to its byteLength: the .glb's
// binary chunk where it lies, a data: URI decoded, a file read.

#include "gltf_buffer_bytes.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "temp_folder.h"

namespace kcommand_test {
namespace {

TEST(GltfBufferBytes, ReadsEachSourceToItsByteLength) {
  const khost_test::TempFolder folder;
  folder.Write("longer.bin", "abcdefgh");
  // "AAECAwQF" is the bytes 0 to 5.
  const nlohmann::ordered_json document = nlohmann::ordered_json::parse(R"({
    "asset": {"version": "2.0"}, "buffers": [{"byteLength": 4},
      {"byteLength": 5, "uri": "data:application/gltf-buffer;base64,AAECAwQF"},
      {"byteLength": 3, "uri": "longer.bin"}]})");
  const kcommand::GltfAsset asset =
      kcommand::CheckGltfAsset(document, {"t.glb", folder.Path(), true, 8});
  // The chunk's header (length 8, "BIN\0"), then its 8 bytes.
  const std::string chunks = std::string("\x08\0\0\0BIN\0", 8) + "wxyz1234";
  kcommand::GltfBufferBytes bytes(asset, chunks);

  const std::optional<std::string_view> chunk = bytes.Get(0);
  ASSERT_TRUE(chunk);
  EXPECT_EQ(*chunk, "wxyz");
  EXPECT_EQ(chunk->data(), chunks.data() + 8) << "the binary chunk is read where it lies";
  EXPECT_EQ(bytes.Get(1), std::string_view("\0\1\2\3\4", 5));
  EXPECT_EQ(bytes.Get(2), "abc");
}

}  // namespace
}  // namespace kcommand_test

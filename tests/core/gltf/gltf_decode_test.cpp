// Compressed views decoded to the bytes they were made from, and what does not decode,
// or would be larger than allowed, refused without a crash.

#include "gltf_decode.h"

#include <gtest/gtest.h>

#ifdef KESTRUM_MESH_DECODING
#include <meshoptimizer.h>
#endif

#include <cstring>

namespace kcommand_test {
namespace {

using kcommand::GltfMeshoptMode;
using kcommand::GltfMeshoptSource;

TEST(GltfDecode, MeshoptViewsRoundTripAndTheRestIsRefused) {
  GltfMeshoptSource view;
  view.byteStride = 12;
  view.count = 8;
  std::string compressed = "not a meshopt stream";
#ifdef KESTRUM_MESH_DECODING
  const float corners[8][3] = {{-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {1, 1, -1},
                               {-1, -1, 1},  {1, -1, 1},  {-1, 1, 1},  {1, 1, 1}};
  std::string encoded(meshopt_encodeVertexBufferBound(8, 12), '\0');
  encoded.resize(meshopt_encodeVertexBuffer(reinterpret_cast<unsigned char*>(encoded.data()),
                                            encoded.size(), corners, 8, 12));
  const std::optional<std::string> decoded = kcommand::DecodeMeshoptView(view, encoded, 1 << 20);
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->size(), sizeof corners);
  EXPECT_EQ(std::memcmp(decoded->data(), corners, sizeof corners), 0);
  // One byte fewer than the view would take.
  EXPECT_FALSE(kcommand::DecodeMeshoptView(view, encoded, sizeof corners - 1));
  compressed = encoded;
#endif
  view.mode = GltfMeshoptMode::kTriangles;  // 8 is no whole number of triangles
  EXPECT_FALSE(kcommand::DecodeMeshoptView(view, compressed, 1 << 20));
  view.mode = GltfMeshoptMode::kAttributes;
  EXPECT_FALSE(kcommand::DecodeMeshoptView(view, "not a meshopt stream", 1 << 20));
  EXPECT_FALSE(kcommand::DecodeDracoMesh("not a Draco mesh", 0, 1 << 20));
}

}  // namespace
}  // namespace kcommand_test

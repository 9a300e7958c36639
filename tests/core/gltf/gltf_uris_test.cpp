// The URIs of buffer and image files: which name files beside the glTF file, and their
// decoding and encoding, which must round-trip any file name.

#include "gltf_uris.h"

#include <gtest/gtest.h>

namespace kcommand {
namespace {

TEST(GltfUris, RelativeFilesAreTheOnlyOnesReadBesideTheFile) {
  const struct {
    const char* uri;
    bool relative;
  } cases[] = {{"Box0.bin", true},
               {"textures/a%20b.png", true},
               {"../shared/b.bin", true},
               {"data:application/octet-stream;base64,AAAA", false},
               {"https://example.invalid/b.bin", false},
               {"file:///tmp/b.bin", false},
               {"/tmp/b.bin", false},
               {"", false}};
  for (const auto& c : cases) EXPECT_EQ(c.relative, IsRelativeFileUri(c.uri)) << c.uri;
}

TEST(GltfUris, EncodingRoundTripsThroughDecoding) {
  EXPECT_EQ("a b.png", DecodeUri("a%20b.png"));
  EXPECT_EQ("textures/a%20b%25c.png", EncodeUriPath("textures/a b%c.png"));
  for (const char* path : {"plain.bin", "with space/and%percent.bin", "ünï/cödé.png", "a+b&c.bin"})
    EXPECT_EQ(path, DecodeUri(EncodeUriPath(path))) << path;
}

}  // namespace
}  // namespace kcommand

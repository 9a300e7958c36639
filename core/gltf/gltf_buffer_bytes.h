#pragma once
// The bytes of a glTF file's buffers, read when first asked for and kept: a .glb's binary
// chunk where it already lies in memory, a data: URI decoded, a file beside the scene
// read. The asset has checked that each holds its byteLength.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "gltf_asset.h"

namespace kcommand {

class GltfBufferBytes {
 public:
  // `chunksAfterJson`: a .glb's bytes after its JSON chunk, which outlive this.
  GltfBufferBytes(const GltfAsset& asset, std::string_view chunksAfterJson)
      : asset_(asset), chunksAfterJson_(chunksAfterJson) {}

  // The buffer's byteLength bytes; nothing when they cannot be read any more (a file
  // that shrank or went away since it was checked).
  std::optional<std::string_view> Get(size_t buffer);

 private:
  const GltfAsset& asset_;
  std::string_view chunksAfterJson_;
  std::map<size_t, std::optional<std::string>> owned_;
};

}  // namespace kcommand

#pragma once
// Compressed geometry decoded for the view: meshopt buffer views into the bytes they
// stand for, Draco primitives into positions and triangles. Built with Debian's draco
// and meshoptimizer when they are there; without them nothing is decoded.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gltf_asset.h"

namespace kcommand {

// Whether this build decodes compressed geometry at all.
bool GltfDecodesCompressedMeshes();

// The view's `count * byteStride` bytes, decoded from `compressed` (the extension's
// range of its buffer). Nothing when they would be more than `maxBytes`, or the data or
// its mode, stride or filter is not one that decodes.
std::optional<std::string> DecodeMeshoptView(const GltfMeshoptSource& source,
                                             std::string_view compressed, size_t maxBytes);

struct GltfDecodedMesh {
  std::vector<float> positions;   // x, y, z per point
  std::vector<uint32_t> indices;  // three per triangle
};

// The Draco mesh in `compressed`, with the positions of its attribute `positionId`.
// Nothing when it does not decode, has no such attribute of three numbers, or is more
// than `maxBytes` of positions and indices.
std::optional<GltfDecodedMesh> DecodeDracoMesh(std::string_view compressed, uint32_t positionId,
                                               size_t maxBytes);

}  // namespace kcommand

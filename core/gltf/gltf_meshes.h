#pragma once
// The triangles of a glTF scene's meshes, for drawing: each mesh the scene's nodes use,
// once, as positions and triangle indices in the mesh's own frame, read from the
// document and buffers the reader kept, compressed ones decoded where the build can
// (gltf_decode.h). Points and lines are not drawn; a primitive that cannot be read
// (sparse, quantised in a way not handled, out of range, not decoded) is left out rather
// than failing the scene, since its box still stands for it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "gltf_reader.h"

namespace kcommand {

// Geometry beyond this many bytes (positions and indices together, decoded or not) is
// not extracted: the meshes past it are left out, their boxes still drawn.
constexpr size_t kMaxGltfMeshBytes = size_t{128} << 20;

struct GltfMesh {
  size_t source = 0;              // its index in the file's meshes
  std::vector<float> positions;   // x, y, z per vertex
  std::vector<uint32_t> indices;  // three per triangle
};

struct GltfMeshes {
  std::vector<GltfMesh> meshes;
  // For each object in ListObjects order: its mesh in `meshes`, or none.
  std::vector<std::optional<size_t>> meshOfObject;
  size_t skippedPrimitives = 0;  // not triangles, or not readable
  // Compressed (Draco, meshopt) and not decoded, for want of the decoders in this build
  // or because the data does not decode: their boxes stand for them.
  size_t compressedPrimitives = 0;
  size_t leftOutMeshes = 0;  // past kMaxGltfMeshBytes
};

GltfMeshes ReadGltfMeshes(const GltfFile& file, size_t maxBytes = kMaxGltfMeshBytes);

}  // namespace kcommand

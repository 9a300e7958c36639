#pragma once
// A glTF file's document (everything but its nodes) checked once: the buffers and where
// their bytes come from, the buffer views and accessors with every byte range inside its
// buffer, the meshes' primitives, the scenes and the default scene. The reader, the
// writer and the view's meshes all read this one asset; nothing is checked twice.
//
// Buffers are only described here; their bytes are read when needed (gltf_buffer_bytes).

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gltf_transform.h"

namespace kcommand {

// Component types, as glTF numbers them.
constexpr uint32_t kGltfByte = 5120, kGltfUnsignedByte = 5121, kGltfShort = 5122,
                   kGltfUnsignedShort = 5123, kGltfInt = 5124, kGltfUnsignedInt = 5125,
                   kGltfFloat = 5126, kGltfDouble = 5130;

// Bytes per component; 0 for a number that is not a component type.
size_t GltfComponentBytes(uint32_t componentType);
// What a normalized integer component stands for (quantized data: 32767 of a short is
// 1, -1 the least); a float as it is.
double GltfNormalized(double stored, uint32_t componentType);

// kFallback: a buffer that only stands in for compressed data (EXT_meshopt_compression's
// "fallback"), with no bytes of its own.
enum class GltfBufferSource { kBinChunk, kDataUri, kFile, kFallback };

struct GltfBuffer {
  uint64_t byteLength = 0;
  GltfBufferSource source = GltfBufferSource::kBinChunk;
  // kDataUri: where the base64 text starts in the buffer's "uri".
  size_t dataAt = 0;
  // kFile: the file, resolved from the scene's folder.
  std::string path;
};

// How EXT_meshopt_compression compressed a view's bytes.
enum class GltfMeshoptMode { kAttributes, kTriangles, kIndices };
enum class GltfMeshoptFilter { kNone, kOctahedral, kQuaternion, kExponential };

// Where a compressed view's bytes come from: `count` elements of `byteStride` bytes,
// compressed into a range that lies inside `buffer`.
struct GltfMeshoptSource {
  size_t buffer = 0;
  uint64_t byteOffset = 0;
  uint64_t byteLength = 0;
  uint32_t byteStride = 0;
  uint64_t count = 0;
  GltfMeshoptMode mode = GltfMeshoptMode::kAttributes;
  GltfMeshoptFilter filter = GltfMeshoptFilter::kNone;
};

struct GltfBufferView {
  size_t buffer = 0;
  uint64_t byteOffset = 0;
  uint64_t byteLength = 0;
  uint32_t byteStride = 0;  // 0: elements packed
  // Its bytes are decompressed from another buffer (EXT_meshopt_compression).
  bool compressed = false;
  // Set when the extension's members can be read: its bytes might then be decoded.
  std::optional<GltfMeshoptSource> meshopt;
};

struct GltfAccessor {
  std::optional<size_t> bufferView;  // none: all zeros, or only sparse values
  uint64_t byteOffset = 0;
  uint64_t count = 0;
  uint32_t componentType = 0;
  uint32_t components = 0;  // per element: 1 SCALAR, 3 VEC3, 4 VEC4 or MAT2, ...
  bool matrix = false;
  bool normalized = false;
  bool sparse = false;
  // "min" and "max" when both are lists of three numbers.
  std::optional<Vector3> min;
  std::optional<Vector3> max;

  uint64_t ElementBytes() const { return uint64_t{GltfComponentBytes(componentType)} * components; }
};

constexpr uint64_t kGltfTriangles = 4;

struct GltfPrimitive {
  std::optional<size_t> position;  // its POSITION accessor
  std::optional<size_t> indices;
  std::optional<uint64_t> mode;  // none when "mode" is not a number
  // Its vertices are compressed (KHR_draco_mesh_compression): its accessors describe
  // them, with their bounds, but hold no bytes.
  bool compressed = false;
  // Set when the extension names a view and a POSITION attribute id: the Draco data.
  std::optional<size_t> dracoView;
  uint32_t dracoPosition = 0;
};

struct GltfMeshPrimitives {
  size_t first = 0;  // in GltfAsset::primitives
  size_t count = 0;
};

struct GltfAsset {
  // The file's JSON without its nodes ("nodes" is an empty array).
  nlohmann::ordered_json document;
  std::vector<GltfBuffer> buffers;
  std::vector<GltfBufferView> bufferViews;
  std::vector<GltfAccessor> accessors;
  std::vector<GltfPrimitive> primitives;
  std::vector<GltfMeshPrimitives> meshes;
  // Each scene's root nodes as written (checked against the nodes by the reader).
  std::vector<std::vector<int64_t>> scenes;
  uint64_t defaultScene = 0;  // "scene", else 0
};

// Where a file's buffers may come from.
struct GltfAssetContext {
  std::string fileName;  // for messages
  std::string folder;    // relative URIs resolve from here
  bool binary = false;   // a .glb: its buffers may be its binary chunk
  std::optional<uint64_t> binChunkLength;
};

// Extensions listed in extensionsRequired that the command refuses, because they change
// where the geometry is in a way its boxes cannot follow, with why; empty when none.
const char* GltfRefusedExtension(std::string_view name);

// Checks `document` and describes it. Throws InputError "fileName: place: problem" (place
// as in "accessors[3]") for anything the command cannot read safely: a buffer whose
// bytes are missing or short, a view or accessor outside its buffer, an index that names
// nothing, a member the reading needs missing or of the wrong type.
GltfAsset CheckGltfAsset(nlohmann::ordered_json document, const GltfAssetContext& context);

}  // namespace kcommand

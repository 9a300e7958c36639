#include "gltf_meshes.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string_view>

#include "gltf_accessor_elements.h"
#include "gltf_buffer_bytes.h"
#include "gltf_decode.h"

namespace kcommand {
namespace {

constexpr uint64_t kTriangles = kGltfTriangles, kTriangleStrip = 5, kTriangleFan = 6;

// A position component; the integer types are those of quantised meshes.
// An integer component as stored, or as the number it stands for when normalized (the
// quotient rounded once to float, as a float division gives it).
template <typename T>
float Stored(const unsigned char* at, uint32_t type, bool normalized) {
  const T value = GltfRead<T>(at);
  return normalized ? static_cast<float>(GltfNormalized(value, type)) : static_cast<float>(value);
}

float Component(const unsigned char* at, uint32_t type, bool normalized) {
  switch (type) {
    case kGltfFloat:
      return GltfRead<float>(at);
    case kGltfByte:
      return Stored<int8_t>(at, type, normalized);
    case kGltfUnsignedByte:
      return Stored<uint8_t>(at, type, normalized);
    case kGltfShort:
      return Stored<int16_t>(at, type, normalized);
    case kGltfUnsignedShort:
      return Stored<uint16_t>(at, type, normalized);
    default:
      return NAN;
  }
}

uint32_t Index(const unsigned char* at, uint32_t type) {
  switch (type) {
    case kGltfUnsignedByte:
      return GltfRead<uint8_t>(at);
    case kGltfUnsignedShort:
      return GltfRead<uint16_t>(at);
    default:
      return GltfRead<uint32_t>(at);
  }
}

struct Primitive {
  // Whose vertices these are: their POSITION accessor, or past the accessors for
  // decoded Draco points, which no other primitive shares.
  size_t vertexSource = 0;
  GltfElements positions;
  std::optional<GltfElements> indices;
  uint64_t mode = kTriangles;
  std::shared_ptr<const GltfDecodedMesh> decoded;  // what the elements point into

  size_t Corners() const { return indices ? indices->count : positions.count; }
  size_t Triangles() const {
    const size_t corners = Corners();
    if (mode == kTriangles) return corners / 3;
    return corners >= 3 ? corners - 2 : 0;
  }
};

// Vertices compressed by Draco, or positions or indices in a view compressed by meshopt.
bool IsCompressed(const GltfAsset& asset, const GltfPrimitive& primitive) {
  if (primitive.compressed) return true;
  for (const std::optional<size_t> accessor : {primitive.position, primitive.indices}) {
    const std::optional<size_t> view =
        accessor ? asset.accessors[*accessor].bufferView : std::nullopt;
    if (view && asset.bufferViews[*view].compressed) return true;
  }
  return false;
}

// The primitive when it is made of triangles that can be read; nothing otherwise.
std::optional<Primitive> ReadablePrimitive(const GltfAsset& asset, GltfViewBytes& views,
                                           const GltfPrimitive& entry) {
  Primitive primitive;
  if (!entry.mode ||
      (*entry.mode != kTriangles && *entry.mode != kTriangleStrip && *entry.mode != kTriangleFan))
    return std::nullopt;
  primitive.mode = *entry.mode;
  if (!entry.position) return std::nullopt;
  const std::optional<GltfElements> positions =
      GltfAccessorElements(asset, views, *entry.position, 3);
  if (!positions || positions->componentType == kGltfUnsignedInt) return std::nullopt;
  primitive.vertexSource = *entry.position;
  primitive.positions = *positions;
  if (entry.indices) {
    primitive.indices = GltfAccessorElements(asset, views, *entry.indices, 1);
    const uint32_t type = primitive.indices ? primitive.indices->componentType : 0;
    if (type != kGltfUnsignedByte && type != kGltfUnsignedShort && type != kGltfUnsignedInt)
      return std::nullopt;
  }
  if (primitive.Triangles() == 0) return std::nullopt;
  return primitive;
}

// A Draco primitive's decoded triangles, as elements like those read from a buffer.
std::optional<Primitive> DecodedPrimitive(const GltfAsset& asset, GltfViewBytes& views,
                                          const GltfPrimitive& entry, size_t primitiveIndex,
                                          size_t maxBytes) {
  if (!GltfDecodesCompressedMeshes() || !entry.dracoView || !entry.mode ||
      *entry.mode != kTriangles)
    return std::nullopt;
  const std::optional<std::string_view> bytes = views.Get(*entry.dracoView);
  if (!bytes) return std::nullopt;
  std::optional<GltfDecodedMesh> mesh = DecodeDracoMesh(*bytes, entry.dracoPosition, maxBytes);
  if (!mesh) return std::nullopt;
  Primitive primitive;
  primitive.vertexSource = asset.accessors.size() + primitiveIndex;
  auto decoded = std::make_shared<const GltfDecodedMesh>(std::move(*mesh));
  primitive.positions = {reinterpret_cast<const unsigned char*>(decoded->positions.data()),
                         decoded->positions.size() / 3, 3 * sizeof(float), kGltfFloat, false};
  primitive.indices =
      GltfElements{reinterpret_cast<const unsigned char*>(decoded->indices.data()),
                   decoded->indices.size(), sizeof(uint32_t), kGltfUnsignedInt, false};
  primitive.decoded = std::move(decoded);
  return primitive;
}

// Appends the primitive's triangles to `mesh`, and its vertices unless an earlier
// primitive of the mesh brought the same ones (`bases`: where each accessor's vertices
// start). False, leaving `mesh` as it was, when a position is not finite or an index
// names no vertex.
bool Append(const Primitive& primitive, GltfMesh& mesh, std::map<size_t, uint32_t>& bases) {
  const size_t firstPosition = mesh.positions.size();
  const size_t firstIndex = mesh.indices.size();
  const auto shared = bases.find(primitive.vertexSource);
  const bool fresh = shared == bases.end();
  const uint32_t base = fresh ? static_cast<uint32_t>(firstPosition / 3) : shared->second;
  const GltfElements& positions = primitive.positions;
  const size_t size = GltfComponentBytes(positions.componentType);
  for (size_t i = 0; fresh && i < positions.count; ++i)
    for (size_t a = 0; a < 3; ++a) {
      const float value =
          Component(positions.At(i) + a * size, positions.componentType, positions.normalized);
      if (!std::isfinite(value)) {
        mesh.positions.resize(firstPosition);
        return false;
      }
      mesh.positions.push_back(value);
    }
  const auto corner = [&](size_t i) -> uint32_t {
    return primitive.indices ? Index(primitive.indices->At(i), primitive.indices->componentType)
                             : static_cast<uint32_t>(i);
  };
  const size_t corners = primitive.Corners();
  const auto triangle = [&](uint32_t a, uint32_t b, uint32_t c) {
    for (uint32_t v : {a, b, c}) mesh.indices.push_back(base + v);
    return a < positions.count && b < positions.count && c < positions.count;
  };
  bool fits = true;
  if (primitive.mode == kTriangles) {
    for (size_t i = 0; i + 2 < corners; i += 3)
      fits &= triangle(corner(i), corner(i + 1), corner(i + 2));
  } else if (primitive.mode == kTriangleStrip) {
    // Every other triangle of a strip is turned, so all face the same way.
    for (size_t i = 0; i + 2 < corners; ++i)
      fits &= i % 2 == 0 ? triangle(corner(i), corner(i + 1), corner(i + 2))
                         : triangle(corner(i + 1), corner(i), corner(i + 2));
  } else {
    for (size_t i = 1; i + 1 < corners; ++i) fits &= triangle(corner(0), corner(i), corner(i + 1));
  }
  if (!fits) {
    mesh.positions.resize(firstPosition);
    mesh.indices.resize(firstIndex);
    return false;
  }
  if (fresh) bases[primitive.vertexSource] = base;
  return true;
}

}  // namespace

GltfMeshes ReadGltfMeshes(const GltfFile& file, size_t maxBytes) {
  GltfMeshes result;
  const GltfAsset& asset = file.asset;
  GltfBufferBytes bytes(asset, file.ChunksAfterJson());
  GltfViewBytes views(asset, bytes, maxBytes);
  size_t used = 0;
  // Per mesh of the file: its place in result.meshes, once decided.
  std::map<size_t, std::optional<size_t>> decided;
  for (const int64_t meshIndex : file.meshOfObject) {
    if (meshIndex < 0 || static_cast<uint64_t>(meshIndex) >= asset.meshes.size()) {
      result.meshOfObject.emplace_back();
      continue;
    }
    const size_t source = static_cast<size_t>(meshIndex);
    const auto [known, added] = decided.try_emplace(source);
    if (added) {
      std::vector<Primitive> primitives;
      std::map<size_t, size_t> vertices;  // per vertex source
      size_t corners = 0;
      const GltfMeshPrimitives& listed = asset.meshes[source];
      for (size_t p = listed.first; p < listed.first + listed.count; ++p) {
        const GltfPrimitive& entry = asset.primitives[p];
        std::optional<Primitive> primitive =
            entry.compressed ? DecodedPrimitive(asset, views, entry, p, maxBytes - used)
                             : ReadablePrimitive(asset, views, entry);
        if (primitive) {
          vertices[primitive->vertexSource] = primitive->positions.count;
          corners += 3 * primitive->Triangles();
          primitives.push_back(std::move(*primitive));
        } else if (IsCompressed(asset, entry)) {
          // Not decoded: no decoding built in, or data that does not decode.
          ++result.compressedPrimitives;
        } else {
          ++result.skippedPrimitives;
        }
      }
      size_t coordinates = 0;
      for (const auto& [accessor, count] : vertices) coordinates += 3 * count;
      const size_t bytesNeeded = 4 * (coordinates + corners);
      if (bytesNeeded > maxBytes - used) {
        ++result.leftOutMeshes;
      } else if (!primitives.empty()) {
        GltfMesh drawn;
        drawn.source = source;
        drawn.positions.reserve(coordinates);
        drawn.indices.reserve(corners);
        std::map<size_t, uint32_t> bases;
        for (const Primitive& primitive : primitives)
          if (!Append(primitive, drawn, bases)) ++result.skippedPrimitives;
        if (!drawn.indices.empty()) {
          used += bytesNeeded;
          known->second = result.meshes.size();
          result.meshes.push_back(std::move(drawn));
        }
      }
    }
    result.meshOfObject.push_back(known->second);
  }
  return result;
}

}  // namespace kcommand

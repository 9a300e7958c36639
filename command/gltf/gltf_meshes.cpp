#include "gltf_meshes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <map>
#include <string_view>

#include "gltf_buffer_bytes.h"

namespace kcommand {
namespace {

// glTF buffers are little-endian and are read with memcpy.
static_assert(std::endian::native == std::endian::little);

constexpr uint64_t kTriangles = kGltfTriangles, kTriangleStrip = 5, kTriangleFan = 6;

// An accessor's elements where they lie in their buffer (the asset checked that every one
// is inside).
struct Elements {
  const unsigned char* data = nullptr;
  size_t count = 0;
  size_t stride = 0;
  uint32_t componentType = 0;
  bool normalized = false;

  const unsigned char* At(size_t i) const { return data + i * stride; }
};

// Nothing for an accessor that is not `components` numbers of a type drawn here, that is
// sparse or empty (rare enough in meshes to be left out), or whose buffer is unreadable.
std::optional<Elements> AccessorElements(const GltfAsset& asset, GltfBufferBytes& bytes,
                                         size_t index, uint32_t components) {
  const GltfAccessor& accessor = asset.accessors[index];
  if (accessor.sparse || accessor.matrix || accessor.components != components ||
      !accessor.bufferView || accessor.count == 0 || accessor.componentType == kGltfInt ||
      accessor.componentType == kGltfDouble)
    return std::nullopt;
  const GltfBufferView& view = asset.bufferViews[*accessor.bufferView];
  const std::optional<std::string_view> buffer = bytes.Get(view.buffer);
  if (!buffer) return std::nullopt;
  Elements elements;
  // The offsets fit: the accessor lies inside its view, the view inside its buffer.
  elements.data = reinterpret_cast<const unsigned char*>(buffer->data()) +
                  static_cast<size_t>(view.byteOffset + accessor.byteOffset);
  elements.count = static_cast<size_t>(accessor.count);
  elements.stride =
      view.byteStride != 0 ? view.byteStride : static_cast<size_t>(accessor.ElementBytes());
  elements.componentType = accessor.componentType;
  elements.normalized = accessor.normalized;
  return elements;
}

template <typename T>
T Read(const unsigned char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// A position component; the integer types are those of quantised meshes.
float Component(const unsigned char* at, uint32_t type, bool normalized) {
  switch (type) {
    case kGltfFloat:
      return Read<float>(at);
    case kGltfByte:
      return normalized ? std::max(Read<int8_t>(at) / 127.0f, -1.0f) : Read<int8_t>(at);
    case kGltfUnsignedByte:
      return normalized ? Read<uint8_t>(at) / 255.0f : Read<uint8_t>(at);
    case kGltfShort:
      return normalized ? std::max(Read<int16_t>(at) / 32767.0f, -1.0f) : Read<int16_t>(at);
    case kGltfUnsignedShort:
      return normalized ? Read<uint16_t>(at) / 65535.0f : Read<uint16_t>(at);
    default:
      return NAN;
  }
}

uint32_t Index(const unsigned char* at, uint32_t type) {
  switch (type) {
    case kGltfUnsignedByte:
      return Read<uint8_t>(at);
    case kGltfUnsignedShort:
      return Read<uint16_t>(at);
    default:
      return Read<uint32_t>(at);
  }
}

struct Primitive {
  size_t positionAccessor = 0;
  Elements positions;
  std::optional<Elements> indices;
  uint64_t mode = kTriangles;

  size_t Corners() const { return indices ? indices->count : positions.count; }
  size_t Triangles() const {
    const size_t corners = Corners();
    if (mode == kTriangles) return corners / 3;
    return corners >= 3 ? corners - 2 : 0;
  }
};

// Vertices compressed by Draco, or positions in a buffer view compressed by meshopt.
bool IsCompressed(const GltfAsset& asset, const GltfPrimitive& primitive) {
  if (primitive.compressed) return true;
  if (!primitive.position) return false;
  const std::optional<size_t> view = asset.accessors[*primitive.position].bufferView;
  return view && asset.bufferViews[*view].compressed;
}

// The primitive when it is made of triangles that can be read; nothing otherwise.
std::optional<Primitive> ReadablePrimitive(const GltfAsset& asset, GltfBufferBytes& bytes,
                                           const GltfPrimitive& entry) {
  Primitive primitive;
  if (!entry.mode ||
      (*entry.mode != kTriangles && *entry.mode != kTriangleStrip && *entry.mode != kTriangleFan))
    return std::nullopt;
  primitive.mode = *entry.mode;
  if (!entry.position) return std::nullopt;
  const std::optional<Elements> positions = AccessorElements(asset, bytes, *entry.position, 3);
  if (!positions || positions->componentType == kGltfUnsignedInt) return std::nullopt;
  primitive.positionAccessor = *entry.position;
  primitive.positions = *positions;
  if (entry.indices) {
    primitive.indices = AccessorElements(asset, bytes, *entry.indices, 1);
    const uint32_t type = primitive.indices ? primitive.indices->componentType : 0;
    if (type != kGltfUnsignedByte && type != kGltfUnsignedShort && type != kGltfUnsignedInt)
      return std::nullopt;
  }
  if (primitive.Triangles() == 0) return std::nullopt;
  return primitive;
}

// Appends the primitive's triangles to `mesh`, and its vertices unless an earlier
// primitive of the mesh brought the same ones (`bases`: where each accessor's vertices
// start). False, leaving `mesh` as it was, when a position is not finite or an index
// names no vertex.
bool Append(const Primitive& primitive, GltfMesh& mesh, std::map<size_t, uint32_t>& bases) {
  const size_t firstPosition = mesh.positions.size();
  const size_t firstIndex = mesh.indices.size();
  const auto shared = bases.find(primitive.positionAccessor);
  const bool fresh = shared == bases.end();
  const uint32_t base = fresh ? static_cast<uint32_t>(firstPosition / 3) : shared->second;
  const Elements& positions = primitive.positions;
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
  if (fresh) bases[primitive.positionAccessor] = base;
  return true;
}

}  // namespace

GltfMeshes ReadGltfMeshes(const GltfFile& file, size_t maxBytes) {
  GltfMeshes result;
  const GltfAsset& asset = file.asset;
  GltfBufferBytes bytes(asset, file.ChunksAfterJson());
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
      std::map<size_t, size_t> vertices;  // per position accessor
      size_t corners = 0;
      const GltfMeshPrimitives& listed = asset.meshes[source];
      for (size_t p = listed.first; p < listed.first + listed.count; ++p) {
        if (IsCompressed(asset, asset.primitives[p])) {
          ++result.compressedPrimitives;
          continue;
        }
        if (std::optional<Primitive> primitive =
                ReadablePrimitive(asset, bytes, asset.primitives[p])) {
          vertices[primitive->positionAccessor] = primitive->positions.count;
          corners += 3 * primitive->Triangles();
          primitives.push_back(*primitive);
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

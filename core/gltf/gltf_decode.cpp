#include "gltf_decode.h"

#ifdef KESTRUM_MESH_DECODING
#include <draco/compression/decode.h>
#include <draco/core/decoder_buffer.h>
#include <draco/mesh/mesh.h>
#include <meshoptimizer.h>

#include <cmath>
#include <memory>
#endif

namespace kcommand {

#ifndef KESTRUM_MESH_DECODING

bool GltfDecodesCompressedMeshes() { return false; }

std::optional<std::string> DecodeMeshoptView(const GltfMeshoptSource&, std::string_view, size_t) {
  return std::nullopt;
}

std::optional<GltfDecodedMesh> DecodeDracoMesh(std::string_view, uint32_t, size_t) {
  return std::nullopt;
}

#else

bool GltfDecodesCompressedMeshes() { return true; }

std::optional<std::string> DecodeMeshoptView(const GltfMeshoptSource& source,
                                             std::string_view compressed, size_t maxBytes) {
  const size_t stride = source.byteStride;
  if (source.count == 0 || source.count > maxBytes / stride) return std::nullopt;
  const size_t count = static_cast<size_t>(source.count);
  std::string bytes(count * stride, '\0');
  const auto* data = reinterpret_cast<const unsigned char*>(compressed.data());
  // The library asserts on strides and counts it cannot take, so those are turned away
  // here first.
  int failed = 1;
  switch (source.mode) {
    case GltfMeshoptMode::kAttributes:
      if (stride % 4 == 0)
        failed = meshopt_decodeVertexBuffer(bytes.data(), count, stride, data, compressed.size());
      break;
    case GltfMeshoptMode::kTriangles:
      if ((stride == 2 || stride == 4) && count % 3 == 0)
        failed = meshopt_decodeIndexBuffer(bytes.data(), count, stride, data, compressed.size());
      break;
    case GltfMeshoptMode::kIndices:
      if (stride == 2 || stride == 4)
        failed = meshopt_decodeIndexSequence(bytes.data(), count, stride, data, compressed.size());
      break;
  }
  if (failed != 0) return std::nullopt;
  if (source.filter != GltfMeshoptFilter::kNone && source.mode != GltfMeshoptMode::kAttributes)
    return std::nullopt;
  switch (source.filter) {
    case GltfMeshoptFilter::kNone:
      break;
    case GltfMeshoptFilter::kOctahedral:
      if (stride != 4 && stride != 8) return std::nullopt;
      meshopt_decodeFilterOct(bytes.data(), count, stride);
      break;
    case GltfMeshoptFilter::kQuaternion:
      if (stride != 8) return std::nullopt;
      meshopt_decodeFilterQuat(bytes.data(), count, stride);
      break;
    case GltfMeshoptFilter::kExponential:
      meshopt_decodeFilterExp(bytes.data(), count, stride);
      break;
  }
  return bytes;
}

std::optional<GltfDecodedMesh> DecodeDracoMesh(std::string_view compressed, uint32_t positionId,
                                               size_t maxBytes) {
  draco::DecoderBuffer buffer;
  buffer.Init(compressed.data(), compressed.size());
  draco::Decoder decoder;
  auto decoded = decoder.DecodeMeshFromBuffer(&buffer);
  if (!decoded.ok() || !decoded.value()) return std::nullopt;
  const std::unique_ptr<draco::Mesh> mesh = std::move(decoded).value();
  const draco::PointAttribute* position = mesh->GetAttributeByUniqueId(positionId);
  const size_t points = mesh->num_points(), faces = mesh->num_faces();
  if (!position || position->num_components() != 3 || points == 0 || faces == 0 ||
      points > UINT32_MAX || points > maxBytes / 12 || faces > (maxBytes - 12 * points) / 12)
    return std::nullopt;
  GltfDecodedMesh result;
  result.positions.resize(3 * points);
  for (draco::PointIndex i(0); i < mesh->num_points(); ++i) {
    float* at = &result.positions[3 * static_cast<size_t>(i.value())];
    if (!position->ConvertValue<float, 3>(position->mapped_index(i), at) || !std::isfinite(at[0]) ||
        !std::isfinite(at[1]) || !std::isfinite(at[2]))
      return std::nullopt;
  }
  result.indices.reserve(3 * faces);
  for (draco::FaceIndex f(0); f < mesh->num_faces(); ++f)
    for (const draco::PointIndex& corner : mesh->face(f)) {
      if (corner.value() >= points) return std::nullopt;
      result.indices.push_back(corner.value());
    }
  return result;
}

#endif

}  // namespace kcommand

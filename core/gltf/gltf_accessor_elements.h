#pragma once
// Where an accessor's elements lie in memory, for everything that reads a glTF file's
// buffers: the reader's bounds and instances, and the view's meshes. The asset has
// checked that every accessor lies inside its view and every view inside its buffer.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "gltf_asset.h"
#include "gltf_buffer_bytes.h"

namespace kcommand {

struct GltfElements {
  const unsigned char* data = nullptr;
  size_t count = 0;
  size_t stride = 0;
  uint32_t componentType = 0;
  bool normalized = false;

  const unsigned char* At(size_t i) const { return data + i * stride; }
};

// Each buffer view's bytes: where they lie in their buffer, or decoded from the
// compressed range its extension names (kept, since several accessors share a view).
class GltfViewBytes {
 public:
  // `maxDecodedBytes`: how much decoded data may be kept in all; with 0 nothing is
  // decoded and a compressed view has no bytes.
  GltfViewBytes(const GltfAsset& asset, GltfBufferBytes& buffers, size_t maxDecodedBytes)
      : asset_(asset), buffers_(buffers), left_(maxDecodedBytes) {}

  std::optional<std::string_view> Get(size_t view);

 private:
  const GltfAsset& asset_;
  GltfBufferBytes& buffers_;
  size_t left_;
  std::map<size_t, std::optional<std::string>> decoded_;
};

// The elements of accessor `index`, each `components` numbers. Nothing for an accessor
// of other components, a matrix, sparse, empty or without a buffer view, of 32-bit
// integers or doubles (no glTF attribute uses them), or whose bytes cannot be read.
std::optional<GltfElements> GltfAccessorElements(const GltfAsset& asset, GltfViewBytes& views,
                                                 size_t index, uint32_t components);

// glTF buffers are little-endian and are read with memcpy.
template <typename T>
T GltfRead(const unsigned char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

}  // namespace kcommand

#include "gltf_accessor_elements.h"

#include <bit>

#include "gltf_decode.h"

namespace kcommand {

static_assert(std::endian::native == std::endian::little);

std::optional<std::string_view> GltfViewBytes::Get(size_t index) {
  const GltfBufferView& view = asset_.bufferViews[index];
  if (!view.compressed) {
    const std::optional<std::string_view> buffer = buffers_.Get(view.buffer);
    if (!buffer) return std::nullopt;
    return buffer->substr(static_cast<size_t>(view.byteOffset),
                          static_cast<size_t>(view.byteLength));
  }
  const auto [known, added] = decoded_.try_emplace(index);
  if (added && left_ > 0 && view.meshopt && GltfDecodesCompressedMeshes()) {
    const GltfMeshoptSource& source = *view.meshopt;
    const std::optional<std::string_view> buffer = buffers_.Get(source.buffer);
    if (buffer) {
      known->second = DecodeMeshoptView(source,
                                        buffer->substr(static_cast<size_t>(source.byteOffset),
                                                       static_cast<size_t>(source.byteLength)),
                                        left_);
      // Its accessors were checked against the view's byteLength, which the data must
      // then fill.
      if (known->second && known->second->size() < view.byteLength) known->second.reset();
      if (known->second) left_ -= known->second->size();
    }
  }
  if (!known->second) return std::nullopt;
  return std::string_view(*known->second);
}

std::optional<GltfElements> GltfAccessorElements(const GltfAsset& asset, GltfViewBytes& views,
                                                 size_t index, uint32_t components) {
  const GltfAccessor& accessor = asset.accessors[index];
  if (accessor.sparse || accessor.matrix || accessor.components != components ||
      !accessor.bufferView || accessor.count == 0 || accessor.componentType == kGltfInt ||
      accessor.componentType == kGltfDouble)
    return std::nullopt;
  const GltfBufferView& view = asset.bufferViews[*accessor.bufferView];
  const std::optional<std::string_view> bytes = views.Get(*accessor.bufferView);
  if (!bytes) return std::nullopt;
  GltfElements elements;
  elements.data = reinterpret_cast<const unsigned char*>(bytes->data()) +
                  static_cast<size_t>(accessor.byteOffset);
  elements.count = static_cast<size_t>(accessor.count);
  elements.stride =
      view.byteStride != 0 ? view.byteStride : static_cast<size_t>(accessor.ElementBytes());
  elements.componentType = accessor.componentType;
  elements.normalized = accessor.normalized;
  return elements;
}

}  // namespace kcommand

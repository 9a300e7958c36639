#include "gltf_buffer_bytes.h"

#include <fstream>

#include "gltf_uris.h"

namespace kcommand {
namespace {

// Only the bytes the buffer declares are read: a file may be longer.
std::optional<std::string> ReadFile(const std::string& path, uint64_t length) {
  if (length != static_cast<size_t>(length)) return std::nullopt;  // more than memory holds
  std::ifstream in(path, std::ios::binary);
  std::string bytes(static_cast<size_t>(length), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(length));
  if (!in || static_cast<uint64_t>(in.gcount()) != length) return std::nullopt;
  return bytes;
}

std::optional<std::string> DecodeDataUri(const std::string& uri, size_t dataAt, uint64_t length) {
  if (length != static_cast<size_t>(length)) return std::nullopt;
  // Four base64 characters per three bytes: the rest of the text is not needed.
  const size_t bytes = static_cast<size_t>(length);
  std::string decoded = DecodeBase64(std::string_view(uri).substr(dataAt, (bytes + 2) / 3 * 4));
  if (decoded.size() < bytes) return std::nullopt;
  decoded.resize(bytes);
  return decoded;
}

}  // namespace

std::optional<std::string_view> GltfBufferBytes::Get(size_t index) {
  const GltfBuffer& buffer = asset_.buffers.at(index);
  if (buffer.source == GltfBufferSource::kBinChunk) {
    // The chunk's 8-byte header comes first; its length was checked against byteLength.
    return chunksAfterJson_.substr(8, static_cast<size_t>(buffer.byteLength));
  }
  if (buffer.source == GltfBufferSource::kFallback) return std::nullopt;
  const auto [known, added] = owned_.try_emplace(index);
  if (added) {
    if (buffer.source == GltfBufferSource::kFile) {
      known->second = ReadFile(buffer.path, buffer.byteLength);
    } else {
      const std::string& uri =
          asset_.document.at("buffers").at(index).at("uri").get_ref<const std::string&>();
      known->second = DecodeDataUri(uri, buffer.dataAt, buffer.byteLength);
    }
  }
  if (!known->second) return std::nullopt;
  return std::string_view(*known->second);
}

}  // namespace kcommand

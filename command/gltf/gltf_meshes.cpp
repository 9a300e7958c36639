#include "gltf_meshes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string_view>

#include "gltf_uris.h"

namespace kcommand {
namespace {

using nlohmann::ordered_json;

// glTF buffers are little-endian and are read with memcpy.
static_assert(std::endian::native == std::endian::little);

constexpr uint64_t kByte = 5120, kUnsignedByte = 5121, kShort = 5122, kUnsignedShort = 5123,
                   kUnsignedInt = 5125, kFloat = 5126;
constexpr uint64_t kTriangles = 4, kTriangleStrip = 5, kTriangleFan = 6;

size_t ComponentSize(uint64_t type) {
  switch (type) {
    case kByte:
    case kUnsignedByte:
      return 1;
    case kShort:
    case kUnsignedShort:
      return 2;
    case kUnsignedInt:
    case kFloat:
      return 4;
    default:
      return 0;
  }
}

// The member `key` when it is an unsigned integer, `fallback` when it is missing, and
// nothing when it is something else.
std::optional<uint64_t> Unsigned(const ordered_json& object, const char* key,
                                 std::optional<uint64_t> fallback = std::nullopt) {
  const auto found = object.find(key);
  if (found == object.end()) return fallback;
  if (!found->is_number_unsigned()) return std::nullopt;
  return found->get<uint64_t>();
}

std::string Text(const ordered_json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

const ordered_json* Entry(const ordered_json& document, const char* array, uint64_t index) {
  const auto entries = document.find(array);
  if (entries == document.end() || !entries->is_array() || index >= entries->size()) return nullptr;
  const ordered_json& entry = (*entries)[static_cast<size_t>(index)];
  return entry.is_object() ? &entry : nullptr;
}

std::string DecodeBase64(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3);
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    int value;
    if (c >= 'A' && c <= 'Z')
      value = c - 'A';
    else if (c >= 'a' && c <= 'z')
      value = c - 'a' + 26;
    else if (c >= '0' && c <= '9')
      value = c - '0' + 52;
    else if (c == '+')
      value = 62;
    else if (c == '/')
      value = 63;
    else
      break;  // '=' padding ends the data
    bits = (bits << 6) | static_cast<uint32_t>(value);
    if ((count += 6) >= 8) {
      count -= 8;
      bytes += static_cast<char>((bits >> count) & 0xff);
    }
  }
  return bytes;
}

// The file's buffers, each found once: a .glb's binary chunk in place, a data: URI
// decoded, a file beside the scene read.
class Buffers {
 public:
  explicit Buffers(const GltfFile& file) : file_(file) {}

  std::optional<std::string_view> Get(uint64_t index) {
    const ordered_json* buffer = Entry(file_.document, "buffers", index);
    if (buffer == nullptr) return std::nullopt;
    if (!buffer->contains("uri")) {
      // Only a .glb's first buffer may leave out its URI: it is the binary chunk.
      const std::string& chunks = file_.chunksAfterJson;
      if (!file_.binary || index != 0 || chunks.size() < 8) return std::nullopt;
      uint32_t length;
      std::memcpy(&length, chunks.data(), 4);
      return std::string_view(chunks).substr(8, length);
    }
    const auto [known, added] = owned_.try_emplace(index);
    if (added) known->second = Load((*buffer)["uri"]);
    if (!known->second) return std::nullopt;
    return std::string_view(*known->second);
  }

 private:
  std::optional<std::string> Load(const ordered_json& uri) const {
    if (!uri.is_string()) return std::nullopt;
    const std::string& text = uri.get_ref<const std::string&>();
    if (text.starts_with("data:")) {
      const size_t data = text.find(";base64,");
      if (data == std::string::npos) return std::nullopt;
      return DecodeBase64(std::string_view(text).substr(data + 8));
    }
    if (!IsRelativeFileUri(text)) return std::nullopt;
    std::ifstream in(std::filesystem::path(file_.folder) / DecodeUri(text), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in) return std::nullopt;
    return std::move(bytes).str();
  }

  const GltfFile& file_;
  std::map<uint64_t, std::optional<std::string>> owned_;
};

// An accessor's elements where they lie in their buffer, every one checked to be inside.
struct Elements {
  const unsigned char* data = nullptr;
  size_t count = 0;
  size_t stride = 0;
  uint64_t componentType = 0;
  bool normalized = false;

  const unsigned char* At(size_t i) const { return data + i * stride; }
};

std::optional<Elements> AccessorElements(const ordered_json& document, Buffers& buffers,
                                         uint64_t index, const char* type, size_t components) {
  const ordered_json* accessor = Entry(document, "accessors", index);
  // Sparse accessors and ones without a view are rare enough in meshes to be left out.
  if (accessor == nullptr || accessor->contains("sparse") || Text(*accessor, "type") != type)
    return std::nullopt;
  const std::optional<uint64_t> componentType = Unsigned(*accessor, "componentType");
  const std::optional<uint64_t> count = Unsigned(*accessor, "count");
  const std::optional<uint64_t> offset = Unsigned(*accessor, "byteOffset", 0);
  const std::optional<uint64_t> viewIndex = Unsigned(*accessor, "bufferView");
  if (!componentType || !count || *count == 0 || !offset || !viewIndex) return std::nullopt;
  const size_t element = ComponentSize(*componentType) * components;
  const ordered_json* view = Entry(document, "bufferViews", *viewIndex);
  if (element == 0 || view == nullptr) return std::nullopt;
  const std::optional<uint64_t> bufferIndex = Unsigned(*view, "buffer");
  const std::optional<uint64_t> viewOffset = Unsigned(*view, "byteOffset", 0);
  const std::optional<uint64_t> viewLength = Unsigned(*view, "byteLength");
  const std::optional<uint64_t> viewStride = Unsigned(*view, "byteStride", 0);
  // glTF strides are at most 252 bytes.
  if (!bufferIndex || !viewOffset || !viewLength || !viewStride || *viewStride > 252)
    return std::nullopt;
  const std::optional<std::string_view> buffer = buffers.Get(*bufferIndex);
  const size_t stride = *viewStride != 0 ? static_cast<size_t>(*viewStride) : element;
  if (!buffer || *viewOffset > buffer->size() || *viewLength > buffer->size() - *viewOffset ||
      *offset > *viewLength || element > *viewLength - *offset ||
      *count - 1 > (*viewLength - *offset - element) / stride)
    return std::nullopt;
  Elements elements;
  elements.data = reinterpret_cast<const unsigned char*>(buffer->data()) + *viewOffset + *offset;
  elements.count = static_cast<size_t>(*count);  // fits: it lies inside the buffer
  elements.stride = stride;
  elements.componentType = *componentType;
  const auto normalized = accessor->find("normalized");
  elements.normalized = normalized != accessor->end() && *normalized == true;
  return elements;
}

template <typename T>
T Read(const unsigned char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// A position component; the integer types are those of quantised meshes.
float Component(const unsigned char* at, uint64_t type, bool normalized) {
  switch (type) {
    case kFloat:
      return Read<float>(at);
    case kByte:
      return normalized ? std::max(Read<int8_t>(at) / 127.0f, -1.0f) : Read<int8_t>(at);
    case kUnsignedByte:
      return normalized ? Read<uint8_t>(at) / 255.0f : Read<uint8_t>(at);
    case kShort:
      return normalized ? std::max(Read<int16_t>(at) / 32767.0f, -1.0f) : Read<int16_t>(at);
    case kUnsignedShort:
      return normalized ? Read<uint16_t>(at) / 65535.0f : Read<uint16_t>(at);
    default:
      return NAN;
  }
}

uint32_t Index(const unsigned char* at, uint64_t type) {
  switch (type) {
    case kUnsignedByte:
      return Read<uint8_t>(at);
    case kUnsignedShort:
      return Read<uint16_t>(at);
    default:
      return Read<uint32_t>(at);
  }
}

struct Primitive {
  uint64_t positionAccessor = 0;
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

// The primitive when it is made of triangles that can be read; nothing otherwise.
std::optional<Primitive> ReadablePrimitive(const ordered_json& document, Buffers& buffers,
                                           const ordered_json& entry) {
  if (!entry.is_object()) return std::nullopt;
  Primitive primitive;
  const std::optional<uint64_t> mode = Unsigned(entry, "mode", kTriangles);
  if (!mode || (*mode != kTriangles && *mode != kTriangleStrip && *mode != kTriangleFan))
    return std::nullopt;
  primitive.mode = *mode;
  const auto attributes = entry.find("attributes");
  if (attributes == entry.end() || !attributes->is_object()) return std::nullopt;
  const std::optional<uint64_t> position = Unsigned(*attributes, "POSITION");
  if (!position) return std::nullopt;
  const std::optional<Elements> positions =
      AccessorElements(document, buffers, *position, "VEC3", 3);
  if (!positions || positions->componentType == kUnsignedInt) return std::nullopt;
  primitive.positionAccessor = *position;
  primitive.positions = *positions;
  if (entry.contains("indices")) {
    const std::optional<uint64_t> index = Unsigned(entry, "indices");
    if (!index) return std::nullopt;
    primitive.indices = AccessorElements(document, buffers, *index, "SCALAR", 1);
    const uint64_t type = primitive.indices ? primitive.indices->componentType : 0;
    if (type != kUnsignedByte && type != kUnsignedShort && type != kUnsignedInt)
      return std::nullopt;
  }
  if (primitive.Triangles() == 0) return std::nullopt;
  return primitive;
}

// Appends the primitive's triangles to `mesh`, and its vertices unless an earlier
// primitive of the mesh brought the same ones (`bases`: where each accessor's vertices
// start). False, leaving `mesh` as it was, when a position is not finite or an index
// names no vertex.
bool Append(const Primitive& primitive, GltfMesh& mesh, std::map<uint64_t, uint32_t>& bases) {
  const size_t firstPosition = mesh.positions.size();
  const size_t firstIndex = mesh.indices.size();
  const auto shared = bases.find(primitive.positionAccessor);
  const bool fresh = shared == bases.end();
  const uint32_t base = fresh ? static_cast<uint32_t>(firstPosition / 3) : shared->second;
  const Elements& positions = primitive.positions;
  const size_t size = ComponentSize(positions.componentType);
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
  const ordered_json& document = file.document;
  Buffers buffers(file);
  size_t used = 0;
  // Per mesh of the file: its place in result.meshes, once decided.
  std::map<uint64_t, std::optional<size_t>> decided;
  for (const int64_t meshIndex : file.meshOfObject) {
    const std::optional<uint64_t> source =
        meshIndex >= 0 ? std::optional<uint64_t>(static_cast<uint64_t>(meshIndex)) : std::nullopt;
    const ordered_json* mesh = source ? Entry(document, "meshes", *source) : nullptr;
    if (mesh == nullptr) {
      result.meshOfObject.emplace_back();
      continue;
    }
    const auto [known, added] = decided.try_emplace(*source);
    if (added) {
      std::vector<Primitive> primitives;
      std::map<uint64_t, size_t> vertices;  // per position accessor
      size_t corners = 0;
      const auto listed = mesh->find("primitives");
      if (listed != mesh->end() && listed->is_array())
        for (const ordered_json& item : *listed) {
          if (std::optional<Primitive> primitive = ReadablePrimitive(document, buffers, item)) {
            vertices[primitive->positionAccessor] = primitive->positions.count;
            corners += 3 * primitive->Triangles();
            primitives.push_back(*primitive);
          } else {
            ++result.skippedPrimitives;
          }
        }
      size_t coordinates = 0;
      for (const auto& [accessor, count] : vertices) coordinates += 3 * count;
      const size_t bytes = 4 * (coordinates + corners);
      if (bytes > maxBytes - used) {
        ++result.leftOutMeshes;
      } else if (!primitives.empty()) {
        GltfMesh drawn;
        drawn.source = static_cast<size_t>(*source);
        drawn.positions.reserve(coordinates);
        drawn.indices.reserve(corners);
        std::map<uint64_t, uint32_t> bases;
        for (const Primitive& primitive : primitives)
          if (!Append(primitive, drawn, bases)) ++result.skippedPrimitives;
        if (!drawn.indices.empty()) {
          used += bytes;
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

#include "gltf_asset.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <utility>

#include "gltf_uris.h"
#include "input_error.h"

namespace kcommand {
namespace {

using nlohmann::ordered_json;

std::string Place(const char* array, size_t index) {
  return std::string(array) + "[" + std::to_string(index) + "]";
}

struct ElementType {
  std::string_view name;
  uint32_t components;
  bool matrix;
};
constexpr ElementType kElementTypes[] = {
    {"SCALAR", 1, false}, {"VEC2", 2, false}, {"VEC3", 3, false}, {"VEC4", 4, false},
    {"MAT2", 4, true},    {"MAT3", 9, true},  {"MAT4", 16, true}};

// The arrays whose entries the command carries without reading them; each entry must
// still be an object, as every reader of the file expects.
constexpr const char* kCarriedArrays[] = {"textures", "samplers", "skins", "cameras", "animations"};

class AssetChecker {
 public:
  AssetChecker(const ordered_json& document, const GltfAssetContext& context, GltfAsset& asset)
      : document_(document), context_(context), asset_(asset) {}

  void Check() {
    CheckRequiredExtensions();
    CheckBuffers();
    CheckBufferViews();
    CheckAccessors();
    CheckMeshes();
    CheckImages();
    CheckCarried();
    CheckScenes();
  }

 private:
  [[noreturn]] void Fail(const std::string& place, const std::string& problem) const {
    throw InputError(context_.fileName + ": " + place + ": " + problem);
  }

  // The entries of a top-level array, each an object; none when it is absent or not a
  // list.
  const ordered_json& Entries(const char* key) const {
    static const ordered_json kNone = ordered_json::array();
    const auto found = document_.find(key);
    if (found == document_.end() || !found->is_array()) return kNone;
    for (size_t i = 0; i < found->size(); ++i)
      if (!(*found)[i].is_object()) Fail(Place(key, i), "not a JSON object");
    return *found;
  }

  // The member when it is there; a member that is there but not a non-negative integer
  // is refused.
  std::optional<uint64_t> Unsigned(const ordered_json& object, const char* key,
                                   const std::string& place) const {
    const auto found = object.find(key);
    if (found == object.end()) return std::nullopt;
    if (!found->is_number_unsigned()) Fail(place + "." + key, "not a non-negative integer");
    return found->get<uint64_t>();
  }
  uint64_t Required(const ordered_json& object, const char* key, const std::string& place) const {
    const std::optional<uint64_t> value = Unsigned(object, key, place);
    if (!value) Fail(place + "." + key, "missing, and it is required");
    return *value;
  }
  size_t Index(uint64_t value, size_t count, const std::string& place, const char* what) const {
    if (value >= count) Fail(place, "no " + std::string(what) + " " + std::to_string(value));
    return static_cast<size_t>(value);
  }

  // A file named by a relative URI, which must be there.
  std::filesystem::path ReferencedFile(const std::string& uri, const std::string& place) const {
    const std::filesystem::path file = std::filesystem::path(context_.folder) / DecodeUri(uri);
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(file, ignored))
      Fail(place, "the file '" + uri + "' is missing (looked for " + file.string() + ")");
    return file;
  }

  // The extension object `name` of `holder`, when it has one.
  static const ordered_json* Extension(const ordered_json& holder, const char* name) {
    const auto extensions = holder.find("extensions");
    if (extensions == holder.end() || !extensions->is_object()) return nullptr;
    const auto found = extensions->find(name);
    return found == extensions->end() ? nullptr : &*found;
  }

  void CheckRequiredExtensions() const {
    const auto required = document_.find("extensionsRequired");
    if (required == document_.end() || !required->is_array()) return;
    for (size_t i = 0; i < required->size(); ++i) {
      const ordered_json& name = (*required)[i];
      if (!name.is_string()) continue;
      if (const char* why = GltfRefusedExtension(name.get_ref<const std::string&>()))
        Fail(Place("extensionsRequired", i), "the file requires " + name.get<std::string>() +
                                                 ", which " + why +
                                                 ": its objects' boxes cannot be placed");
    }
  }

  void CheckBuffers() {
    const ordered_json& entries = Entries("buffers");
    for (size_t i = 0; i < entries.size(); ++i) {
      const ordered_json& entry = entries[i];
      const std::string place = Place("buffers", i);
      GltfBuffer& buffer = asset_.buffers.emplace_back();
      buffer.byteLength = Required(entry, "byteLength", place);
      const std::string length = std::to_string(buffer.byteLength);
      const auto uri = entry.find("uri");
      const ordered_json* meshopt = Extension(entry, "EXT_meshopt_compression");
      if (uri == entry.end() && meshopt && meshopt->is_object() &&
          meshopt->value("fallback", false)) {
        buffer.source = GltfBufferSource::kFallback;
        continue;
      }
      if (uri == entry.end()) {
        // A .glb's buffer without a URI is its binary chunk.
        if (!context_.binary)
          Fail(place + ".uri", "missing: only a .glb's buffer may leave it out (its binary chunk)");
        if (!context_.binChunkLength)
          Fail(place, "the buffer is the .glb's binary chunk, but the file has none");
        if (buffer.byteLength > *context_.binChunkLength)
          Fail(place + ".byteLength", length + " bytes, more than the " +
                                          std::to_string(*context_.binChunkLength) +
                                          " bytes of the .glb's binary chunk");
        buffer.source = GltfBufferSource::kBinChunk;
        continue;
      }
      if (!uri->is_string()) Fail(place + ".uri", "not a string");
      const std::string& text = uri->get_ref<const std::string&>();
      if (const std::optional<size_t> dataAt = Base64DataAt(text)) {
        // Counted, not decoded: the bytes are decoded when they are read.
        const size_t held = Base64DecodedLength(std::string_view(text).substr(*dataAt));
        if (held < buffer.byteLength)
          Fail(place + ".uri", "the data: URI holds " + std::to_string(held) +
                                   " bytes, fewer than the buffer's byteLength " + length);
        buffer.source = GltfBufferSource::kDataUri;
        buffer.dataAt = *dataAt;
        continue;
      }
      if (text.starts_with("data:"))
        Fail(place + ".uri", "a data: URI that is not base64 (a buffer's is read only as base64)");
      if (!IsRelativeFileUri(text))
        Fail(place + ".uri", "'" + text +
                                 "' is neither a file beside the scene (a relative URI) nor a "
                                 "data: URI, which are what is read");
      const std::filesystem::path file = ReferencedFile(text, place + ".uri");
      std::error_code error;
      const uintmax_t size = std::filesystem::file_size(file, error);
      if (error || size < buffer.byteLength)
        Fail(place + ".uri", "the file '" + text + "' has " + std::to_string(error ? 0 : size) +
                                 " bytes, fewer than the buffer's byteLength " + length);
      buffer.source = GltfBufferSource::kFile;
      buffer.path = file.string();
    }
  }

  void CheckBufferViews() {
    const ordered_json& entries = Entries("bufferViews");
    for (size_t i = 0; i < entries.size(); ++i) {
      const ordered_json& entry = entries[i];
      const std::string place = Place("bufferViews", i);
      GltfBufferView& view = asset_.bufferViews.emplace_back();
      view.buffer = Index(Required(entry, "buffer", place), asset_.buffers.size(), place, "buffer");
      view.byteOffset = Unsigned(entry, "byteOffset", place).value_or(0);
      view.byteLength = Required(entry, "byteLength", place);
      const uint64_t stride = Unsigned(entry, "byteStride", place).value_or(0);
      if (stride > 252 || stride % 4 != 0)
        Fail(place + ".byteStride", std::to_string(stride) + " is not a multiple of 4 up to 252");
      view.byteStride = static_cast<uint32_t>(stride);
      if (const ordered_json* meshopt = Extension(entry, "EXT_meshopt_compression")) {
        view.compressed = true;
        view.meshopt = MeshoptSource(*meshopt);
      }
      const uint64_t size = asset_.buffers[view.buffer].byteLength;
      if (view.byteOffset > size || view.byteLength > size - view.byteOffset)
        Fail(place, "bytes " + std::to_string(view.byteOffset) + " to " +
                        std::to_string(view.byteOffset + view.byteLength) + " lie beyond the " +
                        std::to_string(size) + " bytes of buffers[" + std::to_string(view.buffer) +
                        "]");
    }
  }

  // Compressed data is only decoded for the view, so what cannot be read in its
  // extension leaves the view undecoded instead of refusing the file.
  static std::optional<uint64_t> Count(const ordered_json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number_unsigned()) return std::nullopt;
    return found->get<uint64_t>();
  }

  std::optional<GltfMeshoptSource> MeshoptSource(const ordered_json& extension) const {
    if (!extension.is_object()) return std::nullopt;
    const std::optional<uint64_t> buffer = Count(extension, "buffer");
    const std::optional<uint64_t> length = Count(extension, "byteLength");
    const std::optional<uint64_t> stride = Count(extension, "byteStride");
    const std::optional<uint64_t> count = Count(extension, "count");
    const auto mode = extension.find("mode");
    if (!buffer || *buffer >= asset_.buffers.size() || !length || !stride || *stride == 0 ||
        *stride > 256 || !count || mode == extension.end() || !mode->is_string())
      return std::nullopt;
    GltfMeshoptSource source;
    source.buffer = static_cast<size_t>(*buffer);
    source.byteOffset = Count(extension, "byteOffset").value_or(0);
    source.byteLength = *length;
    source.byteStride = static_cast<uint32_t>(*stride);
    source.count = *count;
    const uint64_t size = asset_.buffers[source.buffer].byteLength;
    if (source.byteOffset > size || source.byteLength > size - source.byteOffset)
      return std::nullopt;
    const std::string& modeName = mode->get_ref<const std::string&>();
    if (modeName == "ATTRIBUTES")
      source.mode = GltfMeshoptMode::kAttributes;
    else if (modeName == "TRIANGLES")
      source.mode = GltfMeshoptMode::kTriangles;
    else if (modeName == "INDICES")
      source.mode = GltfMeshoptMode::kIndices;
    else
      return std::nullopt;
    const auto filter = extension.find("filter");
    if (filter == extension.end() || *filter == "NONE")
      source.filter = GltfMeshoptFilter::kNone;
    else if (*filter == "OCTAHEDRAL")
      source.filter = GltfMeshoptFilter::kOctahedral;
    else if (*filter == "QUATERNION")
      source.filter = GltfMeshoptFilter::kQuaternion;
    else if (*filter == "EXPONENTIAL")
      source.filter = GltfMeshoptFilter::kExponential;
    else
      return std::nullopt;
    return source;
  }

  // The Draco data's view and POSITION attribute id, when both are there.
  void DracoSource(const ordered_json& extension, GltfPrimitive& primitive) const {
    if (!extension.is_object()) return;
    const auto attributes = extension.find("attributes");
    if (attributes == extension.end() || !attributes->is_object()) return;
    const uint64_t none = UINT64_MAX;
    const uint64_t view = Count(extension, "bufferView").value_or(none);
    const uint64_t position = Count(*attributes, "POSITION").value_or(none);
    if (view >= asset_.bufferViews.size() || position > UINT32_MAX) return;
    primitive.dracoView = static_cast<size_t>(view);
    primitive.dracoPosition = static_cast<uint32_t>(position);
  }

  // "min" or "max" when it is a list of three numbers.
  static std::optional<Vector3> Bound(const ordered_json& accessor, const char* key) {
    const auto found = accessor.find(key);
    if (found == accessor.end() || !found->is_array() || found->size() != 3) return std::nullopt;
    Vector3 bound;
    for (size_t a = 0; a < 3; ++a) {
      if (!(*found)[a].is_number()) return std::nullopt;
      bound[a] = (*found)[a].get<double>();
    }
    return bound;
  }

  void CheckSparse(const ordered_json& sparse, const std::string& place) const {
    if (!sparse.is_object()) Fail(place, "not a JSON object");
    Required(sparse, "count", place);
    for (const char* part : {"indices", "values"}) {
      const auto found = sparse.find(part);
      const std::string at = place + "." + part;
      if (found == sparse.end() || !found->is_object()) Fail(at, "missing or not a JSON object");
      Index(Required(*found, "bufferView", at), asset_.bufferViews.size(), at + ".bufferView",
            "buffer view");
      if (std::string_view(part) == "indices") Required(*found, "componentType", at);
    }
  }

  void CheckAccessors() {
    const ordered_json& entries = Entries("accessors");
    for (size_t i = 0; i < entries.size(); ++i) {
      const ordered_json& entry = entries[i];
      const std::string place = Place("accessors", i);
      GltfAccessor& accessor = asset_.accessors.emplace_back();
      const uint64_t componentType = Required(entry, "componentType", place);
      if (componentType > UINT32_MAX ||
          GltfComponentBytes(static_cast<uint32_t>(componentType)) == 0)
        Fail(place + ".componentType",
             std::to_string(componentType) + " is not a component type: unknown element type");
      accessor.componentType = static_cast<uint32_t>(componentType);
      accessor.count = Required(entry, "count", place);
      const auto type = entry.find("type");
      if (type == entry.end() || !type->is_string())
        Fail(place + ".type", "missing or not a string, and it is required");
      const std::string& typeName = type->get_ref<const std::string&>();
      for (const ElementType& known : kElementTypes)
        if (known.name == typeName) {
          accessor.components = known.components;
          accessor.matrix = known.matrix;
        }
      if (accessor.components == 0)
        Fail(place + ".type", "'" + typeName + "' is not an element type: unknown element type");
      if (const std::optional<uint64_t> view = Unsigned(entry, "bufferView", place))
        accessor.bufferView = Index(*view, asset_.bufferViews.size(), place, "buffer view");
      accessor.byteOffset = Unsigned(entry, "byteOffset", place).value_or(0);
      const auto normalized = entry.find("normalized");
      accessor.normalized = normalized != entry.end() && *normalized == true;
      accessor.min = Bound(entry, "min");
      accessor.max = Bound(entry, "max");
      if (const auto sparse = entry.find("sparse"); sparse != entry.end()) {
        CheckSparse(*sparse, place + ".sparse");
        accessor.sparse = true;
      }
      if (!accessor.bufferView || accessor.count == 0) continue;
      const GltfBufferView& view = asset_.bufferViews[*accessor.bufferView];
      const uint64_t element = accessor.ElementBytes();
      const uint64_t stride = view.byteStride != 0 ? view.byteStride : element;
      const bool fits =
          accessor.byteOffset <= view.byteLength &&
          element <= view.byteLength - accessor.byteOffset &&
          accessor.count - 1 <= (view.byteLength - accessor.byteOffset - element) / stride;
      if (!fits)
        Fail(place, std::to_string(accessor.count) + " elements from byte " +
                        std::to_string(accessor.byteOffset) + " run past the " +
                        std::to_string(view.byteLength) + " bytes of bufferViews[" +
                        std::to_string(*accessor.bufferView) + "]");
    }
  }

  void CheckPrimitive(const ordered_json& entry, const std::string& place) {
    if (!entry.is_object()) Fail(place, "not a JSON object");
    GltfPrimitive& primitive = asset_.primitives.emplace_back();
    if (const ordered_json* draco = Extension(entry, "KHR_draco_mesh_compression")) {
      primitive.compressed = true;
      DracoSource(*draco, primitive);
    }
    const auto attributes = entry.find("attributes");
    if (attributes == entry.end() || !attributes->is_object())
      Fail(place + ".attributes", "missing or not a JSON object, and it is required");
    for (const auto& [name, value] : attributes->items()) {
      const std::string at = place + ".attributes." + name;
      if (!value.is_number_unsigned()) Fail(at, "not an accessor index");
      const size_t accessor = Index(value.get<uint64_t>(), asset_.accessors.size(), at, "accessor");
      if (name == "POSITION") primitive.position = accessor;
    }
    if (const std::optional<uint64_t> indices = Unsigned(entry, "indices", place)) {
      const std::string at = place + ".indices";
      primitive.indices = Index(*indices, asset_.accessors.size(), at, "accessor");
      if (!asset_.accessors[*primitive.indices].bufferView && !primitive.compressed)
        Fail(at, Place("accessors", *primitive.indices) +
                     " has no bufferView, and the primitive is not compressed: its indices are "
                     "missing");
    }
    const auto mode = entry.find("mode");
    if (mode == entry.end())
      primitive.mode = kGltfTriangles;
    else if (mode->is_number_unsigned())
      primitive.mode = mode->get<uint64_t>();
  }

  void CheckMeshes() {
    const ordered_json& entries = Entries("meshes");
    for (size_t i = 0; i < entries.size(); ++i) {
      GltfMeshPrimitives& mesh = asset_.meshes.emplace_back();
      mesh.first = asset_.primitives.size();
      // A mesh whose primitives are not a list has no geometry: its nodes are points.
      const auto primitives = entries[i].find("primitives");
      if (primitives != entries[i].end() && primitives->is_array())
        for (size_t p = 0; p < primitives->size(); ++p)
          CheckPrimitive((*primitives)[p], Place("meshes", i) + Place(".primitives", p));
      mesh.count = asset_.primitives.size() - mesh.first;
    }
  }

  void CheckImages() const {
    const ordered_json& entries = Entries("images");
    for (size_t i = 0; i < entries.size(); ++i) {
      const ordered_json& entry = entries[i];
      const std::string place = Place("images", i);
      const auto view = entry.find("bufferView");
      const auto uri = entry.find("uri");
      if ((view == entry.end()) == (uri == entry.end()))
        Fail(place, view == entry.end() ? "neither a bufferView nor a uri: an image has one"
                                        : "both a bufferView and a uri: an image has one");
      if (view != entry.end()) {
        if (!view->is_number_unsigned() || view->get<uint64_t>() >= asset_.bufferViews.size())
          Fail(place + ".bufferView", "no such buffer view");
        continue;
      }
      // Images are carried, never decoded: what is checked is that their bytes are there.
      if (!uri->is_string()) Fail(place + ".uri", "not a string");
      const std::string& text = uri->get_ref<const std::string&>();
      if (const std::optional<size_t> dataAt = Base64DataAt(text)) {
        if (Base64DecodedLength(std::string_view(text).substr(*dataAt)) == 0)
          Fail(place + ".uri", "the data: URI holds no base64 data");
      } else if (IsRelativeFileUri(text)) {
        ReferencedFile(text, place + ".uri");
      }
    }
  }

  // A texture reference names its texture.
  void CheckTextureReference(const ordered_json& holder, const char* key,
                             const std::string& place) const {
    const auto reference = holder.find(key);
    if (reference == holder.end()) return;
    const auto index = reference->is_object() ? reference->find("index") : reference->end();
    if (index == reference->end() || !index->is_number_integer())
      Fail(place + "." + key + ".index",
           "missing or not an integer: a texture reference must name its texture");
  }

  void CheckCarried() const {
    for (const char* array : kCarriedArrays) Entries(array);
    const ordered_json& materials = Entries("materials");
    for (size_t i = 0; i < materials.size(); ++i) {
      const ordered_json& material = materials[i];
      const std::string place = Place("materials", i);
      const auto pbr = material.find("pbrMetallicRoughness");
      if (pbr != material.end() && pbr->is_object())
        for (const char* key : {"baseColorTexture", "metallicRoughnessTexture"})
          CheckTextureReference(*pbr, key, place + ".pbrMetallicRoughness");
      for (const char* key : {"normalTexture", "occlusionTexture", "emissiveTexture"})
        CheckTextureReference(material, key, place);
    }
  }

  void CheckScenes() {
    const ordered_json& entries = Entries("scenes");
    for (size_t i = 0; i < entries.size(); ++i) {
      std::vector<int64_t>& roots = asset_.scenes.emplace_back();
      const auto nodes = entries[i].find("nodes");
      if (nodes == entries[i].end()) continue;
      if (!nodes->is_array()) Fail(Place("scenes", i) + ".nodes", "not a list of node indices");
      roots.reserve(nodes->size());
      for (const ordered_json& node : *nodes) {
        if (!node.is_number_integer())
          Fail(Place("scenes", i) + ".nodes", "not a list of node indices");
        // Past int64_t is no node either; kept as the largest, which names none.
        roots.push_back(node.is_number_unsigned() && node.get<uint64_t>() > INT64_MAX
                            ? INT64_MAX
                            : node.get<int64_t>());
      }
    }
    // A default scene that is not a scene index leaves the first scene the default.
    const auto scene = document_.find("scene");
    if (scene != document_.end() && scene->is_number_unsigned())
      asset_.defaultScene = scene->get<uint64_t>();
  }

  const ordered_json& document_;
  const GltfAssetContext& context_;
  GltfAsset& asset_;
};

}  // namespace

const char* GltfRefusedExtension(std::string_view name) {
  struct Refused {
    std::string_view name;
    const char* why;
  };
  static constexpr Refused kRefused[] = {
      {"MSFT_lod", "shows other meshes by the distance it is seen from"},
  };
  for (const Refused& refused : kRefused)
    if (refused.name == name) return refused.why;
  return nullptr;
}

double GltfNormalized(double stored, uint32_t componentType) {
  switch (componentType) {
    case kGltfByte:
      return std::max(stored / 127.0, -1.0);
    case kGltfUnsignedByte:
      return stored / 255.0;
    case kGltfShort:
      return std::max(stored / 32767.0, -1.0);
    case kGltfUnsignedShort:
      return stored / 65535.0;
    default:
      return stored;
  }
}

size_t GltfComponentBytes(uint32_t componentType) {
  switch (componentType) {
    case kGltfByte:
    case kGltfUnsignedByte:
      return 1;
    case kGltfShort:
    case kGltfUnsignedShort:
      return 2;
    case kGltfInt:
    case kGltfUnsignedInt:
    case kGltfFloat:
      return 4;
    case kGltfDouble:
      return 8;
    default:
      return 0;
  }
}

GltfAsset CheckGltfAsset(ordered_json document, const GltfAssetContext& context) {
  GltfAsset asset;
  asset.document = std::move(document);
  AssetChecker(asset.document, context, asset).Check();
  return asset;
}

}  // namespace kcommand

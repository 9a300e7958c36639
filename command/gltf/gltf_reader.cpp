#include "gltf_reader.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>

#include "glb_framing.h"
#include "gltf_uris.h"
#include "gltf_writer.h"
#include "input_error.h"

namespace kcommand {
namespace {

using nlohmann::ordered_json;

uint32_t Word(const std::string& bytes, size_t at) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

std::string Place(const char* array, size_t index) {
  return std::string(array) + "[" + std::to_string(index) + "]";
}

// Cuts a GLB down to its JSON chunk in place, moving the bytes after it to `after`, and
// checks every length.
void SplitGlb(std::string& bytes, const std::string& fileName, std::string& after) {
  const auto fail = [&](const std::string& problem) {
    throw InputError(fileName + ": bad GLB: " + problem);
  };
  if (bytes.size() < 20)
    fail("the file has " + std::to_string(bytes.size()) +
         " bytes, fewer than a header and one chunk header (20)");
  if (Word(bytes, 4) != 2)
    fail("header (byte 4): version " + std::to_string(Word(bytes, 4)) + ", only 2 is read");
  if (Word(bytes, 8) != bytes.size())
    fail("header (byte 8): the header gives the length " + std::to_string(Word(bytes, 8)) +
         " but the file has " + std::to_string(bytes.size()) + " bytes");
  const size_t jsonLength = Word(bytes, 12);
  if (Word(bytes, 16) != kGlbChunkJson) fail("chunk 0 (byte 12): the first chunk is not JSON");
  if (jsonLength > bytes.size() - 20)
    fail("chunk 0 (byte 12): the JSON chunk's length " + std::to_string(jsonLength) +
         " runs past the end of the file");
  after.assign(bytes, 20 + jsonLength, std::string::npos);
  if (!after.empty()) {
    const std::string where = "chunk 1 (byte " + std::to_string(20 + jsonLength) + "): ";
    if (after.size() < 8) fail(where + "a chunk header needs 8 bytes");
    if (Word(after, 0) > after.size() - 8)
      fail(where + "the chunk's length " + std::to_string(Word(after, 0)) +
           " runs past the end of the file");
    if (Word(after, 4) != kGlbChunkBin) fail(where + "the second chunk is not BIN");
  }
  bytes.resize(20 + jsonLength);
  bytes.erase(0, 20);
}

// Files named by relative URIs must be there before tinygltf looks for them, so the
// message can say which entry wanted which file.
void CheckReferencedFiles(const ordered_json& document, const std::string& folder,
                          const std::string& fileName) {
  for (const char* array : {"buffers", "images"}) {
    const auto entries = document.find(array);
    if (entries == document.end() || !entries->is_array()) continue;
    for (size_t i = 0; i < entries->size(); ++i) {
      const ordered_json& entry = (*entries)[i];
      if (!entry.is_object() || !entry.contains("uri") || !entry["uri"].is_string()) continue;
      const std::string uri = entry["uri"].get<std::string>();
      if (!IsRelativeFileUri(uri)) continue;
      const std::filesystem::path file = std::filesystem::path(folder) / DecodeUri(uri);
      std::error_code ignored;
      if (!std::filesystem::is_regular_file(file, ignored))
        throw InputError(fileName + ": " + Place(array, i) + ".uri: the file '" + uri +
                         "' is missing (looked for " + file.string() + ")");
    }
  }
}

// tinygltf hands an image held in a buffer view to the image loader without checking
// the view's range, so the range is checked on the document first.
void CheckImageViews(const ordered_json& document, const std::string& fileName) {
  const auto images = document.find("images");
  const auto views = document.find("bufferViews");
  const auto buffers = document.find("buffers");
  if (images == document.end() || !images->is_array()) return;
  for (size_t i = 0; i < images->size(); ++i) {
    const ordered_json& image = (*images)[i];
    if (!image.is_object() || !image.contains("bufferView")) continue;
    const auto fail = [&](const std::string& problem) {
      throw InputError(fileName + ": " + Place("images", i) + ".bufferView: " + problem);
    };
    const ordered_json& index = image["bufferView"];
    if (!index.is_number_unsigned() || views == document.end() || !views->is_array() ||
        index.get<uint64_t>() >= views->size())
      fail("no such buffer view");
    const ordered_json& view = (*views)[index.get<size_t>()];
    if (!view.is_object() || !view.contains("buffer") || !view["buffer"].is_number_unsigned() ||
        buffers == document.end() || !buffers->is_array() ||
        view["buffer"].get<uint64_t>() >= buffers->size())
      fail("its view names no buffer");
    const ordered_json& buffer = (*buffers)[view["buffer"].get<size_t>()];
    const ordered_json offset = view.value("byteOffset", ordered_json(0));
    const ordered_json length = view.value("byteLength", ordered_json(0));
    const ordered_json total =
        buffer.is_object() ? buffer.value("byteLength", ordered_json(0)) : ordered_json(0);
    if (!offset.is_number_unsigned() || !length.is_number_unsigned() ||
        !total.is_number_unsigned() || offset.get<uint64_t>() > total.get<uint64_t>() ||
        length.get<uint64_t>() > total.get<uint64_t>() - offset.get<uint64_t>())
      fail("its view lies outside its buffer");
  }
}

bool KeepImageBytes(tinygltf::Image*, const int, std::string*, std::string*, int, int,
                    const unsigned char*, int, void*) {
  return true;
}

tinygltf::Model LoadModel(const std::string& bytes, bool binary, const std::string& folder,
                          const std::string& fileName) {
  tinygltf::TinyGLTF loader;
  loader.SetImageLoader(&KeepImageBytes, nullptr);
  tinygltf::Model model;
  std::string error;
  std::string warning;
  const bool loaded =
      binary ? loader.LoadBinaryFromMemory(&model, &error, &warning,
                                           reinterpret_cast<const unsigned char*>(bytes.data()),
                                           static_cast<unsigned int>(bytes.size()), folder)
             : loader.LoadASCIIFromString(&model, &error, &warning, bytes.data(),
                                          static_cast<unsigned int>(bytes.size()), folder);
  if (!loaded || !error.empty()) {
    while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) error.pop_back();
    std::replace(error.begin(), error.end(), '\n', ';');
    throw InputError(fileName + ": not a valid glTF 2.0 file: " +
                     (error.empty() ? std::string("the loader refused it") : error));
  }
  return model;
}

// Byte ranges of buffer views and accessors, and the indices meshes and nodes hold.
void CheckRanges(const tinygltf::Model& model, const std::string& fileName) {
  const auto fail = [&](const std::string& place, const std::string& problem) {
    throw InputError(fileName + ": " + place + ": " + problem);
  };
  for (size_t i = 0; i < model.bufferViews.size(); ++i) {
    const tinygltf::BufferView& view = model.bufferViews[i];
    if (view.buffer < 0 || static_cast<size_t>(view.buffer) >= model.buffers.size())
      fail(Place("bufferViews", i), "no buffer " + std::to_string(view.buffer));
    const size_t size = model.buffers[static_cast<size_t>(view.buffer)].data.size();
    if (view.byteOffset > size || view.byteLength > size - view.byteOffset)
      fail(Place("bufferViews", i), "bytes " + std::to_string(view.byteOffset) + " to " +
                                        std::to_string(view.byteOffset + view.byteLength) +
                                        " lie beyond the " + std::to_string(size) +
                                        " bytes of buffers[" + std::to_string(view.buffer) + "]");
  }
  for (size_t i = 0; i < model.accessors.size(); ++i) {
    const tinygltf::Accessor& accessor = model.accessors[i];
    const int component =
        tinygltf::GetComponentSizeInBytes(static_cast<uint32_t>(accessor.componentType));
    const int components = tinygltf::GetNumComponentsInType(static_cast<uint32_t>(accessor.type));
    if (component <= 0 || components <= 0) fail(Place("accessors", i), "unknown element type");
    if (accessor.bufferView < 0 || accessor.count == 0) continue;
    if (static_cast<size_t>(accessor.bufferView) >= model.bufferViews.size())
      fail(Place("accessors", i), "no buffer view " + std::to_string(accessor.bufferView));
    const tinygltf::BufferView& view = model.bufferViews[static_cast<size_t>(accessor.bufferView)];
    const size_t element = static_cast<size_t>(component) * static_cast<size_t>(components);
    const size_t stride = view.byteStride != 0 ? view.byteStride : element;
    const bool fits =
        accessor.byteOffset <= view.byteLength &&
        element <= view.byteLength - accessor.byteOffset &&
        accessor.count - 1 <= (view.byteLength - accessor.byteOffset - element) / stride;
    if (!fits)
      fail(Place("accessors", i), std::to_string(accessor.count) + " elements from byte " +
                                      std::to_string(accessor.byteOffset) + " run past the " +
                                      std::to_string(view.byteLength) + " bytes of bufferViews[" +
                                      std::to_string(accessor.bufferView) + "]");
  }
  for (size_t i = 0; i < model.meshes.size(); ++i) {
    for (size_t p = 0; p < model.meshes[i].primitives.size(); ++p) {
      const tinygltf::Primitive& primitive = model.meshes[i].primitives[p];
      const std::string place = Place("meshes", i) + ".primitives[" + std::to_string(p) + "]";
      if (primitive.indices >= 0 &&
          static_cast<size_t>(primitive.indices) >= model.accessors.size())
        fail(place + ".indices", "no accessor " + std::to_string(primitive.indices));
      for (const auto& [name, accessor] : primitive.attributes)
        if (accessor < 0 || static_cast<size_t>(accessor) >= model.accessors.size())
          fail(place + ".attributes." + name, "no accessor " + std::to_string(accessor));
    }
  }
}

// The mesh and child indices the nodes hold.
void CheckNodeIndices(const GltfJsonScan& scan, size_t meshCount, const std::string& fileName) {
  for (size_t i = 0; i < scan.nodes.size(); ++i) {
    const GltfNodeRead& node = scan.nodes[i];
    if (node.mesh >= 0 && static_cast<uint64_t>(node.mesh) >= meshCount)
      throw InputError(fileName + ": " + Place("nodes", i) + ".mesh: no mesh " +
                       std::to_string(node.mesh));
    for (size_t c = 0; c < node.childCount; ++c) {
      const int64_t child = scan.children[node.firstChild + c];
      if (child < 0 || static_cast<uint64_t>(child) >= scan.nodes.size())
        throw InputError(fileName + ": " + Place("nodes", i) + ".children: no node " +
                         std::to_string(child));
    }
  }
}

// Each node's parent, refusing nodes with two parents and parent chains that loop.
std::vector<std::ptrdiff_t> Parents(const GltfJsonScan& scan, const std::string& fileName) {
  std::vector<std::ptrdiff_t> parent(scan.nodes.size(), -1);
  for (size_t i = 0; i < scan.nodes.size(); ++i) {
    const GltfNodeRead& node = scan.nodes[i];
    for (size_t k = 0; k < node.childCount; ++k) {
      const size_t c = static_cast<size_t>(scan.children[node.firstChild + k]);
      if (parent[c] >= 0)
        throw InputError(fileName + ": " + Place("nodes", c) + ": the node has two parents, " +
                         Place("nodes", static_cast<size_t>(parent[c])) + " and " +
                         Place("nodes", i));
      parent[c] = static_cast<std::ptrdiff_t>(i);
    }
  }
  std::vector<char> state(parent.size(), 0);  // 0 not seen, 1 on this walk, 2 done
  std::vector<size_t> walk;
  for (size_t start = 0; start < parent.size(); ++start) {
    walk.clear();
    std::ptrdiff_t at = static_cast<std::ptrdiff_t>(start);
    while (at >= 0 && state[static_cast<size_t>(at)] == 0) {
      state[static_cast<size_t>(at)] = 1;
      walk.push_back(static_cast<size_t>(at));
      at = parent[static_cast<size_t>(at)];
    }
    if (at >= 0 && state[static_cast<size_t>(at)] == 1) {
      std::string chain = Place("nodes", static_cast<size_t>(at));
      for (std::ptrdiff_t up = parent[static_cast<size_t>(at)]; up != at;
           up = parent[static_cast<size_t>(up)])
        chain += " -> " + Place("nodes", static_cast<size_t>(up));
      throw InputError(fileName + ": " + Place("nodes", static_cast<size_t>(at)) +
                       ": the nodes form a cycle (each the parent of the one before): " + chain +
                       " -> " + Place("nodes", static_cast<size_t>(at)));
    }
    for (size_t node : walk) state[node] = 2;
  }
  return parent;
}

struct MeshBounds {
  Vector3 min;
  Vector3 max;
};

MeshBounds PositionBounds(const tinygltf::Model& model, size_t index, const std::string& fileName) {
  const tinygltf::Accessor& accessor = model.accessors[index];
  const std::string place = fileName + ": " + Place("accessors", index) + ": ";
  MeshBounds bounds;
  if (accessor.minValues.size() == 3 && accessor.maxValues.size() == 3) {
    for (size_t a = 0; a < 3; ++a) {
      bounds.min[a] = accessor.minValues[a];
      bounds.max[a] = accessor.maxValues[a];
    }
  } else {
    if (accessor.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT ||
        accessor.type != TINYGLTF_TYPE_VEC3 || accessor.bufferView < 0 || accessor.count == 0)
      throw InputError(place + "a POSITION accessor without min and max that is not 3 floats");
    const tinygltf::BufferView& view = model.bufferViews[static_cast<size_t>(accessor.bufferView)];
    const unsigned char* data = model.buffers[static_cast<size_t>(view.buffer)].data.data() +
                                view.byteOffset + accessor.byteOffset;
    const size_t stride = view.byteStride != 0 ? view.byteStride : 12;
    bounds.min = {INFINITY, INFINITY, INFINITY};
    bounds.max = {-INFINITY, -INFINITY, -INFINITY};
    for (size_t i = 0; i < accessor.count; ++i) {
      float p[3];
      std::memcpy(p, data + i * stride, sizeof p);
      for (size_t a = 0; a < 3; ++a) {
        bounds.min[a] = std::min(bounds.min[a], static_cast<double>(p[a]));
        bounds.max[a] = std::max(bounds.max[a], static_cast<double>(p[a]));
      }
    }
  }
  for (size_t a = 0; a < 3; ++a)
    if (!std::isfinite(bounds.min[a]) || !std::isfinite(bounds.max[a]) ||
        bounds.min[a] > bounds.max[a])
      throw InputError(place + "the POSITION bounds are not finite numbers with min <= max");
  return bounds;
}

// The union of the mesh's POSITION bounds; nothing for a mesh without positions.
std::optional<MeshBounds> MeshBox(const tinygltf::Model& model, size_t mesh,
                                  const std::string& fileName) {
  std::optional<MeshBounds> box;
  for (const tinygltf::Primitive& primitive : model.meshes[mesh].primitives) {
    const auto position = primitive.attributes.find("POSITION");
    if (position == primitive.attributes.end()) continue;
    const MeshBounds b = PositionBounds(model, static_cast<size_t>(position->second), fileName);
    if (!box) {
      box = b;
      continue;
    }
    for (size_t a = 0; a < 3; ++a) {
      box->min[a] = std::min(box->min[a], b.min[a]);
      box->max[a] = std::max(box->max[a], b.max[a]);
    }
  }
  return box;
}

}  // namespace

bool IsGlb(const std::string& bytes) { return bytes.size() >= 4 && Word(bytes, 0) == kGlbMagic; }

std::optional<GltfFile> ReadGltf(std::string& bytes, const std::string& fileName,
                                 std::optional<size_t> sceneIndex, SceneFile& scene) {
  GltfFile file;
  std::optional<GltfJsonScan> scan;
  file.binary = IsGlb(bytes);
  if (file.binary) {
    SplitGlb(bytes, fileName, file.chunksAfterJson);
    scan = ScanGltfJson(bytes, fileName + " (JSON chunk)", false);
  } else {
    // Searched for by skipping, not by every quote of the text as find would.
    constexpr std::string_view kAsset = "\"asset\"";
    if (std::search(bytes.begin(), bytes.end(),
                    std::boyer_moore_horspool_searcher(kAsset.begin(), kAsset.end())) ==
        bytes.end())
      return std::nullopt;
    scan = ScanGltfJson(bytes, fileName, true);
    if (!scan) return std::nullopt;
  }
  file.json = std::move(bytes);
  const std::filesystem::path path(fileName);
  file.folder = path.has_parent_path() ? path.parent_path().string() : std::string(".");
  file.document = std::move(scan->rest);
  file.places = std::move(scan->places);
  const ordered_json& document = file.document;
  if (document["asset"]["version"] != "2.0")
    throw InputError(fileName + ": asset.version: not glTF 2.0 (the only version read)");
  CheckReferencedFiles(document, file.folder, fileName);
  CheckImageViews(document, fileName);

  // The loader sees the file without its nodes, which were read above.
  const std::string rest = document.dump();
  const tinygltf::Model model = file.binary
                                    ? LoadModel(AssembleGlb(rest, file.chunksAfterJson, fileName),
                                                true, file.folder, fileName)
                                    : LoadModel(rest, false, file.folder, fileName);
  CheckRanges(model, fileName);
  CheckNodeIndices(*scan, model.meshes.size(), fileName);
  std::vector<GltfNodeRead>& nodes = scan->nodes;
  const std::vector<std::ptrdiff_t> parent = Parents(*scan, fileName);

  if (model.scenes.empty())
    throw InputError(fileName + ": scenes: the file has no scene, so no nodes to align");
  const size_t chosen =
      sceneIndex ? *sceneIndex : static_cast<size_t>(std::max(model.defaultScene, 0));
  if (chosen >= model.scenes.size())
    throw InputError(fileName + ": " + (sceneIndex ? std::string("--scene") : "scene") + ": " +
                     std::to_string(chosen) + " is not a scene (the file has " +
                     std::to_string(model.scenes.size()) + ")");
  const std::vector<int>& roots = model.scenes[chosen].nodes;
  std::vector<char> listed(nodes.size(), 0);
  for (int root : roots) {
    const std::string place = fileName + ": " + Place("scenes", chosen) + ".nodes: ";
    if (root < 0 || static_cast<size_t>(root) >= nodes.size())
      throw InputError(place + "no node " + std::to_string(root));
    const size_t r = static_cast<size_t>(root);
    if (parent[r] >= 0)
      throw InputError(place + Place("nodes", r) + " is a root of the scene and also a child of " +
                       Place("nodes", static_cast<size_t>(parent[r])));
    if (listed[r]) throw InputError(place + Place("nodes", r) + " is listed twice");
    listed[r] = 1;
  }

  std::vector<std::optional<std::optional<MeshBounds>>> meshBoxes(model.meshes.size());
  // A scene holds each node at most once. Each object's list of children is made as long
  // as its node's list first, so the objects being filled never move.
  file.nodeOfObject.reserve(nodes.size());
  file.meshOfObject.reserve(nodes.size());
  file.localAsRead.reserve(nodes.size());
  scene.objects.reserve(roots.size());
  struct Pending {
    size_t node;
    std::vector<SceneObject>* siblings;
    size_t depth;
  };
  std::vector<Pending> stack;
  for (auto root = roots.rbegin(); root != roots.rend(); ++root)
    stack.push_back({static_cast<size_t>(*root), &scene.objects, 1});
  while (!stack.empty()) {
    const Pending pending = stack.back();
    stack.pop_back();
    GltfNodeRead& node = nodes[pending.node];
    if (pending.depth > kMaxGltfNodeDepth)
      throw InputError(fileName + ": " + Place("nodes", pending.node) +
                       ": the node lies deeper than " + std::to_string(kMaxGltfNodeDepth) +
                       " levels, more than the command reads");
    if (node.zeroRotation)
      throw InputError(fileName + ": " + Place("nodes", pending.node) +
                       ".rotation: not a rotation (a quaternion of length zero)");
    const size_t index = file.nodeOfObject.size();
    SceneObject& object = pending.siblings->emplace_back();
    char number[24];
    const std::string_view digits(
        number, static_cast<size_t>(
                    std::to_chars(number, number + sizeof number, pending.node).ptr - number));
    object.alias = std::string("#").append(digits);
    object.name = node.name.empty() ? *object.alias : std::move(node.name);
    object.source = std::string("nodes[").append(digits).append("]");
    object.localMatrix = node.local;
    SetEulerFields(node.local, object);
    if (node.mesh >= 0) {
      auto& cached = meshBoxes[static_cast<size_t>(node.mesh)];
      if (!cached) cached = MeshBox(model, static_cast<size_t>(node.mesh), fileName);
      if (const std::optional<MeshBounds>& box = *cached) {
        Vector3 centre;
        double size = 0;
        for (size_t a = 0; a < 3; ++a) {
          object.halfSize[a] = std::max(std::fabs(box->min[a]), std::fabs(box->max[a]));
          centre[a] = (box->min[a] + box->max[a]) / 2;
          size = std::max(size, box->max[a] - box->min[a]);
        }
        for (size_t a = 0; a < 3; ++a)
          if (std::fabs(centre[a]) > 0.01 * size) {
            file.offCentre.push_back({index, centre});
            break;
          }
      }
    }
    file.nodeOfObject.push_back(pending.node);
    file.meshOfObject.push_back(node.mesh);
    file.localAsRead.push_back(node.local);
    object.children.reserve(node.childCount);
    for (size_t k = node.childCount; k-- > 0;)
      stack.push_back({static_cast<size_t>(scan->children[node.firstChild + k]), &object.children,
                       pending.depth + 1});
  }
  return file;
}

}  // namespace kcommand

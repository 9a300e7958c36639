#include "gltf_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <unordered_map>

#include "glb_framing.h"
#include "gltf_accessor_elements.h"
#include "gltf_buffer_bytes.h"
#include "input_error.h"

namespace kcommand {
namespace {

uint32_t Word(std::string_view bytes, size_t at) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

std::string Place(const char* array, size_t index) {
  return std::string(array) + "[" + std::to_string(index) + "]";
}

// Checks every length of a GLB's framing; the JSON chunk's length.
size_t CheckGlbFraming(const std::string& bytes, const std::string& fileName) {
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
  const std::string_view after = std::string_view(bytes).substr(20 + jsonLength);
  if (!after.empty()) {
    const std::string where = "chunk 1 (byte " + std::to_string(20 + jsonLength) + "): ";
    if (after.size() < 8) fail(where + "a chunk header needs 8 bytes");
    if (Word(after, 0) > after.size() - 8)
      fail(where + "the chunk's length " + std::to_string(Word(after, 0)) +
           " runs past the end of the file");
    if (Word(after, 4) != kGlbChunkBin) fail(where + "the second chunk is not BIN");
    if (Word(after, 0) % 4 != 0)
      fail(where + "the binary chunk's length " + std::to_string(Word(after, 0)) +
           " is not a multiple of 4");
  }
  return jsonLength;
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

// The bounds of a POSITION accessor: its "min" and "max" (dequantized when the accessor
// is normalized), else the floats it holds. Compressed positions are never decoded for
// this: glTF requires their accessors to give their bounds.
MeshBounds PositionBounds(const GltfAsset& asset, GltfViewBytes& views, size_t index,
                          const std::string& fileName) {
  const GltfAccessor& accessor = asset.accessors[index];
  const std::string place = fileName + ": " + Place("accessors", index) + ": ";
  MeshBounds bounds;
  if (accessor.min && accessor.max) {
    bounds.min = *accessor.min;
    bounds.max = *accessor.max;
    if (accessor.normalized)
      for (size_t a = 0; a < 3; ++a) {
        bounds.min[a] = GltfNormalized(bounds.min[a], accessor.componentType);
        bounds.max[a] = GltfNormalized(bounds.max[a], accessor.componentType);
      }
  } else {
    if (!accessor.bufferView)
      throw InputError(place +
                       "a POSITION accessor without min and max, and no bufferView to find "
                       "them from (compressed data gives its bounds there: glTF requires them)");
    if (accessor.componentType != kGltfFloat || accessor.components != 3 || accessor.matrix ||
        accessor.count == 0)
      throw InputError(place + "a POSITION accessor without min and max that is not 3 floats");
    if (accessor.sparse) throw InputError(place + "a sparse POSITION accessor without min and max");
    const std::optional<GltfElements> elements = GltfAccessorElements(asset, views, index, 3);
    if (!elements)
      throw InputError(fileName + ": " +
                       Place("buffers", asset.bufferViews[*accessor.bufferView].buffer) +
                       ": its bytes could not be read");
    bounds.min = {INFINITY, INFINITY, INFINITY};
    bounds.max = {-INFINITY, -INFINITY, -INFINITY};
    for (size_t i = 0; i < elements->count; ++i)
      for (size_t a = 0; a < 3; ++a) {
        const double p = GltfRead<float>(elements->At(i) + 4 * a);
        bounds.min[a] = std::min(bounds.min[a], p);
        bounds.max[a] = std::max(bounds.max[a], p);
      }
  }
  for (size_t a = 0; a < 3; ++a)
    if (!std::isfinite(bounds.min[a]) || !std::isfinite(bounds.max[a]) ||
        bounds.min[a] > bounds.max[a])
      throw InputError(place + "the POSITION bounds are not finite numbers with min <= max");
  return bounds;
}

// The union of the mesh's POSITION bounds; nothing for a mesh without positions.
std::optional<MeshBounds> MeshBox(const GltfAsset& asset, GltfViewBytes& views, size_t mesh,
                                  const std::string& fileName) {
  std::optional<MeshBounds> box;
  const GltfMeshPrimitives& primitives = asset.meshes[mesh];
  for (size_t p = primitives.first; p < primitives.first + primitives.count; ++p) {
    const std::optional<size_t> position = asset.primitives[p].position;
    if (!position) continue;
    const MeshBounds b = PositionBounds(asset, views, *position, fileName);
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

LocalMatrix Multiply(const LocalMatrix& parent, const LocalMatrix& local) {
  const auto apply = [&](const Vector3& v, double w) {
    Vector3 out;
    for (size_t a = 0; a < 3; ++a)
      out[a] = parent[1][a] * v[0] + parent[2][a] * v[1] + parent[3][a] * v[2] + parent[0][a] * w;
    return out;
  };
  return {apply(local[0], 1), apply(local[1], 0), apply(local[2], 0), apply(local[3], 0)};
}

// Axes that are not at right angles to one another, past the rounding of matrices
// stored as floats.
bool IsSkewed(const LocalMatrix& m) {
  const auto dot = [](const Vector3& a, const Vector3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  };
  for (const auto& [i, j] : {std::pair{1, 2}, std::pair{1, 3}, std::pair{2, 3}})
    if (std::fabs(dot(m[i], m[j])) > kTrsTolerance * std::sqrt(dot(m[i], m[i]) * dot(m[j], m[j])))
      return true;
  return false;
}

// The nodes an animation moves: channels that target a node's translation, rotation or
// scale.
std::vector<char> AnimatedNodes(const nlohmann::ordered_json& document, size_t nodeCount) {
  std::vector<char> animated(nodeCount, 0);
  const auto animations = document.find("animations");
  if (animations == document.end() || !animations->is_array()) return animated;
  for (const auto& animation : *animations) {
    const auto channels = animation.find("channels");
    if (channels == animation.end() || !channels->is_array()) continue;
    for (const auto& channel : *channels) {
      const auto target = channel.is_object() ? channel.find("target") : channel.end();
      if (target == channel.end() || !target->is_object()) continue;
      const auto node = target->find("node");
      const auto path = target->find("path");
      if (node == target->end() || !node->is_number_unsigned() || path == target->end() ||
          *path == "weights")
        continue;
      if (node->get<uint64_t>() < nodeCount) animated[node->get<size_t>()] = 1;
    }
  }
  return animated;
}

// The float elements of an accessor with `components` per element; nothing when it is
// not plain floats in an uncompressed buffer view (quantized instance data is not read).
std::optional<std::vector<double>> Floats(const GltfAsset& asset, GltfViewBytes& views,
                                          int64_t index, uint32_t components) {
  if (index < 0 || static_cast<uint64_t>(index) >= asset.accessors.size() ||
      asset.accessors[static_cast<size_t>(index)].componentType != kGltfFloat)
    return std::nullopt;
  const std::optional<GltfElements> elements =
      GltfAccessorElements(asset, views, static_cast<size_t>(index), components);
  if (!elements) return std::nullopt;
  std::vector<double> values;
  values.reserve(elements->count * components);
  for (size_t i = 0; i < elements->count; ++i)
    for (size_t c = 0; c < components; ++c)
      values.push_back(GltfRead<float>(elements->At(i) + 4 * c));
  return values;
}

// The box around every instance of a mesh drawn by EXT_mesh_gpu_instancing, each the
// mesh's box under the instance's translation, rotation and scale; nothing when the
// instances cannot be read, so the mesh's own box stands.
std::optional<MeshBounds> AroundInstances(const GltfAsset& asset, GltfViewBytes& views,
                                          const std::array<int64_t, 3>& accessors,
                                          const MeshBounds& mesh) {
  constexpr uint32_t kComponents[] = {3, 4, 3};
  std::array<std::optional<std::vector<double>>, 3> values;
  size_t count = 0;
  for (size_t a = 0; a < 3; ++a) {
    if (accessors[a] < 0) continue;
    values[a] = Floats(asset, views, accessors[a], kComponents[a]);
    if (!values[a]) return std::nullopt;
    const size_t n = values[a]->size() / kComponents[a];
    if (count != 0 && n != count) return std::nullopt;
    count = n;
  }
  if (count == 0) return std::nullopt;
  MeshBounds box{{INFINITY, INFINITY, INFINITY}, {-INFINITY, -INFINITY, -INFINITY}};
  for (size_t i = 0; i < count; ++i) {
    Trs trs;
    if (values[0])
      trs.translation = {(*values[0])[3 * i], (*values[0])[3 * i + 1], (*values[0])[3 * i + 2]};
    if (values[1])
      trs.rotation = {(*values[1])[4 * i], (*values[1])[4 * i + 1], (*values[1])[4 * i + 2],
                      (*values[1])[4 * i + 3]};
    if (values[2])
      trs.scale = {(*values[2])[3 * i], (*values[2])[3 * i + 1], (*values[2])[3 * i + 2]};
    const LocalMatrix m = MatrixFromTrs(trs);
    for (size_t corner = 0; corner < 8; ++corner) {
      const Vector3 p{corner & 1 ? mesh.max[0] : mesh.min[0],
                      corner & 2 ? mesh.max[1] : mesh.min[1],
                      corner & 4 ? mesh.max[2] : mesh.min[2]};
      for (size_t a = 0; a < 3; ++a) {
        const double v = m[0][a] + m[1][a] * p[0] + m[2][a] * p[1] + m[3][a] * p[2];
        box.min[a] = std::min(box.min[a], v);
        box.max[a] = std::max(box.max[a], v);
      }
    }
  }
  for (size_t a = 0; a < 3; ++a)
    if (!std::isfinite(box.min[a]) || !std::isfinite(box.max[a])) return std::nullopt;
  return box;
}

// A mesh's name, when it has one that is not empty.
const std::string* MeshName(const nlohmann::ordered_json& document, int64_t mesh) {
  if (mesh < 0) return nullptr;
  const auto meshes = document.find("meshes");
  if (meshes == document.end() || !meshes->is_array() ||
      static_cast<uint64_t>(mesh) >= meshes->size())
    return nullptr;
  const nlohmann::ordered_json& entry = (*meshes)[static_cast<size_t>(mesh)];
  const auto name = entry.find("name");
  if (name == entry.end() || !name->is_string() || name->get_ref<const std::string&>().empty() ||
      name->get_ref<const std::string&>().find('/') != std::string::npos)
    return nullptr;
  return &name->get_ref<const std::string&>();
}

// Unnamed nodes answer to their mesh's name when no other object is called that (a mesh
// drawn by several nodes names none of them).
void NameByMeshes(std::vector<std::pair<SceneObject*, const std::string*>>& unnamed,
                  SceneModel& scene) {
  if (unnamed.empty()) return;
  std::unordered_map<std::string_view, size_t> uses;
  for (const auto& [object, name] : unnamed) ++uses[*name];
  WalkObjects(scene, [&](SceneObject& object, size_t, std::optional<size_t>) {
    if (object.alias && object.name != *object.alias) ++uses[object.name];
  });
  for (const auto& [object, name] : unnamed)
    if (uses[*name] == 1) object->name = *name;
}

}  // namespace

std::string MeshNameOf(const GltfFile& file, size_t object) {
  if (object >= file.meshOfObject.size()) return {};
  const std::string* name = MeshName(file.asset.document, file.meshOfObject[object]);
  return name ? *name : std::string();
}

bool IsGlb(const std::string& bytes) { return bytes.size() >= 4 && Word(bytes, 0) == kGlbMagic; }

namespace {

// The file's JSON, scanned once, and its asset checked; the text moves into `file`.
// Nothing when the text is not glTF (it may be another format).
std::optional<GltfJsonScan> ScanGltfFile(std::string& bytes, const std::string& fileName,
                                         GltfFile& file) {
  std::optional<GltfJsonScan> scan;
  file.binary = IsGlb(bytes);
  if (file.binary) {
    file.jsonAt = 20;
    file.jsonLength = CheckGlbFraming(bytes, fileName);
    scan = ScanGltfJson(std::string_view(bytes).substr(file.jsonAt, file.jsonLength),
                        fileName + " (JSON chunk)", false);
  } else {
    // Searched for by skipping, not by every quote of the text as find would.
    constexpr std::string_view kAsset = "\"asset\"";
    if (std::search(bytes.begin(), bytes.end(),
                    std::boyer_moore_horspool_searcher(kAsset.begin(), kAsset.end())) ==
        bytes.end())
      return std::nullopt;
    scan = ScanGltfJson(bytes, fileName, true);
    if (!scan) return std::nullopt;
    file.jsonLength = bytes.size();
  }
  file.bytes = std::move(bytes);
  const std::filesystem::path path(fileName);
  file.folder = path.has_parent_path() ? path.parent_path().string() : std::string(".");
  file.places = std::move(scan->places);
  if (scan->rest["asset"]["version"] != "2.0")
    throw InputError(fileName + ": asset.version: not glTF 2.0 (the only version read)");
  GltfAssetContext context{fileName, file.folder, file.binary, std::nullopt};
  if (file.ChunksAfterJson().size() >= 8) context.binChunkLength = Word(file.ChunksAfterJson(), 0);
  file.asset = CheckGltfAsset(std::move(scan->rest), context);
  CheckNodeIndices(*scan, file.asset.meshes.size(), fileName);
  return scan;
}

// The root nodes of the scene read: the one asked for, else the file's default; a file
// without scenes is a library of nodes, whose root nodes are what it holds.
std::vector<int64_t> SceneRoots(const GltfAsset& asset, const std::vector<std::ptrdiff_t>& parent,
                                std::optional<size_t> sceneIndex, const std::string& fileName) {
  const uint64_t chosen = sceneIndex ? uint64_t{*sceneIndex} : asset.defaultScene;
  std::vector<int64_t> roots;
  if (asset.scenes.empty() && !sceneIndex) {
    for (size_t n = 0; n < parent.size(); ++n)
      if (parent[n] < 0) roots.push_back(static_cast<int64_t>(n));
    return roots;
  }
  if (chosen >= asset.scenes.size())
    throw InputError(fileName + ": " + (sceneIndex ? std::string("--scene") : "scene") + ": " +
                     std::to_string(chosen) + " is not a scene (the file has " +
                     std::to_string(asset.scenes.size()) + ")");
  roots = asset.scenes[static_cast<size_t>(chosen)];
  std::vector<char> listed(parent.size(), 0);
  for (const int64_t root : roots) {
    const std::string place =
        fileName + ": " + Place("scenes", static_cast<size_t>(chosen)) + ".nodes: ";
    if (root < 0 || static_cast<uint64_t>(root) >= parent.size())
      throw InputError(place + "no node " + std::to_string(root));
    const size_t r = static_cast<size_t>(root);
    if (parent[r] >= 0)
      throw InputError(place + Place("nodes", r) + " is a root of the scene and also a child of " +
                       Place("nodes", static_cast<size_t>(parent[r])));
    if (listed[r]) throw InputError(place + Place("nodes", r) + " is listed twice");
    listed[r] = 1;
  }
  return roots;
}

// The object's box from its node's mesh (and the mesh's instances), computed once a mesh.
class MeshBoxes {
 public:
  MeshBoxes(const GltfAsset& asset, const GltfFile& file, const std::string& fileName)
      : asset_(asset),
        bytes_(asset, file.ChunksAfterJson()),
        views_(asset, bytes_, 0),
        fileName_(fileName),
        boxes_(asset.meshes.size()) {}

  // Sets the object's half sizes, and its box centre when the scene places boxes on
  // their geometry; an object without geometry keeps its own.
  void Apply(const GltfNodeRead& node, BoxPlacement boxes, SceneObject& object) {
    if (node.mesh < 0) return;
    auto& cached = boxes_[static_cast<size_t>(node.mesh)];
    if (!cached) cached = MeshBox(asset_, views_, static_cast<size_t>(node.mesh), fileName_);
    std::optional<MeshBounds> box = *cached;
    if (box && node.instanced)
      box = AroundInstances(asset_, views_, node.instances, *box).value_or(*box);
    if (!box) return;
    // The mesh's own box: its half sizes about its centre, which is rarely the origin; or
    // the smallest box about the origin that holds it.
    Vector3 centre;
    for (size_t a = 0; a < 3; ++a) {
      object.halfSize[a] = (box->max[a] - box->min[a]) / 2;
      centre[a] = (box->min[a] + box->max[a]) / 2;
      if (boxes == BoxPlacement::kOrigin)
        object.halfSize[a] = std::max(std::fabs(box->min[a]), std::fabs(box->max[a]));
    }
    if (boxes == BoxPlacement::kGeometry && centre != Vector3{0, 0, 0}) object.boxCentre = centre;
  }

 private:
  const GltfAsset& asset_;
  GltfBufferBytes bytes_;
  // Compressed views are never decoded for boxes: glTF requires their bounds be given.
  GltfViewBytes views_;
  const std::string& fileName_;
  std::vector<std::optional<std::optional<MeshBounds>>> boxes_;
};

}  // namespace

std::optional<GltfFile> ReadGltf(std::string& bytes, const std::string& fileName,
                                 std::optional<size_t> sceneIndex, SceneModel& scene) {
  GltfFile file;
  std::optional<GltfJsonScan> scan = ScanGltfFile(bytes, fileName, file);
  if (!scan) return std::nullopt;
  const GltfAsset& asset = file.asset;
  std::vector<GltfNodeRead>& nodes = scan->nodes;
  const std::vector<std::ptrdiff_t> parent = Parents(*scan, fileName);
  const std::vector<int64_t> roots = SceneRoots(asset, parent, sceneIndex, fileName);

  MeshBoxes meshBoxes(asset, file, fileName);
  scene.places = PlaceNotation::kGltfNode;
  // A scene holds each node at most once. Each object's list of children is made as long
  // as its node's list first, so the objects being filled never move.
  file.nodeOfObject.reserve(nodes.size());
  file.meshOfObject.reserve(nodes.size());
  file.localAsRead.reserve(nodes.size());
  scene.objects.reserve(roots.size());
  const std::vector<char> animated = AnimatedNodes(asset.document, nodes.size());
  std::vector<std::pair<SceneObject*, const std::string*>> unnamed;
  struct Pending {
    size_t node;
    std::vector<SceneObject>* siblings;
    size_t depth;
    // The parent's world matrix; none at the top level, where the world is the local.
    std::optional<LocalMatrix> parentWorld;
  };
  std::vector<Pending> stack;
  for (auto root = roots.rbegin(); root != roots.rend(); ++root)
    stack.push_back({static_cast<size_t>(*root), &scene.objects, 1, std::nullopt});
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
    if (node.name.empty()) {
      object.name = *object.alias;
      if (const std::string* meshName = MeshName(asset.document, node.mesh))
        unnamed.emplace_back(&object, meshName);
    } else {
      object.name = std::move(node.name);
    }
    object.listIndex = ToListIndex(pending.node);
    object.localMatrix = node.local;
    SetEulerFields(node.local, object);
    meshBoxes.Apply(node, scene.boxes, object);
    const LocalMatrix world =
        pending.parentWorld ? Multiply(*pending.parentWorld, node.local) : node.local;
    if (node.mesh >= 0 && IsSkewed(world)) file.skewed.push_back(index);
    if (animated[pending.node]) file.animated.push_back(index);
    if (node.instanced) file.instanced.push_back(index);
    file.nodeOfObject.push_back(pending.node);
    file.meshOfObject.push_back(node.mesh);
    file.localAsRead.push_back(node.local);
    object.children.reserve(node.childCount);
    for (size_t k = node.childCount; k-- > 0;)
      stack.push_back({static_cast<size_t>(scan->children[node.firstChild + k]), &object.children,
                       pending.depth + 1, world});
  }
  NameByMeshes(unnamed, scene);
  return file;
}

}  // namespace kcommand

#include "gltf_box_scene.h"

#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>

#include "glb_framing.h"
#include "gltf_transform.h"
#include "gltf_writer.h"
#include "input_error.h"

namespace kcommand {
namespace {

using nlohmann::ordered_json;

constexpr int kArrayBuffer = 34962;
constexpr int kElementArrayBuffer = 34963;
constexpr int kFloat = 5126;
constexpr int kUnsignedShort = 5123;

// Corner k of the unit box is (bit 0, bit 1, bit 2) of k, each 0 meaning -1.
double Corner(size_t k, size_t axis) { return (k >> axis & 1) != 0 ? 1.0 : -1.0; }

// Two triangles per face, wound counter-clockwise seen from outside.
std::vector<uint16_t> BoxIndices() {
  std::vector<uint16_t> indices;
  for (size_t axis = 0; axis < 3; ++axis) {
    const size_t u = (axis + 1) % 3;
    const size_t v = (axis + 2) % 3;
    for (size_t side = 0; side < 2; ++side) {
      uint16_t quad[4];
      const size_t steps[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
      for (size_t i = 0; i < 4; ++i)
        quad[i] = static_cast<uint16_t>(side << axis | steps[i][0] << u | steps[i][1] << v);
      // (u, v, axis) is right-handed, so this order faces +axis; the minus side turns it.
      const uint16_t order[2][6] = {{quad[0], quad[3], quad[2], quad[0], quad[2], quad[1]},
                                    {quad[0], quad[1], quad[2], quad[0], quad[2], quad[3]}};
      indices.insert(indices.end(), order[side], order[side] + 6);
    }
  }
  return indices;
}

template <typename T>
void Append(std::string& bytes, const T& value) {
  char raw[sizeof(T)];
  std::memcpy(raw, &value, sizeof(T));
  bytes.append(raw, sizeof(T));
}

std::string Base64(const std::string& bytes) {
  static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t n = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (i + 1 < bytes.size())
      n |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    if (i + 2 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[n >> 18 & 63];
    out += kAlphabet[n >> 12 & 63];
    out += i + 1 < bytes.size() ? kAlphabet[n >> 6 & 63] : '=';
    out += i + 2 < bytes.size() ? kAlphabet[n & 63] : '=';
  }
  return out;
}

// A node for the object: its name and its transform as translation, rotation and scale.
ordered_json NodeOf(const ObjectEntry& entry, const std::string& outputPath) {
  const SceneObject& object = *entry.object;
  const LocalMatrix local =
      object.localMatrix ? *object.localMatrix : MatrixFromEulerFields(object);
  const std::optional<Trs> trs = DecomposeTrs(local);
  if (!trs)
    throw InputError(outputPath + ": object '" + entry.path +
                     "': its transform is not a rotation and scale a glTF node can hold");
  ordered_json node;
  node["name"] = object.name;
  if (trs->translation != Vector3{0, 0, 0})
    node["translation"] = TrsNumbers(trs->translation.data(), 3);
  if (trs->rotation != Quaternion{0, 0, 0, 1})
    node["rotation"] = TrsNumbers(trs->rotation.data(), 4);
  if (trs->scale != Vector3{1, 1, 1}) node["scale"] = TrsNumbers(trs->scale.data(), 3);
  return node;
}

// The file being made: the buffer (the box's indices, then each box's corners), and the
// meshes and accessors that read it.
struct BoxBuffers {
  std::string buffer;
  size_t positionsStart = 0;
  ordered_json meshes = ordered_json::array();
  ordered_json accessors = ordered_json::array();

  explicit BoxBuffers(const std::vector<uint16_t>& indices) {
    for (uint16_t index : indices) Append(buffer, index);
    positionsStart = buffer.size();  // 72, a multiple of 4
    accessors.push_back({{"bufferView", 0},
                         {"componentType", kUnsignedShort},
                         {"count", indices.size()},
                         {"type", "SCALAR"},
                         {"min", {0}},
                         {"max", {7}}});
  }

  // The object's box as a mesh of its own; its index.
  size_t AddBox(const SceneObject& object) {
    const Vector3& half = object.halfSize;
    const size_t start = buffer.size() - positionsStart;
    const Vector3 centre = object.boxCentre ? *object.boxCentre : Vector3{0, 0, 0};
    for (size_t k = 0; k < 8; ++k)
      for (size_t axis = 0; axis < 3; ++axis)
        Append(buffer, static_cast<float>(centre[axis] + Corner(k, axis) * half[axis]));
    // min and max as the stored floats say them.
    Vector3 min, max;
    for (size_t axis = 0; axis < 3; ++axis) {
      min[axis] = static_cast<float>(centre[axis] - half[axis]);
      max[axis] = static_cast<float>(centre[axis] + half[axis]);
    }
    accessors.push_back({{"bufferView", 1},
                         {"byteOffset", start},
                         {"componentType", kFloat},
                         {"count", 8},
                         {"type", "VEC3"},
                         {"min", {min[0], min[1], min[2]}},
                         {"max", {max[0], max[1], max[2]}}});
    meshes.push_back(
        {{"name", object.name},
         {"primitives", {{{"attributes", {{"POSITION", accessors.size() - 1}}}, {"indices", 0}}}}});
    return meshes.size() - 1;
  }

  // The meshes, accessors, views and buffer into `document`; a .gltf carries the buffer
  // in a data URI.
  void WriteInto(ordered_json& document, bool binary) {
    document["meshes"] = std::move(meshes);
    document["accessors"] = std::move(accessors);
    ordered_json views = ordered_json::array();
    views.push_back(
        {{"buffer", 0}, {"byteLength", positionsStart}, {"target", kElementArrayBuffer}});
    views.push_back({{"buffer", 0},
                     {"byteOffset", positionsStart},
                     {"byteLength", buffer.size() - positionsStart},
                     {"byteStride", 12},
                     {"target", kArrayBuffer}});
    document["bufferViews"] = std::move(views);
    ordered_json bufferEntry = {{"byteLength", buffer.size()}};
    if (!binary) bufferEntry["uri"] = "data:application/octet-stream;base64," + Base64(buffer);
    document["buffers"] = {bufferEntry};
  }
};

}  // namespace

std::string BoxSceneGltf(SceneModel& scene, bool binary, const std::string& outputPath) {
  const std::vector<ObjectEntry> entries = ListObjects(scene);
  BoxBuffers boxes(BoxIndices());
  ordered_json nodes = ordered_json::array();
  ordered_json roots = ordered_json::array();
  for (size_t i = 0; i < entries.size(); ++i) {
    ordered_json node = NodeOf(entries[i], outputPath);
    if (entries[i].object->halfSize != Vector3{0, 0, 0})
      node["mesh"] = boxes.AddBox(*entries[i].object);
    nodes.push_back(std::move(node));
    if (entries[i].parent)
      nodes[*entries[i].parent]["children"].push_back(i);
    else
      roots.push_back(i);
  }

  ordered_json document;
  document["asset"] = {{"version", "2.0"}, {"generator", "kestrum convert"}};
  document["scene"] = 0;
  document["scenes"] = {{{"nodes", roots}}};
  document["nodes"] = std::move(nodes);
  const bool anyBox = !boxes.meshes.empty();
  if (anyBox) boxes.WriteInto(document, binary);
  if (!binary) return document.dump(2) + "\n";
  std::string chunk;
  std::string& buffer = boxes.buffer;
  if (!buffer.empty() && anyBox) {
    buffer.append((4 - buffer.size() % 4) % 4, '\0');
    Append(chunk, static_cast<uint32_t>(buffer.size()));
    Append(chunk, kGlbChunkBin);
    chunk += buffer;
  }
  return AssembleGlb(document.dump(), chunk, outputPath);
}

}  // namespace kcommand

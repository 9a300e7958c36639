#pragma once
// Reads a glTF 2.0 file (.gltf with its files, or .glb) into the command's scene: one
// object per node of the chosen scene, with the node's own transform and a box around
// its own mesh, and keeps the JSON text so a writer can change node transforms and
// nothing else. The JSON is read in one streaming pass over the text: the nodes as
// compact records, the rest as one document that is checked once (gltf_asset).
//
// Every problem is an InputError naming the file and the place ("nodes[12]", or
// line:column in the JSON).

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gltf_asset.h"
#include "gltf_json_scan.h"
#include "gltf_transform.h"
#include "scene_model.h"

namespace kcommand {

// Node trees deeper than the JSON scene format's are refused: the command's tree walks
// recurse per level, and a scene converted to JSON must read back.
constexpr size_t kMaxGltfNodeDepth = kMaxObjectNesting;

struct GltfFile {
  // The file as read: the JSON of a .gltf, all of a .glb (held once, its chunks not
  // copied out).
  std::string bytes;
  size_t jsonAt = 0;
  size_t jsonLength = 0;
  // The same JSON as a document without its nodes, checked: buffers, views, accessors,
  // meshes and scenes.
  GltfAsset asset;
  bool binary = false;
  // The folder relative URIs resolve from.
  std::string folder;
  // Where each node and the URI-holding arrays lie in `json`.
  GltfTextPlaces places;
  // For each object in ListObjects order: its node, its mesh (negative when none) and the
  // local matrix as read.
  std::vector<size_t> nodeOfObject;
  std::vector<int64_t> meshOfObject;
  std::vector<LocalMatrix> localAsRead;
  // Objects (ListObjects order) whose placement cannot come out exact: a mesh whose
  // world frame is skewed (a non-uniform scale above a rotation), so its box is not a
  // box in the world; a node an animation moves, which overrides the new placement when
  // it plays; a mesh drawn once per instance (EXT_mesh_gpu_instancing), whose box holds
  // every instance.
  std::vector<size_t> skewed, animated, instanced;

  // The JSON as read (a .glb's JSON chunk), which the writer copies with its changes.
  std::string_view Json() const { return std::string_view(bytes).substr(jsonAt, jsonLength); }
  // A .glb's bytes after its JSON chunk (the binary chunk and any later ones), written
  // back as they are.
  std::string_view ChunksAfterJson() const {
    return binary ? std::string_view(bytes).substr(jsonAt + jsonLength) : std::string_view();
  }
};

// The name of the mesh object `object` (ListObjects order) draws; empty when it draws none
// or its mesh has no name.
std::string MeshNameOf(const GltfFile& file, size_t object);

// Whether `bytes` begin as a .glb does.
bool IsGlb(const std::string& bytes);

// Reads `bytes` when they are glTF: a .glb, or JSON whose asset.version is a string; the
// file then keeps them. Nothing, with `bytes` untouched, for anything else (a scene in
// the command's JSON format, or text that is not JSON at all).
// `sceneIndex`: the scene to read (default: the file's "scene", else the first).
// `scene.boxes` says which box each mesh gets: its own, or the smallest one about the
// node's origin that holds it.
std::optional<GltfFile> ReadGltf(std::string& bytes, const std::string& fileName,
                                 std::optional<size_t> sceneIndex, SceneModel& scene);

}  // namespace kcommand

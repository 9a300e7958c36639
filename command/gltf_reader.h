#pragma once
// Reads a glTF 2.0 file (.gltf with its files, or .glb) into the command's scene: one
// object per node of the chosen scene, with the node's own transform and a box around
// its own mesh, and keeps the whole document so a writer can change node transforms
// and nothing else. tinygltf loads and checks buffers, accessors and images; the
// document itself is kept as read, keys in file order.
//
// Every problem is an InputError naming the file and the place ("nodes[12]", or
// line:column in the JSON).

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "gltf_transform.h"
#include "scene_model.h"
#include "scene_reader.h"

namespace kcommand {

// Node trees deeper than the JSON scene format's are refused: the command's tree walks
// recurse per level, and a scene converted to JSON must read back.
constexpr size_t kMaxGltfNodeDepth = kMaxObjectNesting;

struct GltfFile {
  nlohmann::ordered_json document;
  bool binary = false;
  // A .glb's bytes after its JSON chunk (the binary chunk and any later ones), written
  // back as they are.
  std::string chunksAfterJson;
  // The folder relative URIs resolve from.
  std::string folder;
  // For each object in ListObjects order: its node and the local matrix as read.
  std::vector<size_t> nodeOfObject;
  std::vector<LocalMatrix> localAsRead;
  // Objects (ListObjects order) whose mesh centre is off the node's origin by more than
  // 1% of the mesh's size, with that offset.
  std::vector<std::pair<size_t, Vector3>> offCentre;
};

// Whether `bytes` are glTF: the GLB magic, or JSON whose asset.version is a string.
// Sets `document` to the parsed JSON when it is JSON glTF (saves a second parse).
bool LooksLikeGltf(const std::string& bytes, std::optional<nlohmann::ordered_json>& document);

// `scene`: the scene index to read (default: the file's "scene", else the first).
// `parsed`: the JSON document when LooksLikeGltf already parsed it.
GltfFile ReadGltf(const std::string& bytes, const std::string& fileName,
                  std::optional<size_t> sceneIndex, std::optional<nlohmann::ordered_json> parsed,
                  SceneFile& scene);

}  // namespace kcommand

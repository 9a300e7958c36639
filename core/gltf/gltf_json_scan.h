#pragma once
// One streaming pass over a glTF file's JSON: the nodes come out as compact records with
// where each lies in the text, and everything else as a document (its "nodes" left
// empty) for the loader and the mesh reader. A million nodes never become a million
// JSON objects, and the text itself is kept for writing the file back.

#include <array>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gltf_transform.h"

namespace kcommand {

// Deeper JSON is refused: the loader reads nested values recursively.
constexpr size_t kMaxGltfJsonDepth = 100;

// Where a value lies in the JSON text: [begin, begin + length).
struct GltfTextRange {
  uint64_t begin = 0;
  uint64_t length = 0;
};

// Where a node lies in the JSON text, and what a writer may change in place.
struct GltfNodeText {
  uint64_t begin = 0;
  uint32_t length = 0;
  // Where its "translation", "rotation" and "scale" lists lie within the node's text
  // (offset 0: it has none), when its transform is plain.
  uint32_t listAt[3] = {};
  uint16_t listLength[3] = {};
  // Its transform is "translation", "rotation" and "scale", each at most once and each a
  // list of the right count of numbers, so a writer can replace the lists where they are.
  bool plainTransform = false;
};

struct GltfNodeRead {
  std::string name;
  int64_t mesh = -1;  // none when negative
  // Its entries in GltfJsonScan::children.
  size_t firstChild = 0;
  size_t childCount = 0;
  LocalMatrix local;
  // A rotation of length zero, refused when the node is part of the scene read.
  bool zeroRotation = false;
  // Drawn many times over (EXT_mesh_gpu_instancing), each instance placed by the node;
  // the accessors of the instances' translation, rotation and scale (negative: none).
  bool instanced = false;
  std::array<int64_t, 3> instances{-1, -1, -1};
};

// Where the parts a writer may change lie in the JSON text.
struct GltfTextPlaces {
  std::vector<GltfNodeText> nodes;
  // The top-level "buffers" and "images" values, which hold URIs.
  std::optional<GltfTextRange> buffers;
  std::optional<GltfTextRange> images;
};

struct GltfJsonScan {
  // The file's JSON without its nodes: "nodes" is an empty array.
  nlohmann::ordered_json rest;
  std::vector<GltfNodeRead> nodes;
  std::vector<int64_t> children;
  GltfTextPlaces places;
};

// Throws InputError "fileName:line:column: ..." for text that is not JSON, for numbers
// too large for a double and for nesting past kMaxGltfJsonDepth, and "fileName: nodes[N]
// ..." for a node that cannot be read. Nothing when `asGltfOnly` is set and the text is
// not a JSON object with asset.version a string (it may be another format).
std::optional<GltfJsonScan> ScanGltfJson(std::string_view text, const std::string& fileName,
                                         bool asGltfOnly);

}  // namespace kcommand

#pragma once
// Writes glTF: a file read by ReadGltf with the new transforms of the nodes that moved
// and every other byte of meaning kept, and the framing of .glb files.

#include <string>

#include "gltf_reader.h"

namespace kcommand {

// The file to write at `outputPath`. Only nodes whose local matrix differs from the one
// read get new "translation", "rotation" and "scale" (a "matrix" is dropped); throws
// InputError naming the node when its new matrix is not a rotation and scale. Relative
// buffer and image URIs are rewritten to resolve from the output's folder.
std::string WriteGltf(const GltfFile& file, SceneFile& scene, const std::string& outputPath);

// A GLB: header, `json` as the JSON chunk (padded with spaces), then `chunksAfterJson`
// as they are. Throws InputError when the result would pass 4 GiB.
std::string AssembleGlb(const std::string& json, const std::string& chunksAfterJson,
                        const std::string& outputPath);

// Numbers as glTF files hold them, "-0" written as 0.
nlohmann::ordered_json TrsNumbers(const double* values, size_t count);

}  // namespace kcommand

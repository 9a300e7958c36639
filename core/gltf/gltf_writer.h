#pragma once
// Writes glTF: a file read by ReadGltf with the new transforms of the nodes that moved
// and every other byte kept, and the framing of .glb files.

#include <string>

#include "gltf_reader.h"
#include "output_files.h"

namespace kcommand {

// Hands `sink` the file to write at `outputPath`: the text read, in which only nodes
// whose local matrix differs from the one read get new "translation", "rotation" and
// "scale" (a "matrix" is dropped). Throws InputError naming the node when its new matrix
// is not a rotation and scale; what reached the sink by then is not a file. Relative
// buffer and image URIs are rewritten to resolve from the output's folder.
void WriteGltf(const GltfFile& file, SceneModel& scene, const std::string& outputPath,
               const ByteSink& sink);

// A GLB: header, `json` as the JSON chunk (padded with spaces), then `chunksAfterJson`
// as they are. Throws InputError when the result would pass 4 GiB.
std::string AssembleGlb(const std::string& json, const std::string& chunksAfterJson,
                        const std::string& outputPath);

// Numbers as glTF files hold them, "-0" written as 0.
nlohmann::ordered_json TrsNumbers(const double* values, size_t count);

}  // namespace kcommand

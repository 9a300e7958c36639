#pragma once
// A new glTF file for a scene of boxes (kestrum convert): every object a node with its
// transform, and a box mesh of its half sizes when it has any size, so a glTF viewer
// shows what the host would.

#include <string>

#include "scene_model.h"

namespace kcommand {

// `binary`: a .glb with the geometry in its binary chunk; otherwise a .gltf with the
// geometry in a data: URI. Throws InputError naming the object when its transform is
// not a rotation and scale (a zero scale, say).
std::string BoxSceneGltf(SceneModel& scene, bool binary, const std::string& outputPath);

}  // namespace kcommand

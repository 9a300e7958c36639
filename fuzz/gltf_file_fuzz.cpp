// Fuzzes the glTF reader (the streaming scan and the one check of the asset): any bytes
// are either a scene or an input error that names the file; anything else thrown, or a
// crash, is a finding. A scene that reads must also be written back, and the written
// file must read again; its meshes must read for drawing with every triangle naming a
// vertex of its mesh.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gltf_meshes.h"
#include "gltf_reader.h"
#include "gltf_writer.h"
#include "input_error.h"

namespace {
[[noreturn]] void Finding(const char* what, const std::string& detail) {
  std::fprintf(stderr, "glTF file fuzz: %s: %s\n", what, detail.c_str());
  std::abort();
}

// Bytes that are not glTF at all (another format) count as not read.
bool Read(std::string bytes, kcommand::GltfFile& file, kcommand::SceneModel& scene) {
  try {
    std::optional<kcommand::GltfFile> read =
        kcommand::ReadGltf(bytes, "fuzz.gltf", std::nullopt, scene);
    if (!read) return false;
    file = std::move(*read);
    return true;
  } catch (const kcommand::InputError& error) {
    if (std::string(error.what()).rfind("fuzz.gltf", 0) != 0)
      Finding("an error that does not name the file", error.what());
    return false;
  } catch (const std::exception& error) {
    Finding("an exception that is not an input error", error.what());
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  kcommand::GltfFile file;
  kcommand::SceneModel scene;
  if (!Read(bytes, file, scene)) return 0;
  try {
    const kcommand::GltfMeshes meshes = kcommand::ReadGltfMeshes(file);
    if (meshes.meshOfObject.size() != file.nodeOfObject.size())
      Finding("meshes for another number of objects", std::to_string(meshes.meshOfObject.size()));
    for (const kcommand::GltfMesh& mesh : meshes.meshes)
      for (uint32_t index : mesh.indices)
        if (index >= mesh.positions.size() / 3)
          Finding("a triangle naming no vertex", std::to_string(index));
  } catch (const std::exception& error) {
    Finding("meshes that threw", error.what());
  }
  std::string written;
  try {
    kcommand::WriteGltf(file, scene, "fuzz.gltf", kcommand::StringSink(written));
  } catch (const std::exception& error) {
    Finding("a scene that read but would not write", error.what());
  }
  kcommand::GltfFile again;
  kcommand::SceneModel sceneAgain;
  if (!Read(written, again, sceneAgain)) Finding("a written scene that does not read", written);
  return 0;
}

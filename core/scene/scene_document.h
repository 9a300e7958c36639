#pragma once
// A scene file as the command holds it from reading to writing, whatever its format:
// the objects (name, parent, local transform, half size, selection) in the shared
// model, and behind them whatever the format carries back untouched. align, convert,
// list and the picture see only this; each format implements it (json_scene, gltf) and
// scene_files opens a file as the one its content says.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "output_files.h"
#include "scene_model.h"

namespace kcommand {

struct GltfFile;

enum class SceneFormat { kJson, kGltf, kGlb };

const char* FormatName(SceneFormat format);
// The format a file name asks for by its extension (.json, .gltf, .glb).
std::optional<SceneFormat> FormatFromExtension(const std::string& path);

class SceneDocument {
 public:
  virtual ~SceneDocument() = default;
  SceneDocument(const SceneDocument&) = delete;
  SceneDocument& operator=(const SceneDocument&) = delete;

  SceneModel& Scene() { return scene_; }
  const std::string& FileName() const { return fileName_; }
  virtual SceneFormat Format() const = 0;
  // What the user should know about how the scene was read, a note each ("FILE: note:
  // ..." on its first line, details under it).
  virtual std::vector<std::string> Notes() const { return {}; }
  // The file to write at `path`, in this document's format, with the objects'
  // placements as they are now in Scene(), handed to `sink` in pieces. Throws
  // InputError when a placement cannot be written in this format.
  virtual void Write(const std::string& path, const ByteSink& sink) = 0;
  // The same file, whole.
  std::string Serialise(const std::string& path);
  // The glTF document behind the scene, for what else it holds (its meshes); none for a
  // JSON scene.
  virtual const GltfFile* Gltf() const { return nullptr; }

 protected:
  explicit SceneDocument(std::string fileName) : fileName_(std::move(fileName)) {}
  SceneModel scene_;
  std::string fileName_;
};

}  // namespace kcommand

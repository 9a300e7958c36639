#pragma once
// Puts a scene into the substitute host's document and reads it back: the objects the
// plug-in sees are the host's, built here from the file and read back after the tool
// has run.

#include <mutex>
#include <string>
#include <vector>

#include "c4d_host_abi.h"
#include "scene.h"
#include "scene_model.h"

namespace kcommand {

// One object's placement as the host holds it.
struct HostPlacement {
  HostMatrix world;
  HostVector halfSizes;
};

class SceneInHost {
 public:
  // Builds every object of `scene` in a new document. Throws InputError (naming
  // `fileName` and the object) when an object's world matrix comes out not finite.
  SceneInHost(khost::Scene& hostScene, SceneFile& scene, const std::string& fileName);

  HostDocument* Document() const { return document_; }
  // In the order of ListObjects.
  // Listed when first asked for: a million paths are not made for a run that shows none.
  const std::vector<ObjectEntry>& Entries() const;
  HostObject* Object(size_t index) const { return objects_[index]; }
  size_t Count() const { return objects_.size(); }

  std::vector<HostPlacement> Placements() const;
  // Each object's placement (world matrix and half sizes, bit for bit) as one number:
  // enough to count what a press moved without keeping every placement. A changed
  // placement keeps its fingerprint only by a chance of one in 2^64.
  std::vector<uint64_t> PlacementFingerprints() const;
  // How many objects are no longer where `before` (from PlacementFingerprints) has them.
  size_t CountMoved(const std::vector<uint64_t>& before) const;
  // Indices of the objects whose placement the host can no longer represent (values
  // too large: infinite or NaN), in the order of ListObjects.
  std::vector<size_t> WithoutFinitePlacement() const;
  // Position, rotation (degrees), scale, half sizes and selection of every object from
  // the host into the scene the objects were built from.
  void ReadBack();

 private:
  khost::Scene& hostScene_;
  SceneFile& scene_;
  // In the order of ListObjects, as objects_.
  std::vector<SceneObject*> sceneObjects_;
  mutable std::once_flag listed_;
  mutable std::vector<ObjectEntry> entries_;
  HostDocument* document_ = nullptr;
  std::vector<HostObject*> objects_;
};

bool SamePlacement(const HostPlacement& a, const HostPlacement& b);

}  // namespace kcommand

#pragma once
// Puts a scene into the substitute host's document and reads it back: the objects the
// plug-in sees are the host's, built here from the file and read back after the tool
// has run.
//
// An object whose box is centred off its origin is shown to the host with its origin at
// the box's centre (its own frame shifted there, and its children's frames shifted back),
// so the tool places the box itself. Reading back takes the shift out again; an object
// the host left as it was keeps its values as read, bit for bit.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
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
  SceneInHost(khost::Scene& hostScene, SceneModel& scene, const std::string& fileName);

  HostDocument* Document() const { return document_; }
  // In the order of ListObjects.
  // Listed when first asked for: a million paths are not made for a run that shows none.
  const std::vector<ObjectEntry>& Entries() const;
  HostObject* Object(size_t index) const { return hostScene_.ObjectMade(firstId_ + index); }
  size_t Count() const { return count_; }

  std::vector<HostPlacement> Placements() const;
  HostPlacement Placement(size_t index) const;
  // Where the host's origin of `object` lies in the object's own frame: its box centre,
  // or none when that is its origin.
  const Vector3* ShownCentre(const SceneObject& object) const;
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
  // For reading back more than once (a view reads after every press and undo): each
  // object's values as read are kept when reading back first changes them, so an object
  // that an undo returns to where it was built gets them again, bit for bit. Off by
  // default, since it holds a copy per moved object.
  void KeepValuesAsRead() { keepAsRead_ = true; }

 private:
  // An object shown to the host otherwise than as the file has it: its frame shifted to
  // its box centre or its parent's, or (BoxPlacement::kOrigin) its box enlarged to be
  // centred on its origin.
  // Small: a large file may have one per object.
  struct Presented {
    size_t index;
    const SceneObject* object;
    size_t parent;  // kNoParent at the top level
    // The local matrix the host was given, as a fingerprint; an object the host still
    // holds so keeps its values as read.
    uint64_t asBuilt;
    bool shifted;
  };
  static constexpr size_t kNoParent = SIZE_MAX;
  // An object's values as read, kept once reading back first changes them.
  struct AsRead {
    Vector3 position, rotationDegrees, scale;
    Boxed<LocalMatrix> localMatrix;
  };
  void Present(HostObject* object, SceneObject& from, std::optional<size_t> parent);
  // The shown centre of object `index`: none unless it is presented.
  const Vector3* PresentedCentre(size_t index) const;

  khost::Scene& hostScene_;
  SceneModel& scene_;
  mutable std::once_flag listed_;
  mutable std::vector<ObjectEntry> entries_;
  HostDocument* document_ = nullptr;
  // The objects, made one after another in the order of ListObjects: ids from firstId_.
  khost::ObjectId firstId_ = 0;
  size_t count_ = 0;
  // In the order of ListObjects; most scenes have none.
  std::vector<Presented> presented_;
  bool keepAsRead_ = false;
  std::unordered_map<size_t, AsRead> asRead_;
};

bool SamePlacement(const HostPlacement& a, const HostPlacement& b);

// A scene in a host scene of its own, with no plug-in loaded: where the host places each
// object as the file has it, for a front end that only shows them (`kestrum list`).
class SceneWithoutPlugin {
 public:
  SceneWithoutPlugin(SceneModel& scene, const std::string& fileName)
      : objects_(host_, scene, fileName) {}
  SceneInHost& objects() { return objects_; }

 private:
  khost::Scene host_;
  SceneInHost objects_;
};

}  // namespace kcommand

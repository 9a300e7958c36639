#pragma once
// Everything about one scene object that host operations can change, kept together so
// that an undo record is one plain copy of it.

#include <cstdint>

#include "c4d_host_abi.h"

namespace khost {

// Stable identity of a scene object; never reused within one Scene.
using ObjectId = uint64_t;

// The world matrix cache of an object with a parent: the matrix, valid when the object's
// worldStamp is not 0 and its parent's stamp still equals `parentStamp`, and the scene
// generation at which it was last confirmed up to date. Kept apart from the object's
// record, which a top-level object, a million of them in a flat scene, needs without it.
struct ChildWorldCache {
  HostMatrix matrix;
  uint64_t parentStamp = 0;
  uint64_t checkedGeneration = 0;
};

// Ordered so that what a press reads and writes of a top-level object comes first: a
// million-object press streams every object through the caches twice, and the fewer
// cache lines it touches the less it waits. The world matrix itself, which only objects
// with a parent keep, lives beside the record (HostObject::world), so a top-level object
// does not carry room for one.
struct ObjectState {
  // The source of truth: placement in the parent's coordinates.
  HostMatrix local;
  // Kept in step with `local` while `rotationScaleCurrent`; setting the matrix only
  // clears the flag, and readers derive both from `local` when they need them (the
  // derivation costs arc tangents and roots that most matrix updates never use).
  HostVector rotation;
  HostVector scale;
  // Half sizes of the bounding box, centred on the origin, along the object's own axes.
  HostVector halfSizes;
  bool rotationScaleCurrent;
  bool selected;

  // The stamp of the object's world matrix (0: not known; see ChildWorldCache for
  // objects with a parent; a top-level object's world matrix is `local`). A stamp names
  // one value of one object's world matrix and is never issued twice, so an undo record
  // may bring back a (world, stamp) pair and every cache that was built on it becomes
  // valid again.
  uint64_t worldStamp;
};

}  // namespace khost

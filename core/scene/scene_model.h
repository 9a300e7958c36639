#pragma once
// A scene as the command reads and writes it: a tree of named objects with their
// placement in the parent's frame and their bounding boxes, and the tool settings the
// file asks for. Plain values; the host knows nothing of it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "axis_choice.h"
#include "boxed_value.h"

namespace kcommand {

using Vector3 = std::array<double, 3>;
using LocalMatrix = std::array<Vector3, 4>;  // offset, X axis, Y axis, Z axis

// Objects inside one another, through children and named parents, a top-level object
// counting 1. The tree walks of the readers, the writers and the picture recurse per
// level; a scene this deep written back stays within kestrum::kMaxJsonNesting.
constexpr size_t kMaxObjectNesting = 255;

// The listIndex of an object no file holds (one a program added).
constexpr uint32_t kNotFromFile = UINT32_MAX;

// An index in a file's list as listIndex keeps it. A list of 2^32 objects could not be
// held in memory: the model alone takes more than a hundred bytes an object.
constexpr uint32_t ToListIndex(size_t index) { return static_cast<uint32_t>(index); }

struct SceneObject {
  std::string name;
  // Free text, kept when the scene is written back; none when empty. Boxed, as the
  // fields below: most objects of a large scene have none, and each would cost its
  // empty string.
  Boxed<std::string> comment;
  Vector3 position{0, 0, 0};
  Vector3 rotationDegrees{0, 0, 0};
  Vector3 scale{1, 1, 1};
  Vector3 halfSize{0, 0, 0};
  // The box's centre in the object's own frame; none: its origin. The host is shown the
  // object with its origin moved there, so the tool places the box itself.
  Boxed<Vector3> boxCentre;
  bool selected = false;
  // Where the object was read, for messages (see SourceOf): its index in the file's list
  // that holds it, and whether that is the file's top-level list (an object may sit under
  // a parent it names). Beside `selected`, in room the record has anyway: the place as
  // text would cost every object 32 bytes for a message most runs never write.
  bool listedAtTop = false;
  uint32_t listIndex = kNotFromFile;
  std::vector<SceneObject> children;
  // A second name the object answers to, unique in its file ("#12" for glTF node 12).
  Boxed<std::string> alias;
  // Set when the file gives the local transform as a matrix (offset, then the X, Y and
  // Z axes): the host takes it as it is, and reading back updates it.
  Boxed<LocalMatrix> localMatrix;
};

struct ToolSettings {
  std::optional<std::string> reference;
  std::optional<std::string> object;
  std::array<std::optional<AxisChoice>, 3> axes;
};

// How the host is shown each object's box: as the file gives it (centred where its
// geometry is), or centred on the object's origin, as large as it must be to hold the
// geometry's box, as a host that knows no box centres has it.
enum class BoxPlacement { kGeometry, kOrigin };

// How the scene's file writes the place of an object: a JSON pointer such as
// "/objects/0/children/1", or a glTF node such as "nodes[12]".
enum class PlaceNotation { kJsonPointer, kGltfNode };

struct SceneModel {
  std::string comment;
  std::vector<SceneObject> objects;
  ToolSettings tool;
  BoxPlacement boxes = BoxPlacement::kGeometry;
  PlaceNotation places = PlaceNotation::kJsonPointer;
};

// One object of the tree with its path ("Table/Leg") and the index of its parent in
// the same listing (none for top-level objects). Valid while the tree is unchanged.
struct ObjectEntry {
  SceneObject* object;
  std::string path;
  std::optional<size_t> parent;
};

// The object order: depth first, each object before its children, siblings as listed.
// An object's index is its place in this order everywhere: in ListObjects, in the host
// document the scene is put into, and in what a reader keeps per object beside the
// scene (a glTF file's nodeOfObject), so a reader that builds the tree itself creates
// objects in this order.
//
// Every object in that order, with its path.
std::vector<ObjectEntry> ListObjects(SceneModel& scene);
// Only the paths, by index.
std::vector<std::string> ObjectPaths(const SceneModel& scene);
// The same order without paths: `visit` gets each object with its index in that order
// and its parent's index (none at the top level).
void WalkObjects(SceneModel& scene,
                 const std::function<void(SceneObject&, size_t, std::optional<size_t>)>& visit);
size_t CountObjects(const SceneModel& scene);

// Where object `index` of a listing was read, as its file writes the place; empty for
// an object no file holds. `objectAt` gives an object of the listing, `parentOf` the
// index of the object it sits under (none at the top level). Only for messages: it walks
// up to the top.
std::string SourceOf(PlaceNotation notation, size_t index,
                     const std::function<const SceneObject&(size_t)>& objectAt,
                     const std::function<std::optional<size_t>(size_t)>& parentOf);
// The same for object `index` of ListObjects(scene).
std::string SourceOf(const SceneModel& scene, const std::vector<ObjectEntry>& objects,
                     size_t index);

// The index in ListObjects of the one object a user means by `name`: its path from the
// top level when `name` contains '/', otherwise its name or alias wherever it is. Throws
// InputError when no object or more than one answers (the message lists the paths).
size_t ResolveObject(const std::vector<ObjectEntry>& objects, const std::string& name);
// The same for a plain name without building the list (a million paths): nothing when
// `name` is a path or when no object or more than one answers, for ResolveObject to say.
std::optional<size_t> FindByName(SceneModel& scene, const std::string& name);

}  // namespace kcommand

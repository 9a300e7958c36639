// Transforms: the local matrix is the source of truth; position, rotation and scale
// are views of it, and world matrices are cached per object until something above
// them changes.
#include "host.h"
#include "scene.h"
#include "scene_records.h"
#include "scene_support.h"
#include "transform.h"

namespace khost {

using kestrum::ComposeTransform;
using kestrum::IdentityMatrix;
using kestrum::Invert;
using kestrum::LoadComponents;
using kestrum::Multiply;
using kestrum::NoTurn;
using kestrum::SetUnturnedAxes;

void Scene::Invalidate(HostObject* object) {
  object->state.worldStamp = 0;
  ++generation_;
}

void Scene::DeferRotationAndScale(HostObject* object) {
  object->state.rotationScaleCurrent = false;
}

namespace {

// A mirror image reads as a negative scale, on the axis the object last had one.
HostVector CurrentRotation(const ObjectState& state) {
  return state.rotationScaleCurrent ? state.rotation
                                    : kestrum::SignedScaleAndTurn(state.local, state.scale).angles;
}

HostVector CurrentScale(const ObjectState& state) {
  return state.rotationScaleCurrent ? state.scale
                                    : kestrum::SignedAxisLengths(state.local, state.scale);
}

}  // namespace

namespace {

// A top-level object's world matrix is its local matrix itself (multiplying by the
// identity would turn -0.0 into +0.0), so only objects with a parent keep `world`.
const HostMatrix& CachedWorld(const HostObject* object) {
  return object->parent == nullptr ? object->state.local : object->world->matrix;
}

}  // namespace

const HostMatrix& Scene::ChildWorld(HostObject* object) {
  if (object->world->checkedGeneration == generation_ && object->state.worldStamp != 0)
    return object->world->matrix;
  // Walk up to the first ancestor already confirmed at this generation, then rebuild
  // downwards; a loop, not recursion, so a million-deep chain is fine.
  pathScratch_.clear();
  for (HostObject* each = object; each != nullptr; each = each->parent) {
    if (each->parent == nullptr) {
      StampTopLevel(each);
      break;
    }
    if (each->world->checkedGeneration == generation_ && each->state.worldStamp != 0) break;
    pathScratch_.push_back(each);
  }
  for (auto each = pathScratch_.rbegin(); each != pathScratch_.rend(); ++each) {
    HostObject* node = *each;
    const HostObject* parent = node->parent;
    if (node->state.worldStamp == 0 || node->world->parentStamp != parent->state.worldStamp) {
      node->world->matrix = Multiply(CachedWorld(parent), node->state.local);
      node->state.worldStamp = nextStamp_++;
      node->world->parentStamp = parent->state.worldStamp;
    }
    node->world->checkedGeneration = generation_;
  }
  return object->world->matrix;
}

void Scene::StampTopLevel(HostObject* object) {
  if (object->state.worldStamp != 0) return;
  object->state.worldStamp = nextStamp_++;
}

HostVector Scene::Position(const HostObject* object) const {
  const HostObject* record = Readable(object, "Position");
  return record != nullptr ? record->state.local.offset : HostVector{0.0, 0.0, 0.0};
}

void Scene::SetPosition(HostObject* object, const HostVector& position, const char* operation) {
  HostObject* record = Mutable(object, operation);
  if (record == nullptr) return;
  // The caller's vector may have just been written a component at a time.
  record->state.local.offset = LoadComponents(position);
  Invalidate(record);
}

HostVector Scene::Rotation(const HostObject* object) const {
  const HostObject* record = Readable(object, "Rotation");
  return record != nullptr ? CurrentRotation(record->state) : HostVector{0.0, 0.0, 0.0};
}

void Scene::SetRotation(HostObject* object, const HostVector& angles, const char* operation) {
  HostObject* record = Mutable(object, operation);
  if (record == nullptr) return;
  ObjectState& state = record->state;
  state.scale = CurrentScale(state);
  state.rotation = LoadComponents(angles);
  state.rotationScaleCurrent = true;
  // In place for the common no-turn case: no matrix built and copied.
  if (NoTurn(angles))
    SetUnturnedAxes(state.local, state.scale);
  else
    state.local = ComposeTransform(state.local.offset, angles, state.scale);
  Invalidate(record);
}

HostVector Scene::Scale(const HostObject* object) const {
  const HostObject* record = Readable(object, "Scale");
  return record != nullptr ? CurrentScale(record->state) : HostVector{1.0, 1.0, 1.0};
}

void Scene::SetScale(HostObject* object, const HostVector& scale) {
  HostObject* record = Mutable(object, "SetScale");
  if (record == nullptr) return;
  record->state.rotation = CurrentRotation(record->state);
  record->state.scale = scale;
  record->state.rotationScaleCurrent = true;
  record->state.local = ComposeTransform(record->state.local.offset, record->state.rotation, scale);
  Invalidate(record);
}

HostMatrix Scene::LocalMatrix(const HostObject* object) const {
  const HostObject* record = Readable(object, "LocalMatrix");
  return record != nullptr ? record->state.local : IdentityMatrix();
}

void Scene::SetLocalMatrix(HostObject* object, const HostMatrix& local) {
  HostObject* record = Mutable(object, "SetLocalMatrix");
  if (record == nullptr) return;
  record->state.local = local;
  DeferRotationAndScale(record);
  Invalidate(record);
}

HostMatrix Scene::WorldMatrix(HostObject* object) {
  HostObject* record = Record(object);
  if (record == nullptr) {
    Report("WorldMatrix", "not an object of this host");
    return IdentityMatrix();
  }
  return World(record);
}

bool Scene::SetWorldMatrix(HostObject* object, const HostMatrix& world, const char* operation) {
  HostObject* record = Mutable(object, operation);
  if (record == nullptr) return false;
  HostObject* parent = record->parent;
  HostMatrix local = LoadComponents(world);
  if (parent != nullptr) {
    HostMatrix parentInverse;
    if (!Invert(World(parent), &parentInverse)) {
      Report(operation, "the parent's world matrix cannot be inverted");
      return false;
    }
    local = Multiply(parentInverse, world);
  }
  record->state.local = local;
  DeferRotationAndScale(record);
  // The product above rounds, so parent world times local need not give back `world`
  // exactly; the cache keeps the matrix as set until something above it changes.
  record->state.worldStamp = nextStamp_++;
  ++generation_;
  if (parent != nullptr)
    *record->world = ChildWorldCache{world, parent->state.worldStamp, generation_};
  return true;
}

HostVector Scene::HalfSizes(const HostObject* object) const {
  const HostObject* record = Readable(object, "HalfSizes");
  return record != nullptr ? record->state.halfSizes : HostVector{0.0, 0.0, 0.0};
}

void Scene::SetHalfSizes(HostObject* object, const HostVector& halfSizes) {
  if (HostObject* record = Mutable(object, "SetHalfSizes")) record->state.halfSizes = halfSizes;
}

}  // namespace khost

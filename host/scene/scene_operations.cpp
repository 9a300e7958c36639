// The scene's host operations: objects' positions, matrices, half sizes and messages,
// and the document's selection, as the module calls them through the call table.
#include "host.h"
#include "host_operations.h"
#include "scene.h"
#include "scene_call_text.h"
#include "scene_object_arrays.h"
#include "scene_records.h"
#include "scene_support.h"
#include "transform.h"

namespace host_ops {

using khost::Host;

namespace {

// Misuse texts are built out of line, so their set-up does not enlarge every call's
// frame.
[[gnu::noinline, gnu::cold]] void ReportMisuse(const char* what) {
  Host::Current().misuse().Report(what);
}

}  // namespace

void ObjectGetPosition(HostObject* object, HostVector* out) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  const HostObject* record = scene.LiveObject(object, "ObjectGetPosition");
  if (out == nullptr) return ReportMisuse("ObjectGetPosition: no place for the result");
  *out = record != nullptr ? record->state.local.offset : HostVector{0.0, 0.0, 0.0};
}

void ObjectSetPosition(HostObject* object, const HostVector* position) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  if (position == nullptr) return ReportMisuse("ObjectSetPosition: no position given");
  scene.SetPosition(object, *position, "ObjectSetPosition");
}

void ObjectSetRotation(HostObject* object, const HostVector* rotation) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  if (rotation == nullptr) return ReportMisuse("ObjectSetRotation: no rotation given");
  scene.SetRotation(object, *rotation, "ObjectSetRotation");
}

void ObjectGetGlobalMatrix(HostObject* object, HostMatrix* out) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  HostObject* record = scene.LiveObject(object, "ObjectGetGlobalMatrix");
  if (out == nullptr) return ReportMisuse("ObjectGetGlobalMatrix: no place for the result");
  // The object's matrix was just written in parts by the calls before this one.
  *out = record != nullptr ? kestrum::LoadComponents(scene.LiveWorldMatrix(record))
                           : kestrum::IdentityMatrix();
}

void ObjectSetGlobalMatrix(HostObject* object, const HostMatrix* matrix) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  if (matrix == nullptr) return ReportMisuse("ObjectSetGlobalMatrix: no matrix given");
  scene.SetWorldMatrix(object, *matrix, "ObjectSetGlobalMatrix");
}

void ObjectGetBoxRadius(HostObject* object, HostVector* out) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  const HostObject* record = scene.LiveObject(object, "ObjectGetBoxRadius");
  if (out == nullptr) return ReportMisuse("ObjectGetBoxRadius: no place for the result");
  *out = record != nullptr ? record->state.halfSizes : HostVector{0.0, 0.0, 0.0};
}

void DocumentGetSelectedObjects(HostDocument* document, HostObjectArray* array, int32_t flag) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  if (scene.KnownDocument(document, "DocumentGetSelectedObjects") == nullptr) return;
  HostObjectArray* live = scene.arrays().Find(array);
  if (live == nullptr)
    return host.misuse().Report(
        "DocumentGetSelectedObjects: the array is unknown or was already freed");
  if (flag != 0)
    host.misuse().Report("DocumentGetSelectedObjects: unknown flag " + std::to_string(flag));
  live->entries = scene.SelectedObjects(document);
  live->liveAsOf = scene.Deletions();
  scene.ExpectChanges(document, live->entries->size());
}

int32_t ObjectSendMessage(HostObject* object, int32_t id, void* /*data*/) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  if (scene.LiveObject(object, "ObjectSendMessage") == nullptr) return 0;
  scene.SendMessage(object, id);
  return 1;
}

}  // namespace host_ops

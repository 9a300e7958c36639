// The scene's host operations: objects' positions, matrices, half sizes and messages,
// and the document's selection, as the module calls them through the call table.
#include "host_operations.h"

#include "host.h"
#include "scene.h"
#include "scene_call_text.h"
#include "scene_object_arrays.h"
#include "scene_records.h"
#include "transform.h"

namespace host_ops {

using khost::Host;

namespace {

// Tracing and misuse texts are built out of line: kept in the operations, their string
// set-up costs every call a larger frame although it runs only when tracing or on
// misuse.
[[gnu::noinline, gnu::cold]] void TraceObject(const char* operation, HostObject* object) {
  Host& host = Host::Current();
  host.trace().Record(operation, host.scene().ObjectLabel(object));
}

[[gnu::noinline, gnu::cold]] void TraceObjectVector(const char* operation, HostObject* object,
                                                    const HostVector* vector) {
  Host& host = Host::Current();
  host.trace().Record(operation, host.scene().ObjectLabel(object) + ", " +
                                     (vector ? khost::VectorText(*vector) : "null"));
}

[[gnu::noinline, gnu::cold]] void TraceObjectMatrix(const char* operation, HostObject* object,
                                                    const HostMatrix* matrix) {
  Host& host = Host::Current();
  host.trace().Record(operation, host.scene().ObjectLabel(object) + ", " +
                                     (matrix ? khost::MatrixText(*matrix) : "null"));
}

[[gnu::noinline, gnu::cold]] void TraceMessage(HostObject* object, int32_t id, void* data) {
  Host& host = Host::Current();
  host.trace().Record("ObjectSendMessage", host.scene().ObjectLabel(object) + ", " +
                                               std::to_string(id) + (data ? ", data" : ", null"));
}

[[gnu::noinline, gnu::cold]] void ReportMisuse(const char* what) {
  Host::Current().misuse().Report(what);
}

}  // namespace

void ObjectGetPosition(HostObject* object, HostVector* out) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  if (host.trace().Enabled()) TraceObject("ObjectGetPosition", object);
  const HostObject* record = scene.LiveObject(object, "ObjectGetPosition");
  if (out == nullptr) return ReportMisuse("ObjectGetPosition: no place for the result");
  *out = record != nullptr ? record->state.local.offset : HostVector{0.0, 0.0, 0.0};
}

void ObjectSetPosition(HostObject* object, const HostVector* position) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  if (host.trace().Enabled()) TraceObjectVector("ObjectSetPosition", object, position);
  if (position == nullptr) return ReportMisuse("ObjectSetPosition: no position given");
  scene.SetPosition(object, *position, "ObjectSetPosition");
}

void ObjectSetRotation(HostObject* object, const HostVector* rotation) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  if (host.trace().Enabled()) TraceObjectVector("ObjectSetRotation", object, rotation);
  if (rotation == nullptr) return ReportMisuse("ObjectSetRotation: no rotation given");
  scene.SetRotation(object, *rotation, "ObjectSetRotation");
}

void ObjectGetGlobalMatrix(HostObject* object, HostMatrix* out) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  if (host.trace().Enabled()) TraceObject("ObjectGetGlobalMatrix", object);
  HostObject* record = scene.LiveObject(object, "ObjectGetGlobalMatrix");
  if (out == nullptr) return ReportMisuse("ObjectGetGlobalMatrix: no place for the result");
  *out = record != nullptr ? scene.WorldMatrix(record) : khost::IdentityMatrix();
}

void ObjectSetGlobalMatrix(HostObject* object, const HostMatrix* matrix) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  if (host.trace().Enabled()) TraceObjectMatrix("ObjectSetGlobalMatrix", object, matrix);
  if (matrix == nullptr) return ReportMisuse("ObjectSetGlobalMatrix: no matrix given");
  scene.SetWorldMatrix(object, *matrix, "ObjectSetGlobalMatrix");
}

void ObjectGetBoxRadius(HostObject* object, HostVector* out) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  if (host.trace().Enabled()) TraceObject("ObjectGetBoxRadius", object);
  const HostObject* record = scene.LiveObject(object, "ObjectGetBoxRadius");
  if (out == nullptr) return ReportMisuse("ObjectGetBoxRadius: no place for the result");
  *out = record != nullptr ? record->state.halfSizes : HostVector{0.0, 0.0, 0.0};
}

void DocumentGetSelectedObjects(HostDocument* document, HostObjectArray* array, int32_t flag) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  if (host.trace().Enabled())
    host.trace().Record("DocumentGetSelectedObjects",
                        scene.DocumentLabel(document) + ", " + std::to_string(flag));
  if (scene.KnownDocument(document, "DocumentGetSelectedObjects") == nullptr) return;
  HostObjectArray* live = scene.arrays().Find(array);
  if (live == nullptr)
    return host.misuse().Report(
        "DocumentGetSelectedObjects: the array is unknown or was already freed");
  if (flag != 0)
    host.misuse().Report("DocumentGetSelectedObjects: unknown flag " + std::to_string(flag));
  scene.SelectedObjects(document, live->entries);
}

int32_t ObjectSendMessage(HostObject* object, int32_t id, void* data) {
  Host& host = Host::Current();
  khost::Scene& scene = host.scene();
  if (host.trace().Enabled()) TraceMessage(object, id, data);
  if (scene.LiveObject(object, "ObjectSendMessage") == nullptr) return 0;
  scene.SendMessage(object, id);
  return 1;
}

}  // namespace host_ops

#include "scene_object_arrays.h"

#include <string>

#include "host.h"
#include "host_operations.h"
#include "scene.h"

const std::shared_ptr<const std::vector<HostObject*>>& HostObjectArray::NoEntries() {
  static const auto none = std::make_shared<const std::vector<HostObject*>>();
  return none;
}

namespace khost {

ObjectArrays::ObjectArrays() = default;
ObjectArrays::~ObjectArrays() = default;

HostObjectArray* ObjectArrays::New() {
  auto array = std::make_unique<HostObjectArray>();
  HostObjectArray* handle = array.get();
  live_.emplace(handle, std::move(array));
  return handle;
}

bool ObjectArrays::Free(HostObjectArray* array) {
  if (array == lastFound_) lastFound_ = nullptr;
  return live_.erase(array) == 1;
}

HostObjectArray* ObjectArrays::Search(HostObjectArray* array) const {
  const auto found = live_.find(array);
  if (found == live_.end()) return nullptr;
  lastFound_ = found->second.get();
  return lastFound_;
}

}  // namespace khost

namespace host_ops {

using khost::Host;

namespace {

// Out of line, so that building the text does not give the per-object calls a frame.
[[gnu::noinline, gnu::cold]] void ReportArrayMisuse(const char* what) {
  Host::Current().misuse().Report(what);
}

}  // namespace

HostObjectArray* ObjectArrayNew(void) {
  Host& host = Host::Current();
  return host.scene().arrays().New();
}

void ObjectArrayFree(HostObjectArray** holder) {
  Host& host = Host::Current();
  if (holder == nullptr) {
    host.misuse().Report("ObjectArrayFree: called with no holder");
    return;
  }
  if (*holder == nullptr) return;
  if (!host.scene().arrays().Free(*holder))
    host.misuse().Report("ObjectArrayFree: the array is unknown or was already freed");
}

int32_t ObjectArrayCount(HostObjectArray* array) {
  Host& host = Host::Current();
  const HostObjectArray* live = host.scene().arrays().Find(array);
  if (live == nullptr) [[unlikely]] {
    ReportArrayMisuse("ObjectArrayCount: the array is unknown or was already freed");
    return 0;
  }
  return static_cast<int32_t>(live->entries->size());
}

HostObject* ObjectArrayGet(HostObjectArray* array, int32_t index) {
  Host& host = Host::Current();
  const HostObjectArray* live = host.scene().arrays().Find(array);
  if (live == nullptr) [[unlikely]] {
    ReportArrayMisuse("ObjectArrayGet: the array is unknown or was already freed");
    return nullptr;
  }
  const std::vector<HostObject*>& entries = *live->entries;
  if (index < 0 || static_cast<size_t>(index) >= entries.size()) return nullptr;
  HostObject* entry = entries[static_cast<size_t>(index)];
  // The module's next call is about this entry; no deletion since the array was filled
  // means it is still live.
  khost::Scene& scene = host.scene();
  if (live->liveAsOf == scene.Deletions()) scene.NoteLiveArrayEntry(entry);
  return entry;
}

}  // namespace host_ops

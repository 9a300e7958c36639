// Handles: chunked object storage with O(1) checks that a handle is a live object of
// this host, and the labels traces and reports name objects by.
#include <algorithm>
#include <bit>

#include "host.h"
#include "scene.h"
#include "scene_records.h"
#include "scene_support.h"

namespace khost {

Scene::Scene() = default;
Scene::~Scene() = default;

namespace {

// Chunks 0 .. kGrowingChunks-1 double in size; every later one is the largest size.
constexpr size_t kGrowingChunks = 7;
static_assert((size_t{1024} << (kGrowingChunks - 1)) == 65536, "growth ends at the largest chunk");

}  // namespace

size_t Scene::ChunkCapacity(size_t chunk) {
  return chunk < kGrowingChunks ? kFirstChunkObjects << chunk : kLargestChunkObjects;
}

Scene::ChunkPlace Scene::PlaceOfIndex(ObjectId index) {
  constexpr ObjectId kInGrowingChunks = kFirstChunkObjects * ((ObjectId{1} << kGrowingChunks) - 1);
  if (index < kInGrowingChunks) {
    const auto chunk = static_cast<size_t>(std::bit_width(index / kFirstChunkObjects + 1) - 1);
    const ObjectId first = kFirstChunkObjects * ((ObjectId{1} << chunk) - 1);
    return {chunk, static_cast<size_t>(index - first)};
  }
  const ObjectId beyond = index - kInGrowingChunks;
  return {kGrowingChunks + static_cast<size_t>(beyond / kLargestChunkObjects),
          static_cast<size_t>(beyond % kLargestChunkObjects)};
}

HostObject* Scene::Record(const HostObject* object) const {
  const auto address = reinterpret_cast<uintptr_t>(object);
  // Entries stay in place on a hit, so the alternating pattern of the module's calls
  // becomes a pattern the branch predictor learns.
  const ChunkRange* range = nullptr;
  if (address - recentRanges_[0].begin < recentRanges_[0].bytes)
    range = &recentRanges_[0];
  else if (address - recentRanges_[1].begin < recentRanges_[1].bytes)
    range = &recentRanges_[1];
  else
    return SearchRecord(object);
  const uintptr_t offset = address - range->begin;
  if (offset % sizeof(HostObject) != 0 || address >= range->storage->end) return nullptr;
  return const_cast<HostObject*>(object);
}

HostObject* Scene::SearchRecord(const HostObject* object) const {
  if (object == nullptr) return nullptr;
  const auto address = reinterpret_cast<uintptr_t>(object);
  auto found = std::upper_bound(
      chunkRanges_.begin(), chunkRanges_.end(), address,
      [](uintptr_t value, const ChunkRange& candidate) { return value < candidate.begin; });
  if (found == chunkRanges_.begin()) return nullptr;
  --found;
  if (address - found->begin >= found->bytes) return nullptr;
  recentRanges_[nextRecentRange_] = *found;
  nextRecentRange_ ^= 1;
  const uintptr_t offset = address - found->begin;
  if (offset % sizeof(HostObject) != 0 || address >= found->storage->end) return nullptr;
  return const_cast<HostObject*>(object);
}

HostObject* Scene::CheckLiveObject(HostObject* object, const char* operation) const {
  HostObject* record = Record(object);
  if (record == nullptr || !record->alive) [[unlikely]]
    return ReportNotLive(object, record, operation);
  liveHandles_[nextLiveHandle_] = reinterpret_cast<uintptr_t>(record);
  nextLiveHandle_ ^= 1;
  return record;
}

HostObject* Scene::ReportNotLive(HostObject* object, HostObject* record,
                                 const char* operation) const {
  if (record == nullptr) {
    Report(operation, object == nullptr ? "no object given" : "not an object of this host");
    return nullptr;
  }
  Report(operation, "the object \"" + record->name + "\" was deleted");
  return nullptr;
}

const HostObject* Scene::Readable(const HostObject* object, const char* operation) const {
  const HostObject* record = Record(object);
  if (record == nullptr) Report(operation, "not an object of this host");
  return record;
}

HostDocument* Scene::FindKnownDocument(HostDocument* document, const char* operation) const {
  for (const auto& known : documents_)
    if (known.get() == document) {
      lastDocument_ = document;
      return document;
    }
  Report(operation, document == nullptr ? "no document given" : "not a document of this host");
  return nullptr;
}

bool Scene::IsDocument(const HostDocument* document) const {
  for (const auto& known : documents_)
    if (known.get() == document) return true;
  return false;
}

HostObject* Scene::FindLiveObject(HostDocument* document, ObjectId id, int32_t kind) {
  if (id == 0) return nullptr;
  const ChunkPlace place = PlaceOfIndex(id - 1);
  if (place.chunk >= chunks_.size() || place.slot >= chunks_[place.chunk].size()) return nullptr;
  HostObject* object = &chunks_[place.chunk][place.slot];
  if (!object->alive || object->document != document || object->kind != kind) return nullptr;
  return object;
}

HostObject* Scene::ObjectMade(ObjectId id) const {
  if (id == 0 || id > objectsMade_) return nullptr;
  const ChunkPlace place = PlaceOfIndex(id - 1);
  return const_cast<HostObject*>(&chunks_[place.chunk][place.slot]);
}

ObjectId Scene::IdOf(HostObject* object) const {
  const HostObject* record = Record(object);
  return record != nullptr && record->alive ? record->id : 0;
}

std::string Scene::ObjectLabel(const HostObject* object) const {
  if (object == nullptr) return "null";
  const HostObject* record = Record(object);
  if (record == nullptr) return "unknown";
  return "\"" + record->name + (record->alive ? "\"" : "\" (deleted)");
}

std::string Scene::DocumentLabel(const HostDocument* document) const {
  return IsDocument(document) ? "\"" + document->name + "\"" : "unknown";
}

}  // namespace khost

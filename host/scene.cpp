#include "scene.h"

#include <algorithm>
#include <bit>
#include <utility>

#include "host.h"
#include "host_operations.h"
#include "scene_call_text.h"
#include "scene_records.h"
#include "transform.h"

namespace khost {
namespace {

// Pre-order successor within the subtree under `root` (the whole document when null).
HostObject* NextInOrder(HostObject* object, const HostObject* root) {
  if (object->firstChild != nullptr) return object->firstChild;
  while (object != nullptr && object != root) {
    if (object->next != nullptr) return object->next;
    object = object->parent;
  }
  return nullptr;
}

void Report(const char* operation, const std::string& what) {
  Host::Current().misuse().Report(std::string(operation) + ": " + what);
}

}  // namespace

Scene::Scene() = default;
Scene::~Scene() = default;

// ---- handles ----

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

HostObject* Scene::LiveObject(HostObject* object, const char* operation) const {
  HostObject* record = Record(object);
  if (record != nullptr && record->alive) [[likely]]
    return record;
  return ReportNotLive(object, record, operation);
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

HostObject* Scene::Mutable(const HostObject* object, const char* operation) const {
  return LiveObject(const_cast<HostObject*>(object), operation);
}

const HostObject* Scene::Readable(const HostObject* object, const char* operation) const {
  const HostObject* record = Record(object);
  if (record == nullptr) Report(operation, "not an object of this host");
  return record;
}

HostDocument* Scene::KnownDocument(HostDocument* document, const char* operation) const {
  for (const auto& known : documents_)
    if (known.get() == document) return document;
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

// ---- documents and hierarchy ----

HostDocument* Scene::NewDocument(std::string name) {
  documents_.push_back(std::make_unique<HostDocument>());
  documents_.back()->name = std::move(name);
  return documents_.back().get();
}

HostObject* Scene::NewObject(HostDocument* document, std::string name, HostObject* parent,
                             int32_t kind) {
  if (KnownDocument(document, "NewObject") == nullptr) return nullptr;
  if (parent != nullptr) {
    if (LiveObject(parent, "NewObject") == nullptr) return nullptr;
    if (parent->document != document) {
      Report("NewObject", "the parent belongs to another document");
      return nullptr;
    }
  }
  if (chunks_.empty() || chunks_.back().size() == ChunkCapacity(chunks_.size() - 1)) {
    chunks_.emplace_back();
    chunks_.back().reserve(ChunkCapacity(chunks_.size() - 1));
    chunkEnds_.push_back(std::make_unique<ChunkEnd>());
    const ChunkRange range{reinterpret_cast<uintptr_t>(chunks_.back().data()),
                           chunks_.back().capacity() * sizeof(HostObject), chunkEnds_.back().get()};
    chunkRanges_.insert(std::upper_bound(chunkRanges_.begin(), chunkRanges_.end(), range,
                                         [](const ChunkRange& a, const ChunkRange& b) {
                                           return a.begin < b.begin;
                                         }),
                        range);
  }
  // Records are never removed, so ids follow the order of creation, from 1.
  const ObjectId id = ++objectsMade_;
  HostObject& object = chunks_.back().emplace_back();
  chunkEnds_.back()->end = reinterpret_cast<uintptr_t>(&object + 1);
  object.id = id;
  object.document = document;
  object.name = std::move(name);
  object.kind = kind;
  object.state.local = IdentityMatrix();
  object.state.world = object.state.local;
  object.state.rotation = HostVector{0.0, 0.0, 0.0};
  object.state.scale = HostVector{1.0, 1.0, 1.0};
  object.state.rotationScaleCurrent = true;
  object.state.halfSizes = HostVector{0.0, 0.0, 0.0};

  object.parent = parent;
  HostObject*& last = parent != nullptr ? parent->lastChild : document->lastTopLevel;
  HostObject*& first = parent != nullptr ? parent->firstChild : document->firstTopLevel;
  object.previous = last;
  if (last != nullptr)
    last->next = &object;
  else
    first = &object;
  last = &object;
  ++document->liveObjects;
  ++document->selectionVersion;
  return &object;
}

void Scene::Unlink(HostObject* object) {
  HostObject*& first =
      object->parent != nullptr ? object->parent->firstChild : object->document->firstTopLevel;
  HostObject*& last =
      object->parent != nullptr ? object->parent->lastChild : object->document->lastTopLevel;
  if (object->previous != nullptr)
    object->previous->next = object->next;
  else
    first = object->next;
  if (object->next != nullptr)
    object->next->previous = object->previous;
  else
    last = object->previous;
  object->previous = nullptr;
  object->next = nullptr;
}

void Scene::DeleteObject(HostObject* object) {
  HostObject* root = Mutable(object, "DeleteObject");
  if (root == nullptr) return;
  HostDocument* document = root->document;
  for (HostObject* each = root; each != nullptr; each = NextInOrder(each, root)) {
    each->alive = false;
    if (each->state.selected) --document->selectedObjects;
    each->state.selected = false;
    --document->liveObjects;
  }
  Unlink(root);
  ++document->selectionVersion;
  ++generation_;
}

bool Scene::IsAlive(const HostObject* object) const {
  const HostObject* record = Record(object);
  return record != nullptr && record->alive;
}

HostDocument* Scene::DocumentOf(const HostObject* object) const {
  const HostObject* record = Readable(object, "DocumentOf");
  return record != nullptr ? record->document : nullptr;
}

HostObject* Scene::Parent(const HostObject* object) const {
  const HostObject* record = Readable(object, "Parent");
  return record != nullptr ? record->parent : nullptr;
}

std::vector<HostObject*> Scene::Children(const HostObject* object) const {
  std::vector<HostObject*> children;
  const HostObject* record = Readable(object, "Children");
  if (record == nullptr) return children;
  for (HostObject* child = record->firstChild; child != nullptr; child = child->next)
    children.push_back(child);
  return children;
}

std::vector<HostObject*> Scene::DocumentOrder(const HostDocument* document) const {
  std::vector<HostObject*> order;
  if (!IsDocument(document)) return order;
  order.reserve(document->liveObjects);
  for (HostObject* each = document->firstTopLevel; each != nullptr;
       each = NextInOrder(each, nullptr))
    order.push_back(each);
  return order;
}

size_t Scene::LiveObjectCount(const HostDocument* document) const {
  return IsDocument(document) ? document->liveObjects : 0;
}

HostObject* Scene::FindByName(const HostDocument* document, std::string_view name) const {
  if (!IsDocument(document)) return nullptr;
  for (HostObject* each = document->firstTopLevel; each != nullptr;
       each = NextInOrder(each, nullptr))
    if (each->name == name) return each;
  return nullptr;
}

HostObject* Scene::FindByPath(const HostDocument* document, std::string_view path) const {
  if (!IsDocument(document)) return nullptr;
  HostObject* found = nullptr;
  HostObject* candidates = document->firstTopLevel;
  while (true) {
    const size_t slash = path.find('/');
    const std::string_view part = path.substr(0, slash);
    found = nullptr;
    for (HostObject* each = candidates; each != nullptr; each = each->next)
      if (each->name == part) {
        found = each;
        break;
      }
    if (found == nullptr || slash == std::string_view::npos) return found;
    path.remove_prefix(slash + 1);
    candidates = found->firstChild;
  }
}

const std::string& Scene::Name(const HostObject* object) const {
  static const std::string kNoName;
  const HostObject* record = Readable(object, "Name");
  return record != nullptr ? record->name : kNoName;
}

// ---- transforms ----

void Scene::Invalidate(HostObject* object) {
  object->state.worldStamp = 0;
  ++generation_;
}

void Scene::DeferRotationAndScale(HostObject* object) {
  object->state.rotationScaleCurrent = false;
}

namespace {

HostVector CurrentRotation(const ObjectState& state) {
  return state.rotationScaleCurrent ? state.rotation : RotationAngles(state.local);
}

HostVector CurrentScale(const ObjectState& state) {
  return state.rotationScaleCurrent ? state.scale : AxisLengths(state.local);
}

}  // namespace

const HostMatrix& Scene::World(HostObject* object) {
  if (object->checkedGeneration == generation_ && object->state.worldStamp != 0)
    return object->state.world;
  // A top-level world is the local matrix itself, whatever else changed.
  if (object->parent == nullptr) {
    if (object->state.worldStamp == 0) {
      object->state.world = object->state.local;
      object->state.worldStamp = nextStamp_++;
      object->state.parentStamp = kTopLevelStamp;
    }
    object->checkedGeneration = generation_;
    return object->state.world;
  }
  // Walk up to the first ancestor already confirmed at this generation, then rebuild
  // downwards; a loop, not recursion, so a million-deep chain is fine.
  pathScratch_.clear();
  for (HostObject* each = object; each != nullptr; each = each->parent) {
    if (each->checkedGeneration == generation_ && each->state.worldStamp != 0) break;
    pathScratch_.push_back(each);
  }
  for (auto each = pathScratch_.rbegin(); each != pathScratch_.rend(); ++each) {
    HostObject* node = *each;
    const HostObject* parent = node->parent;
    const uint64_t parentStamp = parent != nullptr ? parent->state.worldStamp : kTopLevelStamp;
    if (node->state.worldStamp == 0 || node->state.parentStamp != parentStamp) {
      // A top-level world is the local matrix itself: multiplying by the identity
      // would turn -0.0 into +0.0.
      node->state.world =
          parent != nullptr ? Multiply(parent->state.world, node->state.local) : node->state.local;
      node->state.worldStamp = nextStamp_++;
      node->state.parentStamp = parentStamp;
    }
    node->checkedGeneration = generation_;
  }
  return object->state.world;
}

HostVector Scene::Position(const HostObject* object) const {
  const HostObject* record = Readable(object, "Position");
  return record != nullptr ? record->state.local.offset : HostVector{0.0, 0.0, 0.0};
}

void Scene::SetPosition(HostObject* object, const HostVector& position, const char* operation) {
  HostObject* record = Mutable(object, operation);
  if (record == nullptr) return;
  record->state.local.offset = position;
  Invalidate(record);
}

HostVector Scene::Rotation(const HostObject* object) const {
  const HostObject* record = Readable(object, "Rotation");
  return record != nullptr ? CurrentRotation(record->state) : HostVector{0.0, 0.0, 0.0};
}

void Scene::SetRotation(HostObject* object, const HostVector& angles, const char* operation) {
  HostObject* record = Mutable(object, operation);
  if (record == nullptr) return;
  record->state.scale = CurrentScale(record->state);
  record->state.rotation = angles;
  record->state.rotationScaleCurrent = true;
  record->state.local =
      ComposeTransform(record->state.local.offset, angles, record->state.scale);
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
  record->state.local =
      ComposeTransform(record->state.local.offset, record->state.rotation, scale);
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
  HostMatrix local = world;
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
  record->state.world = world;
  record->state.worldStamp = nextStamp_++;
  record->state.parentStamp = parent != nullptr ? parent->state.worldStamp : kTopLevelStamp;
  ++generation_;
  record->checkedGeneration = generation_;
  return true;
}

HostVector Scene::HalfSizes(const HostObject* object) const {
  const HostObject* record = Readable(object, "HalfSizes");
  return record != nullptr ? record->state.halfSizes : HostVector{0.0, 0.0, 0.0};
}

void Scene::SetHalfSizes(HostObject* object, const HostVector& halfSizes) {
  if (HostObject* record = Mutable(object, "SetHalfSizes")) record->state.halfSizes = halfSizes;
}

// ---- selection ----

bool Scene::Selected(const HostObject* object) const {
  const HostObject* record = Readable(object, "Selected");
  return record != nullptr && record->state.selected;
}

void Scene::SetSelected(HostObject* object, bool selected) {
  HostObject* record = Mutable(object, "SetSelected");
  if (record == nullptr || record->state.selected == selected) return;
  record->state.selected = selected;
  ++record->document->selectionVersion;
  if (selected)
    ++record->document->selectedObjects;
  else
    --record->document->selectedObjects;
}

void Scene::SelectedObjects(const HostDocument* document, std::vector<HostObject*>& out) const {
  out.clear();
  if (!IsDocument(document) || document->selectedObjects == 0) return;
  auto* known = const_cast<HostDocument*>(document);
  if (known->selectionCacheVersion != known->selectionVersion) {
    std::vector<HostObject*>& cache = known->selectionCache;
    cache.clear();
    for (HostObject* each = known->firstTopLevel;
         each != nullptr && cache.size() < known->selectedObjects;
         each = NextInOrder(each, nullptr))
      if (each->state.selected) cache.push_back(each);
    known->selectionCacheVersion = known->selectionVersion;
  }
  out = known->selectionCache;
}

// ---- undo ----

ObjectState Scene::Capture(HostObject* object) {
  // The world cache is part of the record so that undo brings back matrices that were
  // set exactly, not recomputed ones.
  World(object);
  return object->state;
}

void Scene::Restore(HostObject* object, const ObjectState& state) {
  const bool wasSelected = object->state.selected;
  object->state = state;
  if (wasSelected != state.selected) ++object->document->selectionVersion;
  if (!object->alive) {
    object->state.selected = false;
  } else if (wasSelected != state.selected) {
    if (state.selected)
      ++object->document->selectedObjects;
    else
      --object->document->selectedObjects;
  }
  object->checkedGeneration = 0;
  ++generation_;
}

void Scene::BeginUndo(HostDocument* document, const char* operation) {
  if (HostDocument* known = KnownDocument(document, operation)) known->undo.Begin();
}

void Scene::EndUndo(HostDocument* document, const char* operation) {
  HostDocument* known = KnownDocument(document, operation);
  if (known != nullptr && !known->undo.End()) Report(operation, "no undo group is open");
}

bool Scene::AddUndo(HostDocument* document, int32_t kind, HostObject* object,
                    const char* operation) {
  HostDocument* known = KnownDocument(document, operation);
  if (known == nullptr) return false;
  if (!known->undo.Open()) {
    Report(operation, "no undo group is open");
    return false;
  }
  if (kind != kUndoKindChange) {
    Report(operation, "unknown undo kind " + std::to_string(kind));
    return false;
  }
  HostObject* record = LiveObject(object, operation);
  if (record == nullptr) return false;
  if (record->document != known) {
    Report(operation, "the object \"" + record->name + "\" belongs to another document");
    return false;
  }
  if (addUndoSuccessesLeft_.has_value()) {
    if (*addUndoSuccessesLeft_ <= 0) return false;
    --*addUndoSuccessesLeft_;
  }
  World(record);
  known->undo.Add(record, record->state);
  return true;
}

bool Scene::Undo(HostDocument* document) {
  HostDocument* known = KnownDocument(document, "Undo");
  if (known == nullptr) return false;
  if (known->undo.Open()) {
    Report("Undo", "an undo group is still open");
    return false;
  }
  if (known->undo.UndoSteps() == 0) return false;
  UndoHistory::Step step = known->undo.TakeUndoStep();
  UndoHistory::Step redo = known->undo.TakeSpare();
  redo.reserve(step.size());
  for (const UndoHistory::Record& record : step)
    redo.emplace_back(record.object, Capture(record.object));
  // Backwards, so an object recorded twice ends in its earliest recorded state.
  for (auto record = step.rbegin(); record != step.rend(); ++record)
    Restore(record->object, record->state);
  known->undo.PushRedoStep(std::move(redo));
  known->undo.Recycle(std::move(step));
  return true;
}

bool Scene::Redo(HostDocument* document) {
  HostDocument* known = KnownDocument(document, "Redo");
  if (known == nullptr) return false;
  if (known->undo.Open()) {
    Report("Redo", "an undo group is still open");
    return false;
  }
  if (known->undo.RedoSteps() == 0) return false;
  UndoHistory::Step step = known->undo.TakeRedoStep();
  UndoHistory::Step undo = known->undo.TakeSpare();
  undo.reserve(step.size());
  for (const UndoHistory::Record& record : step)
    undo.emplace_back(record.object, Capture(record.object));
  for (auto record = step.rbegin(); record != step.rend(); ++record)
    Restore(record->object, record->state);
  known->undo.PushUndoStep(std::move(undo));
  known->undo.Recycle(std::move(step));
  return true;
}

size_t Scene::UndoSteps(const HostDocument* document) const {
  return IsDocument(document) ? document->undo.UndoSteps() : 0;
}

size_t Scene::RedoSteps(const HostDocument* document) const {
  return IsDocument(document) ? document->undo.RedoSteps() : 0;
}

int Scene::UndoDepth(const HostDocument* document) const {
  return IsDocument(document) ? document->undo.Depth() : 0;
}

void Scene::ClearUndoHistory(HostDocument* document) {
  if (HostDocument* known = KnownDocument(document, "ClearUndoHistory")) known->undo.ClearSteps();
}

bool Scene::CheckNoUndoGroupOpen() {
  bool none = true;
  for (const auto& document : documents_)
    if (document->undo.Open()) {
      Report("CheckNoUndoGroupOpen", "an undo group was left open in document \"" +
                                         document->name + "\" (depth " +
                                         std::to_string(document->undo.Depth()) + ")");
      none = false;
    }
  return none;
}

}  // namespace khost

// ---- host operations ----

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

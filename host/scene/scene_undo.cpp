#include "scene_undo.h"

#include <algorithm>
#include <utility>

#include "call_trace.h"
#include "host.h"
#include "host_operations.h"
#include "scene.h"
#include "scene_records.h"
#include "scene_support.h"
#include "vector_append.h"

namespace khost {
void UndoStep::Add(HostObject* object, const ObjectState& state, const ChildWorldCache* world) {
  // A cache that is not current is rebuilt whatever it holds.
  const bool worldKept = world != nullptr && state.worldStamp != 0;
  // Growth out of line and the record built in place: this runs once per recorded object.
  if (records_.size() == records_.capacity()) [[unlikely]]
    GrowFor(records_.size() + 1);
  records_.emplace_back(object, state.local, state.halfSizes, state.worldStamp, state.selected,
                        state.rotationScaleCurrent, worldKept);
  if (state.rotationScaleCurrent) Append(rotationScales_, {state.rotation, state.scale});
  if (worldKept) Append(worlds_, KeptWorld{world->matrix, world->parentStamp});
}

ObjectState UndoStep::StateOf(const Record& record, const RotationScale* kept) {
  ObjectState state{};
  state.local = record.local;
  state.rotationScaleCurrent = kept != nullptr;
  if (kept != nullptr) {
    state.rotation = kept->rotation;
    state.scale = kept->scale;
  }
  state.halfSizes = record.halfSizes;
  state.selected = record.selected;
  state.worldStamp = record.worldStamp;
  return state;
}

void UndoStep::reserve(size_t records) {
  records_.reserve(records);
  // Objects that were just read or placed by their parts usually keep rotation and scale.
  rotationScales_.reserve(records);
}

void UndoStep::GrowFor(size_t records) {
  records_.reserve(std::max(records, 2 * records_.capacity()));
}

void UndoStep::Prepare(size_t records) {
  reserve(records);
  TouchSpareRoom(records_);
  TouchSpareRoom(rotationScales_);
}

void UndoStep::clear() {
  records_.clear();
  rotationScales_.clear();
  worlds_.clear();
}

void UndoStep::swap(UndoStep& other) noexcept {
  records_.swap(other.records_);
  rotationScales_.swap(other.rotationScales_);
  worlds_.swap(other.worlds_);
}

UndoHistory::UndoHistory() = default;
UndoHistory::~UndoHistory() = default;

void UndoHistory::SetLevels(std::optional<size_t> levels) {
  levels_ = levels;
  if (!Recording()) {
    ClearSteps();
    open_.clear();
    spare_ = UndoStep{};
    expected_ = 0;
  }
  DropOldest();
}

void UndoHistory::DropOldest() {
  if (!levels_ || undo_.size() <= *levels_) return;
  const auto dropped = undo_.begin() + static_cast<std::ptrdiff_t>(undo_.size() - *levels_);
  for (auto step = undo_.begin(); step != dropped; ++step) Recycle(std::move(*step));
  undo_.erase(undo_.begin(), dropped);
}

void UndoHistory::Begin() {
  if (depth_++ > 0) return;
  if (open_.capacity() < spare_.capacity()) open_.swap(spare_);
  // Once per group, so the exact size: no more than the selection asked for.
  if (expected_ > open_.capacity()) open_.reserve(expected_);
  expected_ = 0;
}

void UndoHistory::ExpectRecords(size_t records) {
  if (!Recording()) return;
  if (Open()) {
    // Geometric, so that many expectations within one group do not copy on each one.
    if (open_.size() + records > open_.capacity())
      open_.reserve(std::max(open_.size() + records, 2 * open_.capacity()));
  } else {
    expected_ = records;
  }
}

bool UndoHistory::End() {
  if (depth_ == 0) return false;
  if (--depth_ > 0) return true;
  if (!open_.empty()) {
    undo_.push_back(std::move(open_));
    for (Step& step : redo_) Recycle(std::move(step));
    redo_.clear();
    DropOldest();
  }
  open_.clear();
  return true;
}

UndoHistory::Step UndoHistory::TakeUndoStep() {
  Step step = std::move(undo_.back());
  undo_.pop_back();
  return step;
}

UndoHistory::Step UndoHistory::TakeRedoStep() {
  Step step = std::move(redo_.back());
  redo_.pop_back();
  return step;
}

void UndoHistory::PushUndoStep(Step step) { undo_.push_back(std::move(step)); }
void UndoHistory::PushRedoStep(Step step) { redo_.push_back(std::move(step)); }

void UndoHistory::ClearSteps() {
  for (Step& step : undo_) Recycle(std::move(step));
  for (Step& step : redo_) Recycle(std::move(step));
  undo_.clear();
  redo_.clear();
}

UndoHistory::Step UndoHistory::TakeSpare() {
  Step spare;
  spare.swap(spare_);
  return spare;
}

void UndoHistory::Recycle(Step step) {
  if (!Recording()) return;
  if (step.capacity() <= spare_.capacity()) return;
  step.clear();
  spare_ = std::move(step);
}

void UndoHistory::PrepareSpare(size_t records) {
  if (!Recording() || records <= spare_.capacity() || records <= open_.capacity()) return;
  const size_t room = std::max(records, 2 * spare_.capacity());
  // The spare holds no records: let its storage go before the larger one is made, so
  // the two are never held at once.
  spare_ = UndoStep{};
  spare_.Prepare(room);
}

// ---- the scene's undo: records of object states, restored step by step ----

const ObjectState& Scene::Capture(HostObject* object) {
  // The world cache is part of the record so that undo brings back matrices that were
  // set exactly, not recomputed ones.
  World(object);
  return object->state;
}

void Scene::Restore(HostObject* object, const ObjectState& state,
                    const UndoStep::KeptWorld* world) {
  const bool wasSelected = object->state.selected;
  object->state = state;
  // A record keeps a world matrix only of an object with a parent, which has room for it.
  if (world != nullptr) {
    object->world->matrix = world->matrix;
    object->world->parentStamp = world->parentStamp;
  }
  if (wasSelected != state.selected) ++object->document->selectionVersion;
  if (!object->alive) {
    object->state.selected = false;
  } else if (wasSelected != state.selected) {
    if (state.selected)
      ++object->document->selectedObjects;
    else
      --object->document->selectedObjects;
  }
  if (object->world != nullptr) object->world->checkedGeneration = 0;
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
  if (!known->undo.Open() || kind != kUndoKindChange) [[unlikely]]
    return RefuseUndo(known, kind, nullptr, operation);
  HostObject* record = LiveObject(object, operation);
  if (record == nullptr) return false;
  if (record->document != known || addUndoSuccessesLeft_.has_value()) [[unlikely]]
    return RefuseUndo(known, kind, record, operation);
  World(record);
  known->undo.Add(record, record->state, record->world);
  return true;
}

bool Scene::RefuseUndo(HostDocument* known, int32_t kind, HostObject* record,
                       const char* operation) {
  if (!known->undo.Open()) {
    Report(operation, "no undo group is open");
    return false;
  }
  if (kind != kUndoKindChange) {
    Report(operation, "unknown undo kind " + std::to_string(kind));
    return false;
  }
  if (record->document != known) {
    Report(operation, "the object \"" + record->name + "\" belongs to another document");
    return false;
  }
  // A simulated failure, once the successes a test allowed are used up.
  if (*addUndoSuccessesLeft_ <= 0) return false;
  --*addUndoSuccessesLeft_;
  World(record);
  known->undo.Add(record, record->state, record->world);
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
  for (const UndoStep::Record& record : step.records())
    redo.Add(record.object, Capture(record.object), record.object->world);
  // Backwards, so an object recorded twice ends in its earliest recorded state.
  step.VisitBackwards([this](HostObject* object, const ObjectState& state,
                             const UndoStep::KeptWorld* world) { Restore(object, state, world); });
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
  for (const UndoStep::Record& record : step.records())
    undo.Add(record.object, Capture(record.object), record.object->world);
  step.VisitBackwards([this](HostObject* object, const ObjectState& state,
                             const UndoStep::KeptWorld* world) { Restore(object, state, world); });
  known->undo.PushUndoStep(std::move(undo));
  known->undo.Recycle(std::move(step));
  return true;
}

void Scene::ExpectChanges(HostDocument* document, size_t objects) {
  document->undo.ExpectRecords(objects);
  // A tool that changes an object sends it two messages: changed, then updated.
  if (keepMessages_) ReserveAtLeast(messages_, messages_.size() + 2 * objects);
}

void Scene::SetUndoLevels(std::optional<size_t> levels) {
  undoLevels_ = levels;
  for (const auto& document : documents_) document->undo.SetLevels(levels);
}

void Scene::SetUndoLevels(HostDocument* document, std::optional<size_t> levels) {
  if (HostDocument* known = KnownDocument(document, "SetUndoLevels")) known->undo.SetLevels(levels);
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
      Report("CheckNoUndoGroupOpen", "an undo group was left open in document \"" + document->name +
                                         "\" (depth " + std::to_string(document->undo.Depth()) +
                                         ")");
      none = false;
    }
  return none;
}

}  // namespace khost

namespace host_ops {

using khost::Host;

void DocumentBeginUndo(HostDocument* document) {
  Host& host = Host::Current();
  host.scene().BeginUndo(document, "DocumentBeginUndo");
}

void DocumentEndUndo(HostDocument* document) {
  Host& host = Host::Current();
  host.scene().EndUndo(document, "DocumentEndUndo");
}

int32_t DocumentAddUndo(HostDocument* document, int32_t kind, HostObject* object) {
  Host& host = Host::Current();
  return host.scene().AddUndo(document, kind, object, "DocumentAddUndo") ? 1 : 0;
}

}  // namespace host_ops

#include "scene_undo.h"

#include <utility>

#include "call_trace.h"
#include "host.h"
#include "host_operations.h"
#include "scene.h"
#include "scene_records.h"
#include "scene_support.h"

namespace khost {

UndoHistory::UndoHistory() = default;
UndoHistory::~UndoHistory() = default;

void UndoHistory::Begin() {
  if (depth_++ == 0 && open_.capacity() < spare_.capacity()) open_.swap(spare_);
}

bool UndoHistory::End() {
  if (depth_ == 0) return false;
  if (--depth_ > 0) return true;
  if (!open_.empty()) {
    undo_.push_back(std::move(open_));
    for (Step& step : redo_) Recycle(std::move(step));
    redo_.clear();
  }
  open_.clear();
  return true;
}

void UndoHistory::Add(HostObject* object, const ObjectState& state) {
  // Built in place, copied once: a record is a few hundred bytes and there may be
  // millions.
  open_.emplace_back(object, state);
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
  if (step.capacity() <= spare_.capacity()) return;
  step.clear();
  spare_ = std::move(step);
}

// ---- the scene's undo: records of object states, restored step by step ----

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

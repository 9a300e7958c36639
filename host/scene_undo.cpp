#include "scene_undo.h"

#include <utility>

#include "call_trace.h"
#include "host.h"
#include "host_operations.h"
#include "scene.h"

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

}  // namespace khost

namespace host_ops {

using khost::Host;

void DocumentBeginUndo(HostDocument* document) {
  Host& host = Host::Current();
  if (host.trace().Enabled())
    host.trace().Record("DocumentBeginUndo", host.scene().DocumentLabel(document));
  host.scene().BeginUndo(document, "DocumentBeginUndo");
}

void DocumentEndUndo(HostDocument* document) {
  Host& host = Host::Current();
  if (host.trace().Enabled())
    host.trace().Record("DocumentEndUndo", host.scene().DocumentLabel(document));
  host.scene().EndUndo(document, "DocumentEndUndo");
}

namespace {

// Out of line, so the text's set-up stays off the path of every untraced call.
[[gnu::noinline, gnu::cold]] void TraceAddUndo(HostDocument* document, int32_t kind,
                                               HostObject* object) {
  Host& host = Host::Current();
  host.trace().Record("DocumentAddUndo", host.scene().DocumentLabel(document) + ", " +
                                             std::to_string(kind) + ", " +
                                             host.scene().ObjectLabel(object));
}

}  // namespace

int32_t DocumentAddUndo(HostDocument* document, int32_t kind, HostObject* object) {
  Host& host = Host::Current();
  if (host.trace().Enabled()) TraceAddUndo(document, kind, object);
  return host.scene().AddUndo(document, kind, object, "DocumentAddUndo") ? 1 : 0;
}

}  // namespace host_ops

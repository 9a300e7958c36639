#include "scene_undo.h"

#include <utility>

#include "call_trace.h"
#include "host.h"
#include "host_operations.h"
#include "scene.h"

namespace khost {

UndoHistory::UndoHistory() = default;
UndoHistory::~UndoHistory() = default;

void UndoHistory::Begin() { ++depth_; }

bool UndoHistory::End() {
  if (depth_ == 0) return false;
  if (--depth_ > 0) return true;
  if (!open_.empty()) {
    undo_.push_back(std::move(open_));
    redo_.clear();
  }
  open_.clear();
  return true;
}

void UndoHistory::Add(HostObject* object, const ObjectState& state) {
  open_.push_back(Record{object, state});
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

int32_t DocumentAddUndo(HostDocument* document, int32_t kind, HostObject* object) {
  Host& host = Host::Current();
  if (host.trace().Enabled())
    host.trace().Record("DocumentAddUndo", host.scene().DocumentLabel(document) + ", " +
                                               std::to_string(kind) + ", " +
                                               host.scene().ObjectLabel(object));
  return host.scene().AddUndo(document, kind, object, "DocumentAddUndo") ? 1 : 0;
}

}  // namespace host_ops

#pragma once
// One document's undo history: the open group with its nesting depth, the undo steps
// and the redo steps. It only keeps records; the scene captures and restores object
// states.

#include <cstddef>
#include <vector>

#include "c4d_host_abi.h"
#include "scene_object_state.h"

namespace khost {

class UndoHistory {
 public:
  struct Record {
    // A constructor, so that records can be built in place with every compiler.
    Record(HostObject* recorded, const ObjectState& captured) : object(recorded), state(captured) {}
    HostObject* object;
    ObjectState state;
  };
  using Step = std::vector<Record>;

  UndoHistory();
  ~UndoHistory();

  void Begin();
  // False when no group is open. Closing the outermost group makes its records one
  // step and drops the redo steps; a group that recorded nothing makes no step.
  bool End();
  bool Open() const { return depth_ > 0; }
  int Depth() const { return depth_; }
  // Appends to the open group; the caller checks that one is open.
  void Add(HostObject* object, const ObjectState& state);

  size_t UndoSteps() const { return undo_.size(); }
  size_t RedoSteps() const { return redo_.size(); }
  // The latest step, removed; the caller checks that there is one.
  Step TakeUndoStep();
  Step TakeRedoStep();
  void PushUndoStep(Step step);
  void PushRedoStep(Step step);
  // Drops the undo and redo steps; an open group is kept.
  void ClearSteps();
  // Storage of a dropped step, empty, for building a new one; and the way back. One
  // dropped step's storage is kept, so a million-object step is not allocated and
  // faulted in afresh on every press, undo and redo.
  Step TakeSpare();
  void Recycle(Step step);

 private:
  int depth_ = 0;
  Step open_;
  Step spare_;
  std::vector<Step> undo_;
  std::vector<Step> redo_;
};

}  // namespace khost

#pragma once
// One document's undo history: the open group with its nesting depth, the undo steps
// and the redo steps. It only keeps records; the scene captures and restores object
// states.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "c4d_host_abi.h"
#include "scene_object_state.h"

namespace khost {

// The states of the objects one step recorded, in recording order. A record keeps only
// what a later undo cannot derive: rotation and scale only while they are not views of
// the matrix, and the world matrix only for an object with a parent (a top-level
// object's is its local matrix). The common record, 144 bytes on 64-bit builds, is half
// the object's own, which halves the memory a million-object step writes.
class UndoStep {
 public:
  struct Record {
    // A constructor rather than an aggregate: emplace_back builds it in place with every
    // compiler, not only those that take parenthesised aggregates.
    Record(HostObject* recorded, const HostMatrix& localMatrix, const HostVector& sizes,
           uint64_t worldStampKept, bool wasSelected, bool keepsRotationScale, bool keepsWorld)
        : object(recorded),
          local(localMatrix),
          halfSizes(sizes),
          worldStamp(worldStampKept),
          selected(wasSelected),
          rotationScaleKept(keepsRotationScale),
          worldKept(keepsWorld) {}
    HostObject* object;
    HostMatrix local;
    HostVector halfSizes;
    uint64_t worldStamp;
    bool selected;
    // Whether the next entry of `rotationScales_`, or of `worlds_`, belongs to this record.
    bool rotationScaleKept;
    bool worldKept;
  };

  // A child's world matrix as a record keeps it, with the parent stamp it was built on.
  struct KeptWorld {
    HostMatrix matrix;
    uint64_t parentStamp;
  };

  // `world`: the object's world matrix cache (objects with a parent only; null for the
  // others).
  void Add(HostObject* object, const ObjectState& state, const ChildWorldCache* world);
  size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  size_t capacity() const { return records_.capacity(); }
  void reserve(size_t records);
  // Room for `records`, every page of it backed by the kernel now, so that the first
  // step recorded into it does not wait for each new page.
  void Prepare(size_t records);
  void clear();
  void swap(UndoStep& other) noexcept;
  const std::vector<Record>& records() const { return records_; }

  // Walks the records from the last to the first with the state each one recorded and
  // the world matrix it kept (null when it kept none).
  template <typename Visit>
  void VisitBackwards(Visit&& visit) const {
    size_t rotationScale = rotationScales_.size();
    size_t world = worlds_.size();
    for (auto record = records_.rbegin(); record != records_.rend(); ++record) {
      const RotationScale* kept =
          record->rotationScaleKept ? &rotationScales_[--rotationScale] : nullptr;
      const KeptWorld* keptWorld = record->worldKept ? &worlds_[--world] : nullptr;
      visit(record->object, StateOf(*record, kept), keptWorld);
    }
  }

 private:
  struct RotationScale {
    HostVector rotation;
    HostVector scale;
  };
  [[gnu::noinline, gnu::cold]] void GrowFor(size_t records);
  static ObjectState StateOf(const Record& record, const RotationScale* kept);

  std::vector<Record> records_;
  std::vector<RotationScale> rotationScales_;
  std::vector<KeptWorld> worlds_;
};

class UndoHistory {
 public:
  using Step = UndoStep;

  UndoHistory();
  ~UndoHistory();

  // How many undo steps are kept, as a host's preference has it (none: no limit); the
  // oldest go first. At 0 nothing is recorded: groups open and close as always, and
  // make no step. Steps beyond a lower limit are dropped at once.
  void SetLevels(std::optional<size_t> levels);

  void Begin();
  // The next records are expected to number about `records` (a tool asked for that many
  // selected objects): the open group, or the next one to open, makes room for them at
  // once instead of growing record by record.
  void ExpectRecords(size_t records);
  // False when no group is open. Closing the outermost group makes its records one
  // step and drops the redo steps; a group that recorded nothing makes no step.
  bool End();
  bool Open() const { return depth_ > 0; }
  int Depth() const { return depth_; }
  // Appends to the open group; the caller checks that one is open.
  void Add(HostObject* object, const ObjectState& state, const ChildWorldCache* world) {
    if (Recording()) open_.Add(object, state, world);
  }

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
  // Makes the spare ready for a step of at least `records` (see UndoStep::Prepare), with
  // room to spare so that a selection growing by one object at a time prepares rarely.
  void PrepareSpare(size_t records);
  size_t SpareCapacity() const { return spare_.capacity(); }
  // Whether a step of `records` would outgrow the room made ready for it (the spare, or
  // the open step's when it is larger, as PrepareSpare has it); never when nothing is
  // recorded.
  bool NeedsRoomFor(size_t records) const {
    return Recording() && records > spare_.capacity() && records > open_.capacity();
  }

 private:
  bool Recording() const { return levels_ != 0; }
  // Trims the undo steps to the limit.
  void DropOldest();

  int depth_ = 0;
  std::optional<size_t> levels_;
  size_t expected_ = 0;
  Step open_;
  Step spare_;
  std::vector<Step> undo_;
  std::vector<Step> redo_;
};

}  // namespace khost

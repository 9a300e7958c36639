#pragma once
// Documents and their objects: hierarchy, transforms, bounding boxes, selection, undo,
// object arrays and object messages. Handles stay valid for the Scene's whole life:
// deleting an object only marks it, so a handle held elsewhere reads as "deleted"
// instead of dangling.
//
// Host operations that get a handle this Scene never made, or one of a deleted object,
// report misuse and do nothing (results read as zero vectors, the identity or null). The C++ calls
// below may read deleted objects but only change live ones.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "c4d_host_abi.h"
#include "scene_object_arrays.h"
#include "scene_object_state.h"
#include "scene_undo.h"
#include "vector_append.h"

namespace khost {

class Scene {
 public:
  Scene();
  ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // The object with this id when it is alive, belongs to `document` and is of `kind`;
  // otherwise nullptr. Settings containers resolve their object links with it.
  HostObject* FindLiveObject(HostDocument* document, ObjectId id, int32_t kind);
  // The id of a live object (0 for nullptr or an unknown handle).
  ObjectId IdOf(HostObject* object) const;
  // Ids count the objects made, from 1 in order of creation, so those made one after
  // another are found from the first one's id without keeping their handles.
  ObjectId ObjectsMade() const { return objectsMade_; }
  // The object made with this id, deleted or not; nullptr for an id not made yet.
  HostObject* ObjectMade(ObjectId id) const;

  // ---- documents and hierarchy ----
  HostDocument* NewDocument(std::string name = "Untitled");
  bool IsDocument(const HostDocument* document) const;
  // A new object as the last child of `parent`, or last top-level object when `parent`
  // is null. Identity transform, unit scale, zero half sizes, not selected.
  HostObject* NewObject(HostDocument* document, std::string name, HostObject* parent = nullptr,
                        int32_t kind = kObjectKindObject);
  // Deletes the object and everything below it.
  void DeleteObject(HostObject* object);
  bool IsAlive(const HostObject* object) const;
  HostDocument* DocumentOf(const HostObject* object) const;
  HostObject* Parent(const HostObject* object) const;
  std::vector<HostObject*> Children(const HostObject* object) const;
  // Live objects, depth first, each before its children, children in order.
  std::vector<HostObject*> DocumentOrder(const HostDocument* document) const;
  size_t LiveObjectCount(const HostDocument* document) const;
  // The first live object in document order with this name.
  HostObject* FindByName(const HostDocument* document, std::string_view name) const;
  // Names from the top level down, separated by '/': "Group/Wheel/Hub".
  HostObject* FindByPath(const HostDocument* document, std::string_view path) const;
  const std::string& Name(const HostObject* object) const;

  // ---- transforms ----
  HostVector Position(const HostObject* object) const;
  // `operation` names the caller in misuse reports, here and below.
  void SetPosition(HostObject* object, const HostVector& position,
                   const char* operation = "SetPosition");
  // Radians; see transform.h for the convention. Keeps position and scale.
  HostVector Rotation(const HostObject* object) const;
  void SetRotation(HostObject* object, const HostVector& angles,
                   const char* operation = "SetRotation");
  HostVector Scale(const HostObject* object) const;
  void SetScale(HostObject* object, const HostVector& scale);
  HostMatrix LocalMatrix(const HostObject* object) const;
  // Takes the matrix as it is and derives rotation and scale from it.
  void SetLocalMatrix(HostObject* object, const HostMatrix& local);
  // Parent world times local; after SetWorldMatrix exactly the matrix that was set
  // until the object or one of its ancestors changes.
  HostMatrix WorldMatrix(HostObject* object);
  // False (and a misuse report) when the parent's world matrix cannot be inverted.
  bool SetWorldMatrix(HostObject* object, const HostMatrix& world,
                      const char* operation = "SetWorldMatrix");
  HostVector HalfSizes(const HostObject* object) const;
  void SetHalfSizes(HostObject* object, const HostVector& halfSizes);

  // ---- selection ----
  bool Selected(const HostObject* object) const;
  void SetSelected(HostObject* object, bool selected);
  // The selected live objects in document order, as a snapshot that later changes of the
  // selection leave as it is.
  std::shared_ptr<const std::vector<HostObject*>> SelectedObjects(
      const HostDocument* document) const;

  // ---- undo ----
  void BeginUndo(HostDocument* document, const char* operation = "BeginUndo");
  void EndUndo(HostDocument* document, const char* operation = "EndUndo");
  // Records the object's state in the open group; false on misuse or simulated failure.
  bool AddUndo(HostDocument* document, int32_t kind, HostObject* object,
               const char* operation = "AddUndo");
  // Undo or redo the latest step; false when there is none or a group is open.
  bool Undo(HostDocument* document);
  bool Redo(HostDocument* document);
  size_t UndoSteps(const HostDocument* document) const;
  size_t RedoSteps(const HostDocument* document) const;
  int UndoDepth(const HostDocument* document) const;
  // True when no document has an open undo group; otherwise reports each open one.
  bool CheckNoUndoGroupOpen();
  // Drops every undo and redo step of the document (not an open group).
  void ClearUndoHistory(HostDocument* document);
  // A tool asked for `objects` selected objects and will likely record and notify each:
  // the undo group and the message log make room for that many at once, so the first
  // press on a fresh scene does not grow them step by step.
  void ExpectChanges(HostDocument* document, size_t objects);
  // How many undo steps each document keeps, now and when made later, as a host's
  // preference has it (none, the default: no limit). At 0 the undo calls are checked as
  // always but record nothing, for a run that never undoes: a press on a million
  // objects would otherwise record 200 MB.
  void SetUndoLevels(std::optional<size_t> levels);
  // The same for one document alone, until the next call for all.
  void SetUndoLevels(HostDocument* document, std::optional<size_t> levels);
  // Test switch: AddUndo succeeds `successes` more times, then answers false.
  void FailAddUndoAfter(int64_t successes) { addUndoSuccessesLeft_ = successes; }
  void StopFailingAddUndo() { addUndoSuccessesLeft_.reset(); }

  // ---- object messages ----
  struct ObjectMessage {
    // A constructor rather than an aggregate: emplace_back builds it in place with every
    // compiler, not only those that take parenthesised aggregates.
    ObjectMessage(HostObject* to, int32_t messageId) : object(to), id(messageId) {}
    HostObject* object;
    int32_t id;
  };
  void SendMessage(HostObject* object, int32_t id) {
    if (!keepMessages_) return;
    if (messages_.size() == messages_.capacity()) [[unlikely]]
      GrowMessages();
    // Tells the compiler that emplace_back will not grow, so its growth code and the
    // frame it needs stay out of this path.
    if (messages_.size() == messages_.capacity()) __builtin_unreachable();
    // Built in place: a message assembled on the stack and copied as one wide value
    // would be read back before its parts reach the cache.
    messages_.emplace_back(object, id);
  }
  const std::vector<ObjectMessage>& Messages() const { return messages_; }
  void ClearMessages() { messages_.clear(); }
  // Whether messages are logged (the default) or only taken, for a run where nobody
  // reads the log: a press sends each object it moves two. Not logging empties it.
  void KeepObjectMessages(bool kept) {
    keepMessages_ = kept;
    if (!kept) std::vector<ObjectMessage>().swap(messages_);
  }

  ObjectArrays& arrays() { return arrays_; }

  // ---- checks for host operations ----
  // The object when it is a live object of this Scene; otherwise nullptr after a misuse
  // report that starts with `operation`. Inline: nearly every call of a press starts here.
  HostObject* LiveObject(HostObject* object, const char* operation) const {
    const auto address = reinterpret_cast<uintptr_t>(object);
    if (address == liveHandles_[0] || address == liveHandles_[1]) [[likely]]
      return object;
    return CheckLiveObject(object, operation);
  }
  // An entry of an object array known to hold live objects, handed to the module: its
  // checks need no look at its record. It takes the second slot and the next miss the
  // first, so the module's walk through an array leaves the reference it returns to
  // for every entry in place.
  void NoteLiveArrayEntry(HostObject* object) const {
    liveHandles_[1] = reinterpret_cast<uintptr_t>(object);
    nextLiveHandle_ = 0;
  }
  // Raised by every deletion: entries gathered as live when it had this value still are.
  uint64_t Deletions() const { return deletions_; }
  HostDocument* KnownDocument(HostDocument* document, const char* operation) const {
    if (document == lastDocument_ && document != nullptr) [[likely]]
      return document;
    return FindKnownDocument(document, operation);
  }
  // The world matrix of an object LiveObject answered for; inline in scene_support.h.
  inline const HostMatrix& LiveWorldMatrix(HostObject* live);
  // Short texts for the call trace.
  std::string ObjectLabel(const HostObject* object) const;
  std::string DocumentLabel(const HostDocument* document) const;

 private:
  // One past the last record made in a chunk; kept apart so that ranges copied into
  // the lookup cache see new records without being updated.
  struct ChunkEnd {
    uintptr_t end = 0;
  };
  struct ChunkRange {
    uintptr_t begin;
    // Of the chunk's whole capacity; 0 in an unused cache entry, which then holds nothing.
    uintptr_t bytes;
    const ChunkEnd* storage;
  };

  // The record when `object` points at one this Scene made, else nullptr.
  HostObject* Record(const HostObject* object) const;
  // Record's answer when neither recently used chunk holds the address. Both are kept
  // out of line so the common case of Record and LiveObject needs no stack frame.
  [[gnu::noinline, gnu::cold]] HostObject* SearchRecord(const HostObject* object) const;
  [[gnu::noinline, gnu::cold]] HostObject* ReportNotLive(HostObject* object, HostObject* record,
                                                         const char* operation) const;
  // LiveObject's answer for a handle it has not seen lately; remembers a live one.
  HostObject* CheckLiveObject(HostObject* object, const char* operation) const;
  HostDocument* FindKnownDocument(HostDocument* document, const char* operation) const;
  // AddUndo's answer when something is wrong, or a test limits its successes; `record`
  // is null when the group or the kind is at fault.
  [[gnu::noinline, gnu::cold]] bool RefuseUndo(HostDocument* known, int32_t kind,
                                               HostObject* record, const char* operation);
  // Every deletion forgets the handles LiveObject remembers.
  void ForgetLiveHandles() {
    liveHandles_[0] = liveHandles_[1] = kNoHandle;
    ++deletions_;
  }
  HostObject* Mutable(const HostObject* object, const char* operation) const {
    return LiveObject(const_cast<HostObject*>(object), operation);
  }
  const HostObject* Readable(const HostObject* object, const char* operation) const;
  // Inline in scene_support.h for a top-level object, whose world matrix is its local one.
  inline const HostMatrix& World(HostObject* object);
  const HostMatrix& ChildWorld(HostObject* object);
  void StampTopLevel(HostObject* object);
  void Invalidate(HostObject* object);
  void DeferRotationAndScale(HostObject* object);
  const ObjectState& Capture(HostObject* object);
  // `world`: the world matrix the record kept, if any.
  void Restore(HostObject* object, const ObjectState& state, const UndoStep::KeptWorld* world);
  void Unlink(HostObject* object);
  static bool LastInDocumentOrder(const HostObject* object);
  [[gnu::noinline, gnu::cold]] void GrowMessages();
  // What a tool's press on the selection writes for every object, its undo records and
  // messages, made ready while the selection grows instead of during the press: the
  // kernel backs new memory a page at a time, which would otherwise cost the first press
  // on a selection about as much again as its work.
  [[gnu::noinline]] void PrepareForSelection(HostDocument* document);

  // Objects live in chunks whose storage never moves, so handles stay valid. Chunks
  // double from the first size up to the largest, so even a million objects need few
  // chunks and telling a handle from a foreign pointer stays a search of a short list.
  static constexpr size_t kFirstChunkObjects = 1024;
  static constexpr size_t kLargestChunkObjects = 65536;
  struct ChunkPlace {
    size_t chunk;
    size_t slot;
  };
  static size_t ChunkCapacity(size_t chunk);
  static ChunkPlace PlaceOfIndex(ObjectId index);
  std::vector<std::vector<HostObject>> chunks_;
  ObjectId objectsMade_ = 0;
  // The world matrices of objects with a parent; a deque, so their addresses stay.
  std::deque<ChildWorldCache> worlds_;
  // Chunk storage by address, for telling our handles from foreign pointers.
  std::vector<ChunkRange> chunkRanges_;
  std::vector<std::unique_ptr<ChunkEnd>> chunkEnds_;
  // The chunks of the last two handles looked up, latest first: the module alternates
  // between the object it moves and the reference, so nearly every check is a hit.
  mutable ChunkRange recentRanges_[2] = {};
  mutable size_t nextRecentRange_ = 0;
  // Addresses of the last two handles found live, replaced in turn. The module
  // alternates between the object it moves and the reference, so all but one or two of
  // the checks for each object end here.
  static constexpr uintptr_t kNoHandle = ~uintptr_t{0};
  mutable uintptr_t liveHandles_[2] = {kNoHandle, kNoHandle};
  mutable size_t nextLiveHandle_ = 0;
  uint64_t deletions_ = 0;
  // Documents are never dropped, so the one found last stays known.
  mutable HostDocument* lastDocument_ = nullptr;
  std::vector<std::unique_ptr<HostDocument>> documents_;
  ObjectArrays arrays_;
  std::vector<ObjectMessage> messages_;
  bool keepMessages_ = true;
  std::optional<size_t> undoLevels_;
  std::optional<int64_t> addUndoSuccessesLeft_;

  // Raised by every change that may move a world matrix; a cache confirmed at the
  // current generation is returned without looking at the ancestors.
  uint64_t generation_ = 1;
  uint64_t nextStamp_ = 1;  // 0 is no stamp
  std::vector<HostObject*> pathScratch_;
};

}  // namespace khost

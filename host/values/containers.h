#pragma once
// Settings containers the host creates and hands to the module: per id an integer, a
// truth value or a link to a scene object. Links hold the object's id, not its handle,
// so a link to a deleted object (or one in another document) reads as no object.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "c4d_host_abi.h"
#include "scene.h"

namespace khost {

class Containers {
 public:
  enum class Kind { kInt, kBool, kLink };

  struct Entry {
    Kind kind = Kind::kInt;
    int32_t integer = 0;  // kInt
    bool truth = false;   // kBool
    ObjectId link = 0;    // kLink
  };

  Containers();
  ~Containers();
  Containers(const Containers&) = delete;
  Containers& operator=(const Containers&) = delete;

  HostContainer* Create();
  // Unknown or already destroyed containers are reported as misuse.
  void Destroy(HostContainer* container);
  bool IsLive(const HostContainer* container) const;

  // Host-side access for tests and the command. Setting an id replaces whatever kind
  // it held. Unknown containers are reported as misuse and ignored.
  void SetInt(HostContainer* container, int32_t id, int32_t value);
  void SetBool(HostContainer* container, int32_t id, bool value);
  void SetLink(HostContainer* container, int32_t id, ObjectId object);
  void Remove(HostContainer* container, int32_t id);
  std::optional<Entry> Get(const HostContainer* container, int32_t id) const;
  bool HoldsInt(const HostContainer* container, int32_t id) const;
  bool HoldsBool(const HostContainer* container, int32_t id) const;
  bool HoldsLink(const HostContainer* container, int32_t id) const;
  // Every entry, by id.
  std::map<int32_t, Entry> Entries(const HostContainer* container) const;

  // What the container operations answer.
  int32_t GetInt(const HostContainer* container, int32_t id, int32_t fallback) const;
  HostObject* GetObjectLink(const HostContainer* container, int32_t id, HostDocument* document,
                            int32_t kind) const;

 private:
  // Entries sorted by id: a tool's few dozen settings are found by a binary search
  // within a cache line or two, where a tree would chase a pointer per level.
  struct Store {
    std::vector<std::pair<int32_t, Entry>> entries;
    // Where recently read ids were found, by a hash of the id, as index + 1 (0: none). A
    // press reads the same few ids for every object; this spares each read the search.
    // Cleared whenever entries move.
    static constexpr size_t kRecentIds = 8;
    mutable uint32_t recent[kRecentIds] = {};
    // Mixes in the bits above the lowest three, so that neither neighbouring ids nor
    // ids eight apart (one per axis) share a slot.
    static size_t RecentSlot(int32_t id) {
      const auto bits = static_cast<uint32_t>(id);
      return (bits ^ (bits >> 3)) % kRecentIds;
    }
    const Entry* Lookup(int32_t id) const {
      const uint32_t kept = recent[RecentSlot(id)];
      if (kept != 0 && entries[kept - 1].first == id) [[likely]]
        return &entries[kept - 1].second;
      return Search(id);
    }
    const Entry* Search(int32_t id) const;
    Entry& Slot(int32_t id);
    void Erase(int32_t id);
    void ForgetRecent();
  };
  Store* Find(const HostContainer* container, const char* operation) const {
    if (container == lastHandle_ && container != nullptr) [[likely]]
      return lastStore_;
    return FindStore(container, operation);
  }
  Store* FindStore(const HostContainer* container, const char* operation) const;
  void Put(HostContainer* container, int32_t id, const Entry& entry, const char* operation);
  bool Holds(const HostContainer* container, int32_t id, Kind kind) const;
  // GetInt's answer when the recent-id cache does not hold it.
  [[gnu::noinline]] int32_t SearchInt(const HostContainer* container, int32_t id,
                                      int32_t fallback) const;

  // Integers read lately from the container found last, by the id's recent slot: a press
  // reads the same three settings for every object, and each answer is then one load
  // from here instead of a chain of them through the store. Forgotten on every change of
  // any entry and whenever another container is found.
  struct KnownInt {
    int32_t id;
    int32_t value;
    bool known;
  };
  mutable KnownInt knownInts_[Store::kRecentIds] = {};
  void ForgetKnownInts() const {
    for (KnownInt& known : knownInts_) known.known = false;
  }

  std::unordered_map<const HostContainer*, std::unique_ptr<Store>> containers_;
  // The container found last: every settings read of a press asks for the same one.
  mutable const HostContainer* lastHandle_ = nullptr;
  mutable Store* lastStore_ = nullptr;
};

}  // namespace khost

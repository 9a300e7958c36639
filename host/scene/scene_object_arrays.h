#pragma once
// Object arrays handed to the module: a ledger of live arrays, so that an array freed
// twice or never made is reported instead of followed, and leaks can be counted.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "c4d_host_abi.h"

struct HostObjectArray {
  // Shared with the document's selection cache while that still holds the same objects:
  // an array is a snapshot, and the cache is never changed while an array shares it, so
  // a million-object selection is not held twice.
  std::shared_ptr<const std::vector<HostObject*>> entries = NoEntries();
  static const std::shared_ptr<const std::vector<HostObject*>>& NoEntries();
  // The scene's deletion count when every entry was last known live; no other value
  // while that is unknown.
  static constexpr uint64_t kNotKnownLive = ~uint64_t{0};
  uint64_t liveAsOf = kNotKnownLive;
};

namespace khost {

class ObjectArrays {
 public:
  ObjectArrays();
  ~ObjectArrays();
  ObjectArrays(const ObjectArrays&) = delete;
  ObjectArrays& operator=(const ObjectArrays&) = delete;

  HostObjectArray* New();
  // False when `array` is not a live array of this ledger.
  bool Free(HostObjectArray* array);
  // The array when it is live, else nullptr.
  HostObjectArray* Find(HostObjectArray* array) const {
    if (array == lastFound_ && array != nullptr) [[likely]]
      return array;
    return Search(array);
  }
  // Arrays made and not freed yet.
  size_t Live() const { return live_.size(); }

 private:
  HostObjectArray* Search(HostObjectArray* array) const;
  std::unordered_map<const HostObjectArray*, std::unique_ptr<HostObjectArray>> live_;
  // The array found last: the module asks for the same one for every entry it reads.
  mutable HostObjectArray* lastFound_ = nullptr;
};

}  // namespace khost

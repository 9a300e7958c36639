#pragma once
// Appending to a vector on a path that is taken for every object of a press: the
// growth lives out of line, so the common case needs no stack frame.

#include <cstddef>
#include <vector>

namespace khost {

template <typename Element>
[[gnu::noinline, gnu::cold]] void AppendGrowing(std::vector<Element>& storage,
                                                const Element& value) {
  storage.reserve(storage.capacity() < 8 ? 8 : 2 * storage.capacity());
  storage.push_back(value);
}

template <typename Element>
inline void Append(std::vector<Element>& storage, const Element& value) {
  if (storage.size() == storage.capacity()) [[unlikely]]
    return AppendGrowing(storage, value);
  storage.push_back(value);
}

// Writes one byte in every page of the room `storage` has beyond its elements, so that
// the kernel backs it now rather than when the elements are appended. The kernel hands
// out zeroed pages, so touching each page once is all it takes; no element is made.
template <typename Element>
void TouchSpareRoom(std::vector<Element>& storage) {
  constexpr size_t kPage = 4096;
  auto* begin = reinterpret_cast<volatile unsigned char*>(storage.data() + storage.size());
  auto* end = reinterpret_cast<volatile unsigned char*>(storage.data() + storage.capacity());
  for (volatile unsigned char* byte = begin; byte < end; byte += kPage) *byte = 0;
}

}  // namespace khost

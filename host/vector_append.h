#pragma once
// Appending to a vector on a path that is taken for every object of a press: the
// growth lives out of line, so the common case needs no stack frame.

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

}  // namespace khost

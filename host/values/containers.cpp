#include "containers.h"

#include <algorithm>
#include <cstdio>

#include "host.h"
#include "host_operations.h"
#include "misuse.h"

namespace khost {
const Containers::Entry* Containers::Store::Search(int32_t id) const {
  // A binary search whose steps select instead of branch: the module reads the same
  // few ids over and over, in a pattern a branch predictor keeps getting wrong.
  size_t count = entries.size();
  if (count == 0) return nullptr;
  const std::pair<int32_t, Entry>* first = entries.data();
  while (count > 1) {
    const size_t half = count / 2;
    first = first[half - 1].first < id ? first + half : first;
    count -= half;
  }
  if (first->first != id) return nullptr;
  recent[RecentSlot(id)] = static_cast<uint32_t>(first - entries.data()) + 1;
  return &first->second;
}

void Containers::Store::ForgetRecent() {
  for (uint32_t& kept : recent) kept = 0;
}

Containers::Entry& Containers::Store::Slot(int32_t id) {
  const auto found = std::lower_bound(
      entries.begin(), entries.end(), id,
      [](const std::pair<int32_t, Entry>& entry, int32_t wanted) { return entry.first < wanted; });
  if (found != entries.end() && found->first == id) return found->second;
  ForgetRecent();
  return entries.insert(found, {id, Entry{}})->second;
}

void Containers::Store::Erase(int32_t id) {
  const auto found = std::lower_bound(
      entries.begin(), entries.end(), id,
      [](const std::pair<int32_t, Entry>& entry, int32_t wanted) { return entry.first < wanted; });
  if (found != entries.end() && found->first == id) {
    ForgetRecent();
    entries.erase(found);
  }
}

Containers::Containers() = default;
Containers::~Containers() = default;

// A container's handle is the address of its store: unique while it lives.
HostContainer* Containers::Create() {
  auto store = std::make_unique<Store>();
  auto* handle = reinterpret_cast<HostContainer*>(store.get());
  containers_.emplace(handle, std::move(store));
  return handle;
}

void Containers::Destroy(HostContainer* container) {
  if (container == lastHandle_) {
    lastHandle_ = nullptr;
    lastStore_ = nullptr;
    ForgetKnownInts();
  }
  if (containers_.erase(container) == 0) ReportMisuse("Destroy: not a live settings container");
}

bool Containers::IsLive(const HostContainer* container) const {
  return containers_.count(container) != 0;
}

Containers::Store* Containers::FindStore(const HostContainer* container,
                                         const char* operation) const {
  auto it = containers_.find(container);
  if (it == containers_.end()) {
    ReportMisuse(std::string(operation) + ": not a live settings container");
    return nullptr;
  }
  if (container != lastHandle_) ForgetKnownInts();
  lastHandle_ = container;
  lastStore_ = it->second.get();
  return lastStore_;
}

void Containers::Put(HostContainer* container, int32_t id, const Entry& entry,
                     const char* operation) {
  if (Store* store = Find(container, operation)) {
    store->Slot(id) = entry;
    ForgetKnownInts();
  }
}

void Containers::SetInt(HostContainer* container, int32_t id, int32_t value) {
  Entry entry;
  entry.kind = Kind::kInt;
  entry.integer = value;
  Put(container, id, entry, "ContainerSetInt");
}

void Containers::SetBool(HostContainer* container, int32_t id, bool value) {
  Entry entry;
  entry.kind = Kind::kBool;
  entry.truth = value;
  Put(container, id, entry, "ContainerSetBool");
}

void Containers::SetLink(HostContainer* container, int32_t id, ObjectId object) {
  Entry entry;
  entry.kind = Kind::kLink;
  entry.link = object;
  Put(container, id, entry, "SetLink");
}

void Containers::Remove(HostContainer* container, int32_t id) {
  if (Store* store = Find(container, "Remove")) {
    store->Erase(id);
    ForgetKnownInts();
  }
}

std::optional<Containers::Entry> Containers::Get(const HostContainer* container, int32_t id) const {
  const Store* store = Find(container, "Get");
  if (store == nullptr) return std::nullopt;
  const Entry* entry = store->Lookup(id);
  if (entry == nullptr) return std::nullopt;
  return *entry;
}

bool Containers::Holds(const HostContainer* container, int32_t id, Kind kind) const {
  std::optional<Entry> entry = Get(container, id);
  return entry && entry->kind == kind;
}

bool Containers::HoldsInt(const HostContainer* container, int32_t id) const {
  return Holds(container, id, Kind::kInt);
}
bool Containers::HoldsBool(const HostContainer* container, int32_t id) const {
  return Holds(container, id, Kind::kBool);
}
bool Containers::HoldsLink(const HostContainer* container, int32_t id) const {
  return Holds(container, id, Kind::kLink);
}

std::map<int32_t, Containers::Entry> Containers::Entries(const HostContainer* container) const {
  std::map<int32_t, Entry> entries;
  if (const Store* store = Find(container, "Entries"))
    entries.insert(store->entries.begin(), store->entries.end());
  return entries;
}

int32_t Containers::GetInt(const HostContainer* container, int32_t id, int32_t fallback) const {
  // An integer read just before from the container read last, as every setting of a
  // press is: answered without a call, so without a stack frame.
  if (container == lastHandle_ && container != nullptr) [[likely]] {
    const KnownInt& known = knownInts_[Store::RecentSlot(id)];
    if (known.known && known.id == id) [[likely]]
      return known.value;
  }
  return SearchInt(container, id, fallback);
}

int32_t Containers::SearchInt(const HostContainer* container, int32_t id, int32_t fallback) const {
  const Store* store = Find(container, "ContainerGetInt");
  if (store == nullptr) return fallback;
  const Entry* entry = store->Lookup(id);
  if (entry == nullptr) return fallback;
  switch (entry->kind) {
    case Kind::kInt:
      // Find made this container the one found last.
      knownInts_[Store::RecentSlot(id)] = KnownInt{id, entry->integer, true};
      return entry->integer;
    case Kind::kBool:
      return entry->truth ? 1 : 0;
    case Kind::kLink:
      break;
  }
  return fallback;
}

HostObject* Containers::GetObjectLink(const HostContainer* container, int32_t id,
                                      HostDocument* document, int32_t kind) const {
  const Store* store = Find(container, "ContainerGetObjectLink");
  if (store == nullptr) return nullptr;
  const Entry* entry = store->Lookup(id);
  if (entry == nullptr || entry->kind != Kind::kLink) return nullptr;
  return Host::Current().scene().FindLiveObject(document, entry->link, kind);
}

}  // namespace khost

namespace host_ops {
void ContainerSetBool(HostContainer* container, int32_t id, int32_t value) {
  khost::Host& host = khost::Host::Current();
  host.containers().SetBool(container, id, value != 0);
}

void ContainerSetInt(HostContainer* container, int32_t id, int32_t value) {
  khost::Host& host = khost::Host::Current();
  host.containers().SetInt(container, id, value);
}

HostObject* ContainerGetObjectLink(HostContainer* container, int32_t id, HostDocument* document,
                                   int32_t kind) {
  khost::Host& host = khost::Host::Current();
  return host.containers().GetObjectLink(container, id, document, kind);
}

int32_t ContainerGetInt(HostContainer* container, int32_t id, int32_t fallback) {
  khost::Host& host = khost::Host::Current();
  return host.containers().GetInt(container, id, fallback);
}

}  // namespace host_ops

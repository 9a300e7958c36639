// Selection: a flag per object, and each document's selected objects in document
// order, cached until the selection changes.
#include "host.h"
#include "scene.h"
#include "scene_records.h"
#include "scene_support.h"

namespace khost {

bool Scene::Selected(const HostObject* object) const {
  const HostObject* record = Readable(object, "Selected");
  return record != nullptr && record->state.selected;
}

void Scene::SetSelected(HostObject* object, bool selected) {
  HostObject* record = Mutable(object, "SetSelected");
  if (record == nullptr || record->state.selected == selected) return;
  record->state.selected = selected;
  HostDocument* document = record->document;
  const bool cacheCurrent = document->selectionCacheVersion == document->selectionVersion;
  ++document->selectionVersion;
  if (!selected) {
    --document->selectedObjects;
    return;
  }
  ++document->selectedObjects;
  if (document->undo.NeedsRoomFor(document->selectedObjects)) [[unlikely]]
    PrepareForSelection(document);
  // Reading a scene selects objects as it makes them, each the last in document order:
  // the cache grows with them instead of being rebuilt by a walk on the next request,
  // unless an array shares it.
  if (cacheCurrent && document->selectionCache.use_count() == 1 && LastInDocumentOrder(record)) {
    document->selectionCache->push_back(record);
    document->selectionCacheVersion = document->selectionVersion;
  }
}

void Scene::PrepareForSelection(HostDocument* document) {
  // Doubling, so a selection made one object at a time prepares a few times in all.
  constexpr size_t kFewest = 64;
  const size_t objects =
      std::max({document->selectedObjects, kFewest, 2 * document->undo.SpareCapacity()});
  document->undo.PrepareSpare(objects);
  // A tool sends each object it changes two messages.
  if (!keepMessages_) return;
  const size_t logged = messages_.size();
  ReserveAtLeast(messages_, logged + 2 * objects);
  TouchSpareRoom(messages_);
}

void Scene::GrowMessages() { messages_.reserve(2 * messages_.size() + 8); }

bool Scene::LastInDocumentOrder(const HostObject* object) {
  if (object->firstChild != nullptr) return false;
  for (const HostObject* each = object; each != nullptr; each = each->parent)
    if (each->next != nullptr) return false;
  return true;
}

std::shared_ptr<const std::vector<HostObject*>> Scene::SelectedObjects(
    const HostDocument* document) const {
  if (!IsDocument(document) || document->selectedObjects == 0) return HostObjectArray::NoEntries();
  auto* known = const_cast<HostDocument*>(document);
  if (known->selectionCacheVersion != known->selectionVersion) {
    // Arrays still hold the old selection: a cache of their own, not one cleared under them.
    if (known->selectionCache.use_count() > 1)
      known->selectionCache = std::make_shared<std::vector<HostObject*>>();
    std::vector<HostObject*>& cache = *known->selectionCache;
    cache.clear();
    cache.reserve(known->selectedObjects);
    for (HostObject* each = known->firstTopLevel;
         each != nullptr && cache.size() < known->selectedObjects;
         each = NextInOrder(each, nullptr))
      if (each->state.selected) cache.push_back(each);
    known->selectionCacheVersion = known->selectionVersion;
  }
  return known->selectionCache;
}

}  // namespace khost

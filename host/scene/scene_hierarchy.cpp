// Documents and the object hierarchy: creating, linking, unlinking and deleting
// objects, walking them in document order and finding them by name or path.
#include <algorithm>
#include <utility>

#include "host.h"
#include "scene.h"
#include "scene_records.h"
#include "scene_support.h"
#include "transform.h"

namespace khost {

using kestrum::IdentityMatrix;

HostDocument* Scene::NewDocument(std::string name) {
  documents_.push_back(std::make_unique<HostDocument>());
  HostDocument* document = documents_.back().get();
  document->name = std::move(name);
  document->undo.SetLevels(undoLevels_);
  // Nothing is selected, and the empty cache says so.
  document->selectionCacheVersion = document->selectionVersion;
  return document;
}

HostObject* Scene::NewObject(HostDocument* document, std::string name, HostObject* parent,
                             int32_t kind) {
  if (KnownDocument(document, "NewObject") == nullptr) return nullptr;
  if (parent != nullptr) {
    if (LiveObject(parent, "NewObject") == nullptr) return nullptr;
    if (parent->document != document) {
      Report("NewObject", "the parent belongs to another document");
      return nullptr;
    }
  }
  if (chunks_.empty() || chunks_.back().size() == ChunkCapacity(chunks_.size() - 1)) {
    chunks_.emplace_back();
    chunks_.back().reserve(ChunkCapacity(chunks_.size() - 1));
    chunkEnds_.push_back(std::make_unique<ChunkEnd>());
    const ChunkRange range{reinterpret_cast<uintptr_t>(chunks_.back().data()),
                           chunks_.back().capacity() * sizeof(HostObject), chunkEnds_.back().get()};
    chunkRanges_.insert(std::upper_bound(chunkRanges_.begin(), chunkRanges_.end(), range,
                                         [](const ChunkRange& a, const ChunkRange& b) {
                                           return a.begin < b.begin;
                                         }),
                        range);
  }
  // Records are never removed, so ids follow the order of creation, from 1.
  const ObjectId id = ++objectsMade_;
  HostObject& object = chunks_.back().emplace_back();
  chunkEnds_.back()->end = reinterpret_cast<uintptr_t>(&object + 1);
  object.id = id;
  object.document = document;
  object.name = std::move(name);
  object.kind = kind;
  object.state.local = IdentityMatrix();
  if (parent != nullptr)
    object.world = &worlds_.emplace_back(ChildWorldCache{object.state.local, 0});
  object.state.rotation = HostVector{0.0, 0.0, 0.0};
  object.state.scale = HostVector{1.0, 1.0, 1.0};
  object.state.rotationScaleCurrent = true;
  object.state.halfSizes = HostVector{0.0, 0.0, 0.0};

  object.parent = parent;
  HostObject*& last = parent != nullptr ? parent->lastChild : document->lastTopLevel;
  HostObject*& first = parent != nullptr ? parent->firstChild : document->firstTopLevel;
  object.previous = last;
  if (last != nullptr)
    last->next = &object;
  else
    first = &object;
  last = &object;
  // A new object is not selected, so the selected objects and their order stay.
  ++document->liveObjects;
  return &object;
}

void Scene::Unlink(HostObject* object) {
  HostObject*& first =
      object->parent != nullptr ? object->parent->firstChild : object->document->firstTopLevel;
  HostObject*& last =
      object->parent != nullptr ? object->parent->lastChild : object->document->lastTopLevel;
  if (object->previous != nullptr)
    object->previous->next = object->next;
  else
    first = object->next;
  if (object->next != nullptr)
    object->next->previous = object->previous;
  else
    last = object->previous;
  object->previous = nullptr;
  object->next = nullptr;
}

void Scene::DeleteObject(HostObject* object) {
  HostObject* root = Mutable(object, "DeleteObject");
  if (root == nullptr) return;
  HostDocument* document = root->document;
  ForgetLiveHandles();
  for (HostObject* each = root; each != nullptr; each = NextInOrder(each, root)) {
    each->alive = false;
    if (each->state.selected) --document->selectedObjects;
    each->state.selected = false;
    --document->liveObjects;
  }
  Unlink(root);
  ++document->selectionVersion;
  ++generation_;
}

bool Scene::IsAlive(const HostObject* object) const {
  const HostObject* record = Record(object);
  return record != nullptr && record->alive;
}

HostDocument* Scene::DocumentOf(const HostObject* object) const {
  const HostObject* record = Readable(object, "DocumentOf");
  return record != nullptr ? record->document : nullptr;
}

HostObject* Scene::Parent(const HostObject* object) const {
  const HostObject* record = Readable(object, "Parent");
  return record != nullptr ? record->parent : nullptr;
}

std::vector<HostObject*> Scene::Children(const HostObject* object) const {
  std::vector<HostObject*> children;
  const HostObject* record = Readable(object, "Children");
  if (record == nullptr) return children;
  for (HostObject* child = record->firstChild; child != nullptr; child = child->next)
    children.push_back(child);
  return children;
}

std::vector<HostObject*> Scene::DocumentOrder(const HostDocument* document) const {
  std::vector<HostObject*> order;
  if (!IsDocument(document)) return order;
  order.reserve(document->liveObjects);
  for (HostObject* each = document->firstTopLevel; each != nullptr;
       each = NextInOrder(each, nullptr))
    order.push_back(each);
  return order;
}

size_t Scene::LiveObjectCount(const HostDocument* document) const {
  return IsDocument(document) ? document->liveObjects : 0;
}

HostObject* Scene::FindByName(const HostDocument* document, std::string_view name) const {
  if (!IsDocument(document)) return nullptr;
  for (HostObject* each = document->firstTopLevel; each != nullptr;
       each = NextInOrder(each, nullptr))
    if (each->name == name) return each;
  return nullptr;
}

HostObject* Scene::FindByPath(const HostDocument* document, std::string_view path) const {
  if (!IsDocument(document)) return nullptr;
  HostObject* found = nullptr;
  HostObject* candidates = document->firstTopLevel;
  while (true) {
    const size_t slash = path.find('/');
    const std::string_view part = path.substr(0, slash);
    found = nullptr;
    for (HostObject* each = candidates; each != nullptr; each = each->next)
      if (each->name == part) {
        found = each;
        break;
      }
    if (found == nullptr || slash == std::string_view::npos) return found;
    path.remove_prefix(slash + 1);
    candidates = found->firstChild;
  }
}

const std::string& Scene::Name(const HostObject* object) const {
  static const std::string kNoName;
  const HostObject* record = Readable(object, "Name");
  return record != nullptr ? record->name : kNoName;
}

}  // namespace khost

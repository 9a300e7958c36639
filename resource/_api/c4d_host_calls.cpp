#include "c4d_host_calls.h"

const HostCallTable* hostTable = nullptr;
const HostSlot* descriptionLibrary = nullptr;

namespace {

template <typename Function>
Function HostOperation(int tableSlot, size_t byteOffset) {
  const HostSlot* subTable = static_cast<const HostSlot*>(hostTable->slot[tableSlot].pointer);
  return reinterpret_cast<Function>(subTable[HostSlotOf(byteOffset)].function);
}

}  // namespace

#define C4D_FORWARD(Name, Byte, Result, Params, Args, Contract) \
  Result Name Params { return HostOperation<Name##Function>(C4D_CURRENT_TABLE, Byte) Args; }

#define C4D_CURRENT_TABLE kTableGeneral
HOST_GENERAL_OPERATIONS(C4D_FORWARD)
#undef C4D_CURRENT_TABLE
#define C4D_CURRENT_TABLE kTableContainer
HOST_CONTAINER_OPERATIONS(C4D_FORWARD)
#undef C4D_CURRENT_TABLE
#define C4D_CURRENT_TABLE kTableString
HOST_STRING_OPERATIONS(C4D_FORWARD)
#undef C4D_CURRENT_TABLE
#define C4D_CURRENT_TABLE kTableBitmap
HOST_BITMAP_OPERATIONS(C4D_FORWARD)
#undef C4D_CURRENT_TABLE
#define C4D_CURRENT_TABLE kTableFileName
HOST_FILENAME_OPERATIONS(C4D_FORWARD)
#undef C4D_CURRENT_TABLE
#define C4D_CURRENT_TABLE kTableAttachment
HOST_ATTACHMENT_OPERATIONS(C4D_FORWARD)
#undef C4D_CURRENT_TABLE
#define C4D_CURRENT_TABLE kTableResource
HOST_RESOURCE_OPERATIONS(C4D_FORWARD)
#undef C4D_CURRENT_TABLE
#define C4D_CURRENT_TABLE kTableObject
HOST_OBJECT_OPERATIONS(C4D_FORWARD)
#undef C4D_CURRENT_TABLE
#define C4D_CURRENT_TABLE kTableDocument
HOST_DOCUMENT_OPERATIONS(C4D_FORWARD)
#undef C4D_CURRENT_TABLE
#define C4D_CURRENT_TABLE kTableSceneElement
HOST_SCENE_ELEMENT_OPERATIONS(C4D_FORWARD)
#undef C4D_CURRENT_TABLE
#undef C4D_FORWARD

const HostStringStorage* DefaultString() {
  const HostSlot* strings = static_cast<const HostSlot*>(hostTable->slot[kTableString].pointer);
  return static_cast<const HostStringStorage*>(strings[0].pointer);
}

const HostSlot* LibraryLookup(int32_t libraryId, size_t neededOffset, const HostSlot** cacheSlot) {
  if (*cacheSlot == nullptr) {
    HostPlugin* plugin = FindPlugin(libraryId, kPluginKindLibrary);
    if (plugin == nullptr) return nullptr;
    int32_t mainId = 0;
    int32_t subId = 0;
    void* data = nullptr;
    if (!PluginLibraryData(plugin, &mainId, &subId, &data) || data == nullptr) return nullptr;
    *cacheSlot = static_cast<const HostSlot*>(data);
  }
  // An entry counts only when the whole slot lies inside the size the host declared:
  // reading past it would leave the table.
  const int32_t size = (*cacheSlot)[kLibrarySizeSlot].integer;
  if (size < 0 || neededOffset + sizeof(HostSlot) > static_cast<size_t>(size)) return nullptr;
  return *cacheSlot;
}

namespace {

constexpr HostDescLevel kZeroLevel{0, 0, 0};

#define C4D_ENTRY_OFFSET(Name, Byte, Result, Params, Args, Contract) \
  constexpr size_t k##Name##Offset = Byte;
HOST_DESCRIPTION_LIBRARY_OPERATIONS(C4D_ENTRY_OFFSET)
#undef C4D_ENTRY_OFFSET

// The description library entry at `byteOffset`, or null when it is not available.
template <typename Function>
Function DescriptionLibraryEntry(size_t byteOffset) {
  const size_t slot = HostSlotOf(byteOffset);
  const HostSlot* table =
      LibraryLookup(kDescriptionLibraryId, slot * sizeof(HostSlot), &descriptionLibrary);
  if (table == nullptr) return nullptr;
  return reinterpret_cast<Function>(table[slot].function);
}

}  // namespace

int32_t RegisterDescriptionResource(int32_t id, const HostStringStorage* name,
                                    HostResourceSet* set) {
  auto entry = DescriptionLibraryEntry<RegisterDescriptionResourceFunction>(
      kRegisterDescriptionResourceOffset);
  return entry == nullptr ? 0 : entry(id, name, set);
}

int32_t LoadDescriptionById(HostDescription* description, int32_t id) {
  auto entry = DescriptionLibraryEntry<LoadDescriptionByIdFunction>(kLoadDescriptionByIdOffset);
  return entry == nullptr ? 0 : entry(description, id);
}

const HostDescLevel* DescriptionIdLevel(const void* descId, int32_t level) {
  auto entry = DescriptionLibraryEntry<DescriptionIdLevelFunction>(kDescriptionIdLevelOffset);
  return entry == nullptr ? &kZeroLevel : entry(descId, level);
}

// The host's built-in description library: found as a plug-in of the library kind, with
// a function table that tests and the validator may damage on purpose.
#include "host.h"
#include "plugins.h"
#include "watched_operations.h"

namespace khost {

HostPlugin* Plugins::FindPlugin(int32_t id, int32_t kind) {
  if (libraryPresent_ && id == kDescriptionLibraryId && kind == kPluginKindLibrary)
    return LibraryHandle();
  return nullptr;
}

int32_t Plugins::PluginLibraryData(HostPlugin* plugin, int32_t* mainId, int32_t* subId,
                                   void** data) {
  if (plugin != LibraryHandle()) {
    Host::Current().misuse().Report(
        "PluginLibraryData: a plug-in handle FindPlugin never gave out");
    return 0;
  }
  if (!libraryPresent_) return 0;
  if (mainId != nullptr) *mainId = kDescriptionLibraryId;
  if (subId != nullptr) *subId = kDescriptionLibraryRevision;
  if (data != nullptr) *data = libraryTable_;
  return 1;
}

void Plugins::SetDescriptionLibrarySize(int32_t bytes) {
  libraryTable_[kLibrarySizeSlot].raw = 0;  // the slot's upper bytes stay zero
  libraryTable_[kLibrarySizeSlot].integer = bytes;
}

void Plugins::ClearDescriptionLibraryEntry(int32_t byteOffset) {
  const size_t slot = HostSlotOf(static_cast<size_t>(byteOffset));
  if (slot > kLibrarySizeSlot && slot < kDescriptionLibrarySlots) libraryTable_[slot].raw = 0;
}

void Plugins::RestoreDescriptionLibrary() {
  for (HostSlot& slot : libraryTable_) slot.raw = 0;
  SetDescriptionLibrarySize(kDefaultDescriptionLibrarySize);
#define HOST_FILL_LIBRARY_ENTRY(Name, Byte, Result, Params, Args, Contract) \
  libraryTable_[HostSlotOf(Byte)] = HostFunctionSlot(&host_watched::Name);
  HOST_DESCRIPTION_LIBRARY_OPERATIONS(HOST_FILL_LIBRARY_ENTRY)
#undef HOST_FILL_LIBRARY_ENTRY
  libraryPresent_ = true;
}

}  // namespace khost

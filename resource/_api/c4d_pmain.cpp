#include "c4d_pmain.h"

#include "c4d_host_calls.h"
#include "c4d_memory.h"
#include "c4d_resource.h"

namespace {

// Binding actions minus end actions; only the 0 -> 1 bind and the 1 -> 0 end do work.
// Not clamped: it may go below zero.
int32_t startCount = 0;
// Copy of the module file name the host passed with the binding.
HostFileName* moduleFile = nullptr;

constexpr int32_t kBound = 1;
constexpr int32_t kRefused = -3;
constexpr int32_t kNoSuchAction = -1;
constexpr int32_t kVersionAnswer = 5;

int32_t Bind(void* table, void* fileName) {
  ++startCount;
  if (startCount != 1) return kBound;
  hostTable = static_cast<const HostCallTable*>(table);
  if (hostTable->slot[0].integer < kHostInterfaceVersion) return kRefused;
  if (fileName == nullptr) return kRefused;
  moduleFile = MODULE_NEW HostFileName();
  // A failed allocation is not reported: the plug-in folder then reads as empty.
  if (moduleFile != nullptr) *moduleFile = static_cast<const HostFileNameStorage*>(fileName);
  return kBound;
}

int32_t End() {
  --startCount;
  if (startCount != 0) return 1;
  ModuleEnd();
  pluginResources.Release();
  if (moduleFile != nullptr) {
    delete moduleFile;
    moduleFile = nullptr;
  }
  return 1;
}

int32_t Message(int32_t id, void* data) {
  // Loading resources reaches the host, which needs a bound table.
  if (id == kPluginMessageLoadResources && hostTable == nullptr) return -1;
  return ModuleMessage(id, data) ? 1 : -1;
}

}  // namespace

C4D_EXPORT int32_t c4d_main(int32_t action, void* p1, void* p2, void* p3) {
  switch (action) {
    case kActionBind:
      return Bind(p1, p3);
    case kActionStart:
      // Starting registers with the host, which needs a bound table.
      if (hostTable == nullptr) return 0;
      return ModuleStart() ? 1 : 0;
    case kActionEnd:
      return End();
    case kActionQueryVersion:
      return kVersionAnswer;
    case kActionMessage:
      // The message id is the low 32 bits of p1, read as signed.
      return Message(static_cast<int32_t>(reinterpret_cast<intptr_t>(p1)), p2);
    default:
      return kNoSuchAction;
  }
}

HostFileName PluginFolder() {
  if (moduleFile == nullptr) return HostFileName();
  return moduleFile->Folder();
}

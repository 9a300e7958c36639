#include "c4d_resource.h"

#include "c4d_host_calls.h"
#include "c4d_memory.h"
#include "c4d_pmain.h"

PluginResources pluginResources;

PluginResources::~PluginResources() { Release(); }

bool PluginResources::Load(const HostFileName& folder) {
  if (folderCopy_ == nullptr) {
    folderCopy_ = MODULE_NEW HostFileName(folder);
    // Without room for the copy nothing is attempted, so a later call tries again.
    if (folderCopy_ == nullptr) return false;
  }
  if (loadAttempted_) return handle_ != nullptr;
  handle_ = LoadResourceSet(folder.Storage());
  loadAttempted_ = 1;
  return handle_ != nullptr;
}

bool PluginResources::LoadFromPluginFolder() {
  HostFileName folder = PluginFolder();
  return Load(folder);
}

void PluginResources::Release() {
  if (handle_ != nullptr) {
    FreeResourceSet(handle_);
    handle_ = nullptr;
  }
  if (folderCopy_ != nullptr) {
    delete folderCopy_;
    folderCopy_ = nullptr;
  }
}

const HostStringStorage* PluginResources::LookupString(int32_t id) const {
  if (handle_ == nullptr) return DefaultString();
  return ResourceSetString(handle_, id);
}

const HostStringStorage* ResourceString(int32_t id) { return pluginResources.LookupString(id); }

int32_t RegisterDescriptionResource(int32_t id, const HostString& name, HostResourceSet* set) {
  if (set == nullptr) set = pluginResources.Handle();
  return RegisterDescriptionResource(id, name.Storage(), set);
}

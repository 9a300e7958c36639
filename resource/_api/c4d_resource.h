#pragma once
// The plug-in's resource set: loaded by the host from the plug-in's folder once, on the
// first request, and handing out host-owned strings by id.

#include <cstdint>

#include "c4d_file.h"
#include "c4d_host_abi.h"

class PluginResources {
 public:
  constexpr PluginResources() = default;
  ~PluginResources();
  PluginResources(const PluginResources&) = delete;
  PluginResources& operator=(const PluginResources&) = delete;

  // Asks the host to load the set from `folder` on the first call only; every later
  // call answers the outcome of that one attempt.
  bool Load(const HostFileName& folder);
  bool LoadFromPluginFolder();
  // Gives the set back and drops the folder copy. The set is not loaded again.
  void Release();
  // Host-owned string for the id; the host's default string while nothing is loaded.
  const HostStringStorage* LookupString(int32_t id) const;
  HostResourceSet* Handle() const { return handle_; }

 private:
  HostResourceSet* handle_ = nullptr;
  int32_t loadAttempted_ = 0;
  HostFileName* folderCopy_ = nullptr;
};

extern PluginResources pluginResources;

const HostStringStorage* ResourceString(int32_t id);

// Registers description `name` for plug-in `id` with a resource set; a null set means
// the plug-in's own. 0 when the host's description library is not available.
int32_t RegisterDescriptionResource(int32_t id, const HostString& name, HostResourceSet* set);

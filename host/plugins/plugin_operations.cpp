// The plug-in operations of the call table and of the description library, as the
// module calls them: each hands over to the host's Plugins service.
#include "host.h"
#include "host_operations.h"
#include "plugins.h"

namespace host_ops {

int32_t HostRegisterPlugin(int32_t version, int32_t kind, int32_t id, const HostStringStorage* name,
                           void* record, int32_t size) {
  return khost::Host::Current().plugins().HostRegisterPlugin(version, kind, id, name, record, size);
}

HostPlugin* FindPlugin(int32_t id, int32_t kind) {
  return khost::Host::Current().plugins().FindPlugin(id, kind);
}

int32_t PluginLibraryData(HostPlugin* plugin, int32_t* mainId, int32_t* subId, void** data) {
  return khost::Host::Current().plugins().PluginLibraryData(plugin, mainId, subId, data);
}

int32_t RegisterDescriptionResource(int32_t id, const HostStringStorage* name,
                                    HostResourceSet* set) {
  return khost::Host::Current().plugins().RegisterDescriptionResource(id, name, set);
}

int32_t LoadDescriptionById(HostDescription* description, int32_t id) {
  return khost::Host::Current().plugins().LoadDescriptionById(description, id);
}

const HostDescLevel* DescriptionIdLevel(const void* descId, int32_t level) {
  return khost::Host::Current().plugins().DescriptionIdLevel(descId, level);
}

int32_t HostAttachObject(void* context, int32_t extra, int32_t handle) {
  return khost::Host::Current().plugins().HostAttachObject(context, extra, handle);
}

void* HostAttachedObject(int32_t handle) {
  return khost::Host::Current().plugins().HostAttachedObject(handle);
}

}  // namespace host_ops

// Tool attachments: the module objects a tool registers behind attachment handles.
#include "host.h"
#include "plugins.h"

namespace khost {

int32_t Plugins::HostAttachObject(void* context, int32_t extra, int32_t handle) {
  Attachment& attachment = attachments_[handle];
  attachment.context = context;
  attachment.extra = extra;
  return 1;
}

void* Plugins::HostAttachedObject(int32_t handle) {
  const auto found = attachments_.find(handle);
  return found != attachments_.end() ? found->second.object : nullptr;
}

void Plugins::RegisterAttachedObject(int32_t handle, void* object) {
  attachments_[handle].object = object;
}

const Attachment* Plugins::AttachmentOf(int32_t handle) const {
  const auto found = attachments_.find(handle);
  return found != attachments_.end() ? &found->second : nullptr;
}

}  // namespace khost

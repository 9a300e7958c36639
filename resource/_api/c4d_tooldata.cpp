#include "c4d_tooldata.h"

#include <new>

#include "c4d_host_calls.h"
#include "c4d_memory.h"
#include "c4d_resource.h"

namespace {

ToolData* Tool(void* object) { return static_cast<ToolData*>(object); }

// The record's dispatchers: each calls the tool's virtual operation, so the most-derived
// version runs, and hands its result back unchanged.
void DisposeDispatch(void* object) noexcept {
  if (object != nullptr) Tool(object)->DisposeToolObject();
}
int32_t ToolHookADispatch(void* object, int32_t a, int32_t b, int32_t c) noexcept {
  return Tool(object)->ToolHookA(a, b, c);
}
void ToolHookBDispatch(void* object, int32_t a, int32_t b) noexcept {
  Tool(object)->ToolHookB(a, b);
}
int32_t ToolHookDDispatch(void* object, int32_t a, int32_t b, int32_t c, int32_t d,
                          int32_t e) noexcept {
  return Tool(object)->ToolHookD(a, b, c, d, e);
}
int32_t ToolHookFDispatch(void* object, int32_t a) noexcept { return Tool(object)->ToolHookF(a); }
int32_t ToolHookGDispatch(void* object, int32_t a, int32_t b, int32_t c, int32_t d, int32_t e,
                          int32_t f, int32_t g, int32_t h) noexcept {
  return Tool(object)->ToolHookG(a, b, c, d, e, f, g, h);
}
int32_t ToolHookHDispatch(void* object, int32_t a, int32_t b, int32_t c, int32_t d, int32_t e,
                          int32_t f) noexcept {
  return Tool(object)->ToolHookH(a, b, c, d, e, f);
}
int32_t ConnectAttachmentDispatch(void* object, int32_t key, void* context,
                                  int32_t extra) noexcept {
  return Tool(object)->ConnectAttachment(key, context, extra);
}
void ReleaseAttachmentDispatch(void* object, int32_t handle) noexcept {
  Tool(object)->ReleaseAttachment(handle);
}
int32_t ToolHookIDispatch(void* object, int32_t a, int32_t b, int32_t c, int32_t d) noexcept {
  return Tool(object)->ToolHookI(a, b, c, d);
}
void ToolHookJDispatch(void* object) noexcept { Tool(object)->ToolHookJ(); }
int32_t ToolHookKDispatch(void* object, int32_t a, int32_t b, int32_t c, int32_t d, int32_t e,
                          int32_t f) noexcept {
  return Tool(object)->ToolHookK(a, b, c, d, e, f);
}
int32_t ToolHookEDispatch(void* object, int32_t a, int32_t b, int32_t c, int32_t d,
                          int32_t e) noexcept {
  return Tool(object)->ToolHookE(a, b, c, d, e);
}
int32_t FillDescriptionDispatch(void* object, int32_t a, int32_t b, HostDescription* description,
                                int32_t* flags) noexcept {
  return Tool(object)->FillDescription(a, b, description, flags);
}
int32_t DescriptionHookADispatch(void* object, int32_t a, int32_t b, int32_t c, int32_t d,
                                 int32_t* flags) noexcept {
  return Tool(object)->DescriptionHookA(a, b, c, d, flags);
}
int32_t IsControlEnabledDispatch(void* object, int32_t a, HostContainer* container,
                                 const void* descId, int32_t b, int32_t c, int32_t d) noexcept {
  return Tool(object)->IsControlEnabled(a, container, descId, b, c, d);
}
int32_t DescriptionHookBDispatch(void* object, int32_t a, int32_t b, int32_t c, int32_t d,
                                 int32_t* flags) noexcept {
  return Tool(object)->DescriptionHookB(a, b, c, d, flags);
}
int32_t MessageHandlerDispatch(void* object, HostDocument* document, HostContainer* container,
                               int32_t type, void* data) noexcept {
  return Tool(object)->MessageHandler(document, container, type, data);
}
void WriteDefaultSettingsDispatch(void* object, HostDocument* document,
                                  HostContainer* container) noexcept {
  Tool(object)->WriteDefaultSettings(document, container);
}
int32_t ToolHookCDispatch(void* object, int32_t a) noexcept { return Tool(object)->ToolHookC(a); }
void DescriptionResourceNameDispatch(void* object, HostStringStorage* out) noexcept {
  // The host hands raw storage; the returned value is constructed right in it.
  static_assert(sizeof(HostString) == sizeof(HostStringStorage));
  new (out) HostString(Tool(object)->DescriptionResourceName());
}

void FillRecord(ToolRegistrationSlots& record, int32_t info, ToolData* tool,
                const HostStringStorage* help, HostBitmap* icon) {
  record.info.integer = info;
  record.disposeToolObject = HostFunctionSlot<DisposeToolObjectFunction>(&DisposeDispatch);
  record.toolObject.pointer = tool;
  record.helpText.pointer = help;
  record.icon.pointer = icon;
  record.toolHookA = HostFunctionSlot<ToolHookAFunction>(&ToolHookADispatch);
  record.toolHookB = HostFunctionSlot<ToolHookBFunction>(&ToolHookBDispatch);
  record.toolHookD = HostFunctionSlot<ToolHookDFunction>(&ToolHookDDispatch);
  record.toolHookF = HostFunctionSlot<ToolHookFFunction>(&ToolHookFDispatch);
  record.toolHookG = HostFunctionSlot<ToolHookGFunction>(&ToolHookGDispatch);
  record.toolHookH = HostFunctionSlot<ToolHookHFunction>(&ToolHookHDispatch);
  record.connectAttachment =
      HostFunctionSlot<ConnectAttachmentFunction>(&ConnectAttachmentDispatch);
  record.releaseAttachment =
      HostFunctionSlot<ReleaseAttachmentFunction>(&ReleaseAttachmentDispatch);
  record.toolHookI = HostFunctionSlot<ToolHookIFunction>(&ToolHookIDispatch);
  record.toolHookJ = HostFunctionSlot<ToolHookJFunction>(&ToolHookJDispatch);
  record.toolHookK = HostFunctionSlot<ToolHookKFunction>(&ToolHookKDispatch);
  record.toolHookE = HostFunctionSlot<ToolHookEFunction>(&ToolHookEDispatch);
  record.fillDescription = HostFunctionSlot<FillDescriptionFunction>(&FillDescriptionDispatch);
  record.descriptionHookA = HostFunctionSlot<DescriptionHookAFunction>(&DescriptionHookADispatch);
  record.isControlEnabled = HostFunctionSlot<IsControlEnabledFunction>(&IsControlEnabledDispatch);
  record.descriptionHookB = HostFunctionSlot<DescriptionHookBFunction>(&DescriptionHookBDispatch);
  record.messageHandler = HostFunctionSlot<MessageHandlerFunction>(&MessageHandlerDispatch);
  record.writeDefaultSettings =
      HostFunctionSlot<WriteDefaultSettingsFunction>(&WriteDefaultSettingsDispatch);
  record.toolHookC = HostFunctionSlot<ToolHookCFunction>(&ToolHookCDispatch);
  record.descriptionResourceName =
      HostFunctionSlot<DescriptionResourceNameFunction>(&DescriptionResourceNameDispatch);
}

}  // namespace

void* BaseData::operator new(size_t size, SourceTag tag) noexcept {
  return TaggedNew(size, tag.line, tag.file);
}

void BaseData::operator delete(void* block, SourceTag) noexcept { ModuleDelete(block); }

void BaseData::operator delete(void* block) noexcept { ModuleDelete(block); }

int32_t ToolData::ConnectAttachment(int32_t key, void* context, int32_t extra) {
  if (context == nullptr) return 0;
  ToolAttachment* attachment = CreateAttachment(key);
  if (attachment == nullptr) return 0;
  const int32_t handle = attachment->handle;
  HostAttachObject(context, extra, handle);
  return handle;
}

void ToolData::ReleaseAttachment(int32_t handle) {
  if (void* attached = HostAttachedObject(handle)) delete static_cast<BaseData*>(attached);
}

bool DescriptionToolData::ToolHookA(int32_t, int32_t, int32_t) {
  autoCommandHeld = 1;
  return true;
}

void DescriptionToolData::ToolHookB(int32_t, int32_t) { autoCommandHeld = 1; }

void DescriptionToolData::WriteDefaultSettings(HostDocument* document, HostContainer* container) {
  ContainerSetInt(container, HOST_FLAG_AUTO_COMMAND, 1);
  ToolData::WriteDefaultSettings(document, container);
}

bool DescriptionToolData::FillDescription(int32_t a, int32_t b, HostDescription* description,
                                          int32_t* flags) {
  if (LoadDescriptionById(description, PluginId())) {
    if (flags != nullptr) *flags |= kDescriptionLoaded;
    return true;
  }
  return ToolData::FillDescription(a, b, description, flags);
}

bool DescriptionToolData::IsControlEnabled(int32_t a, HostContainer* container, const void* descId,
                                           int32_t b, int32_t c, int32_t d) {
  if (DescriptionIdLevel(descId, 0)->id == HOST_COMMAND_ALIGN_OBJECT && autoCommandHeld == 0 &&
      (ContainerGetInt(container, HOST_FLAG_AUTO_COMMAND, 0) != 0 ||
       ContainerGetInt(container, HOST_FLAG_AUTO_COMMAND_ALT, 0) != 0))
    return false;
  return ToolData::IsControlEnabled(a, container, descId, b, c, d);
}

bool RegisterDescriptionTool(int32_t id, const HostStringStorage* name, int32_t info,
                             HostBitmap* icon, const HostStringStorage* help,
                             DescriptionToolData* tool) {
  if (tool == nullptr) return false;
  ToolRegistrationSlots record{};
  HostString description = tool->DescriptionResourceName();
  if (description.HasContent() && !RegisterDescriptionResource(id, description, nullptr))
    return false;
  FillRecord(record, info, tool, help, icon);
  return HostRegisterPlugin(kHostInterfaceVersion, kPluginKindTool, id, name, &record,
                            static_cast<int32_t>(sizeof(record))) != 0;
}

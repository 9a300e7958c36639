#include "kestrum.h"

#include "c4d_bitmap.h"
#include "c4d_host_calls.h"
#include "c4d_memory.h"
#include "c4d_resource.h"
#include "kestrum_commands.h"
#include "kestrum_settings.h"

namespace {
constexpr int32_t kObjectKind = kObjectKindObject;
}

void Kestrum::WriteDefaultSettings(HostDocument* document, HostContainer* container) {
  ResetAxisSettings(container);
  DescriptionToolData::WriteDefaultSettings(document, container);
  ContainerSetBool(container, HOST_FLAG_AUTO_COMMAND, 0);
}

HostString Kestrum::DescriptionResourceName() { return HostString("Kestrum"); }

int32_t Kestrum::PluginId() { return KESTRUM_PLUGIN_ID; }

bool Kestrum::MessageHandler(HostDocument* document, HostContainer* container, int32_t type,
                             void* data) {
  AlignmentFrame frame{};
  frame.document = document;
  frame.container = container;
  frame.reference = ContainerGetObjectLink(container, ALIGN_REFERENCE, document, kObjectKind);
  frame.single = ContainerGetObjectLink(container, ALIGN_OBJECT, document, kObjectKind);
  frame.matrixFixed = Matrix();
  frame.matrixMoveable = Matrix();
  frame.selection = ObjectArrayNew();
  frame.positionVector = Vector();
  frame.changed = false;
  frame.modeX = ContainerGetInt(container, ALIGN_X_MODE, 0);
  frame.modeY = ContainerGetInt(container, ALIGN_Y_MODE, 0);
  frame.modeZ = ContainerGetInt(container, ALIGN_Z_MODE, 0);

  if (type == kMessageDescriptionCommand) {
    switch (DescriptionIdLevel(data, 0)->id) {
      case ALIGN_SELECTED:
        AlignSelected(frame);
        break;
      case HOST_COMMAND_ALIGN_OBJECT_ALT:
      case HOST_COMMAND_ALIGN_OBJECT:
        AlignSingle(frame);
        break;
      case HOST_COMMAND_RESET:
        ResetAxisSettings(container);
        break;
      case ALIGN_HELP:
        OpenHelpPage();
        break;
      default:
        break;
    }
  }

  ObjectArrayFree(&frame.selection);
  frame.selection = nullptr;
  return true;
}

bool RegisterKestrum() {
  Kestrum* tool = MODULE_NEW Kestrum;
  bool registered = false;
  {
    HostString iconName("kestrum.tif");
    OwnedBitmap icon(iconName);
    const HostStringStorage* name = ResourceString(KESTRUM_STRING_NAME);
    const HostStringStorage* help = ResourceString(KESTRUM_STRING_HELP_LINE);
    registered = RegisterDescriptionTool(KESTRUM_PLUGIN_ID, name, 0, icon.Get(), help, tool);
  }
  // The host owns the tool only once it accepted it; otherwise nobody would free it.
  if (!registered && tool != nullptr) delete tool;
  return registered;
}

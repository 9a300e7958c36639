// Tool registration: what the host checks of a registration record and keeps of an
// accepted one, and handing tool objects back before the module unloads.
#include <cstring>

#include "bitmaps.h"
#include "host.h"
#include "plugins.h"
#include "text_values.h"

namespace khost {

namespace {

// Slot 1 (DisposeToolObject) and slots 18 to 37: the host calls all of them.
bool EveryDispatcherPresent(const ToolRegistrationSlots& record, size_t& missingSlot) {
  HostSlot slots[kRegistrationRecordSlots];
  std::memcpy(slots, &record, sizeof slots);
  if (slots[1].raw == 0) {
    missingSlot = 1;
    return false;
  }
  for (size_t slot = 18; slot <= 37; ++slot)
    if (slots[slot].raw == 0) {
      missingSlot = slot;
      return false;
    }
  return true;
}

}  // namespace

Plugins::Plugins() { RestoreDescriptionLibrary(); }
Plugins::~Plugins() = default;

int32_t Plugins::Refuse(int32_t id, std::string reason) {
  std::string entry = "HostRegisterPlugin: refused plug-in " + std::to_string(id) + ": " + reason;
  Host::Current().misuse().Report(entry);
  refusals_.push_back(std::move(entry));
  return 0;
}

int32_t Plugins::HostRegisterPlugin(int32_t version, int32_t kind, int32_t id,
                                    const HostStringStorage* name, void* record, int32_t size) {
  Host& host = Host::Current();
  constexpr int32_t kRecordSize = static_cast<int32_t>(sizeof(ToolRegistrationSlots));
  if (version < kHostInterfaceVersion)
    return Refuse(id, "interface version " + std::to_string(version) + " is older than " +
                          std::to_string(kHostInterfaceVersion));
  if (kind != kPluginKindTool)
    return Refuse(id, "plug-in kind " + std::to_string(kind) + " is not a tool (" +
                          std::to_string(kPluginKindTool) + ")");
  if (size != kRecordSize)
    return Refuse(id,
                  "record size " + std::to_string(size) + " is not " + std::to_string(kRecordSize));
  if (record == nullptr) return Refuse(id, "the record is null");
  if (tools_.count(id) != 0) return Refuse(id, "the id is already registered");

  RegisteredTool tool;
  std::memcpy(&tool.record, record, sizeof tool.record);
  if (tool.record.toolObject.raw == 0) return Refuse(id, "the tool object (slot 8) is null");
  size_t missingSlot = 0;
  if (!EveryDispatcherPresent(tool.record, missingSlot))
    return Refuse(id, "the operation in slot " + std::to_string(missingSlot) + " is null");

  if (name == nullptr) return Refuse(id, "the name is null");
  const std::string* nameText = host.text().Text(name, "HostRegisterPlugin");
  if (nameText == nullptr) return Refuse(id, "the name is not a live string");
  if (const auto* help = static_cast<const HostStringStorage*>(tool.record.helpText.pointer)) {
    const std::string* helpText = host.text().Text(help, "HostRegisterPlugin");
    if (helpText == nullptr) return Refuse(id, "the help text (slot 16) is not a live string");
    tool.help = *helpText;
  }
  if (const auto* icon = static_cast<const HostBitmap*>(tool.record.icon.pointer)) {
    Bitmaps& bitmaps = host.bitmaps();
    if (!bitmaps.IsLive(icon)) return Refuse(id, "the icon (slot 17) is not a live bitmap");
    tool.iconWidth = bitmaps.Width(icon);
    tool.iconHeight = bitmaps.Height(icon);
    tool.iconPixels = bitmaps.Pixels(icon);
  }
  tool.id = id;
  tool.name = *nameText;
  tools_.emplace(id, std::move(tool));
  return 1;
}

const RegisteredTool* Plugins::Tool(int32_t id) const {
  const auto found = tools_.find(id);
  return found != tools_.end() ? &found->second : nullptr;
}

void Plugins::DisposeTools() {
  // Take the list first: disposal calls into the module, which may call the host.
  std::map<int32_t, RegisteredTool> disposing;
  disposing.swap(tools_);
  for (const auto& [id, tool] : disposing)
    tool.Operation<DisposeToolObjectFunction> (&ToolRegistrationSlots::disposeToolObject)(
        tool.ToolObject());
}

}  // namespace khost

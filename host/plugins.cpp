#include "plugins.h"

#include <cstring>

#include "bitmaps.h"
#include "host.h"
#include "host_operations.h"
#include "json_files.h"
#include "resources.h"
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

bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos;
}

}  // namespace

Plugins::Plugins() { RestoreDescriptionLibrary(); }
Plugins::~Plugins() = default;

// ---- registration ------------------------------------------------------------------

int32_t Plugins::Refuse(int32_t id, std::string reason) {
  std::string entry = "HostRegisterPlugin: refused plug-in " + std::to_string(id) + ": " + reason;
  Host::Current().misuse().Report(entry);
  refusals_.push_back(std::move(entry));
  return 0;
}

int32_t Plugins::HostRegisterPlugin(int32_t version, int32_t kind, int32_t id,
                                    const HostStringStorage* name, void* record, int32_t size) {
  Host& host = Host::Current();
  if (host.trace().Enabled())
    host.trace().Record("HostRegisterPlugin", std::to_string(version) + ", " +
                                                  std::to_string(kind) + ", " +
                                                  std::to_string(id) + ", " + std::to_string(size));
  constexpr int32_t kRecordSize = static_cast<int32_t>(sizeof(ToolRegistrationSlots));
  if (version < kHostInterfaceVersion)
    return Refuse(id, "interface version " + std::to_string(version) + " is older than " +
                          std::to_string(kHostInterfaceVersion));
  if (kind != kPluginKindTool)
    return Refuse(id, "plug-in kind " + std::to_string(kind) + " is not a tool (" +
                          std::to_string(kPluginKindTool) + ")");
  if (size != kRecordSize)
    return Refuse(id, "record size " + std::to_string(size) + " is not " +
                          std::to_string(kRecordSize));
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
    tool.Operation<DisposeToolObjectFunction>(&ToolRegistrationSlots::disposeToolObject)(
        tool.ToolObject());
}

// ---- the description library -------------------------------------------------------

HostPlugin* Plugins::FindPlugin(int32_t id, int32_t kind) {
  Host& host = Host::Current();
  if (host.trace().Enabled())
    host.trace().Record("FindPlugin", std::to_string(id) + ", " + std::to_string(kind));
  if (libraryPresent_ && id == kDescriptionLibraryId && kind == kPluginKindLibrary)
    return LibraryHandle();
  return nullptr;
}

int32_t Plugins::PluginLibraryData(HostPlugin* plugin, int32_t* mainId, int32_t* subId,
                                   void** data) {
  Host& host = Host::Current();
  host.trace().Record("PluginLibraryData");
  if (plugin != LibraryHandle()) {
    host.misuse().Report("PluginLibraryData: a plug-in handle FindPlugin never gave out");
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
  libraryTable_[HostSlotOf(Byte)] = HostFunctionSlot(&host_ops::Name);
  HOST_DESCRIPTION_LIBRARY_OPERATIONS(HOST_FILL_LIBRARY_ENTRY)
#undef HOST_FILL_LIBRARY_ENTRY
  libraryPresent_ = true;
}

// ---- description resources ---------------------------------------------------------

int32_t Plugins::DescriptionFailure(std::string reason, bool misuse) {
  if (misuse) Host::Current().misuse().Report("RegisterDescriptionResource: " + reason);
  lastDescriptionError_ = std::move(reason);
  return 0;
}

int32_t Plugins::RegisterDescriptionFile(int32_t id, const std::string& folder,
                                         const std::string& name) {
  if (!IsPlainFileName(name))
    return DescriptionFailure("\"" + name + "\" is not a plain description name", true);
  const std::string file = folder + "/res/description/" + name + ".json";
  std::string error;
  const std::optional<std::string> text = ReadTextFile(file, error);
  if (!text) return DescriptionFailure(error, true);
  std::optional<DescriptionLayout> layout = ParseDescriptionLayout(*text, file, error);
  if (!layout) return DescriptionFailure(error, true);
  // Registering again (a module loaded a second time) replaces the earlier layout.
  registeredDescriptions_.insert_or_assign(id, std::move(*layout));
  lastDescriptionError_.clear();
  return 1;
}

int32_t Plugins::RegisterDescriptionResource(int32_t id, const HostStringStorage* name,
                                             HostResourceSet* set) {
  Host& host = Host::Current();
  const std::string* nameText =
      name ? host.text().Text(name, "RegisterDescriptionResource") : nullptr;
  if (host.trace().Enabled())
    host.trace().Record("RegisterDescriptionResource",
                        std::to_string(id) + ", " + (nameText ? *nameText : "?") + ", " +
                            (set ? "set" : "null"));
  if (nameText == nullptr) return DescriptionFailure("the name is not a live string", true);
  // No set is what a module passes when its strings were never loaded: a state the
  // module handles (its registration then fails), not a misuse.
  if (set == nullptr)
    return DescriptionFailure("no resource set, so no folder to read \"" + *nameText + "\" from",
                              false);
  const std::string* folder = host.resources().FolderOf(set);
  if (folder == nullptr) return DescriptionFailure("the resource set is not live", true);
  return RegisterDescriptionFile(id, *folder, *nameText);
}

const DescriptionLayout* Plugins::RegisteredDescription(int32_t pluginId) const {
  const auto found = registeredDescriptions_.find(pluginId);
  return found != registeredDescriptions_.end() ? &found->second : nullptr;
}

// ---- descriptions ------------------------------------------------------------------

HostDescription* Plugins::NewDescription() {
  auto description = std::make_unique<Description>();
  auto* handle = reinterpret_cast<HostDescription*>(description.get());
  descriptions_[handle] = std::move(description);
  return handle;
}

void Plugins::FreeDescription(HostDescription* description) { descriptions_.erase(description); }

const Description* Plugins::DescriptionOf(const HostDescription* description) const {
  const auto found = descriptions_.find(description);
  return found != descriptions_.end() ? found->second.get() : nullptr;
}

int32_t Plugins::LoadDescriptionById(HostDescription* description, int32_t id) {
  Host& host = Host::Current();
  if (host.trace().Enabled()) host.trace().Record("LoadDescriptionById", std::to_string(id));
  const auto found = descriptions_.find(description);
  if (found == descriptions_.end()) {
    host.misuse().Report("LoadDescriptionById: a description this host never made");
    return 0;
  }
  const DescriptionLayout* layout = RegisteredDescription(id);
  if (layout == nullptr) {
    lastDescriptionError_ = "no description is registered for plug-in " + std::to_string(id);
    return 0;
  }
  found->second->Fill(id, *layout);
  return 1;
}

const HostDescLevel* Plugins::DescriptionIdLevel(const void* descId, int32_t level) {
  Host& host = Host::Current();
  if (host.trace().Enabled()) host.trace().Record("DescriptionIdLevel", std::to_string(level));
  levelRecord_ = HostDescLevel{0, 0, 0};
  if (!DescriptionId::IsLive(descId))
    host.misuse().Report(std::string("DescriptionIdLevel: ") +
                         (descId ? "an address that holds no description id" : "null id"));
  else
    levelRecord_ = static_cast<const DescriptionId*>(descId)->Level(level);
  return &levelRecord_;
}

// ---- tool attachments --------------------------------------------------------------

int32_t Plugins::HostAttachObject(void* context, int32_t extra, int32_t handle) {
  Host& host = Host::Current();
  if (host.trace().Enabled())
    host.trace().Record("HostAttachObject", std::to_string(extra) + ", " + std::to_string(handle));
  Attachment& attachment = attachments_[handle];
  attachment.context = context;
  attachment.extra = extra;
  return 1;
}

void* Plugins::HostAttachedObject(int32_t handle) {
  Host& host = Host::Current();
  if (host.trace().Enabled()) host.trace().Record("HostAttachedObject", std::to_string(handle));
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

#pragma once
// Registered plug-ins, the host's built-in description library, the descriptions it
// fills and the tool attachments. One service, one file per concern:
// plugin_registry.cpp, description_library.cpp, description_resources.cpp,
// descriptions.cpp, tool_attachments.cpp; plugin_operations.cpp holds the operations.
//
// Registration copies everything the host keeps (record slots, name, help text, icon
// pixels) during the call, so the module may release its values right after. A refused
// registration answers 0 and records why (Refusals, and the misuse log).
//
// The description library is found with FindPlugin(kDescriptionLibraryId,
// kPluginKindLibrary); its function table is an array of HostSlot that tests and the
// validator may change (remove the library, shrink its size value, null an entry) to
// check how the module copes.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "c4d_host_abi.h"
#include "description_ids.h"
#include "description_layout.h"

namespace khost {

// What the host kept of one accepted tool registration.
struct RegisteredTool {
  int32_t id = 0;
  std::string name;
  std::string help;
  int32_t iconWidth = 0;  // 0 x 0 when registered without an icon
  int32_t iconHeight = 0;
  std::vector<uint8_t> iconPixels;  // RGBA, rows from the top
  ToolRegistrationSlots record{};   // the 48 slots as handed over

  void* ToolObject() const { return const_cast<void*>(record.toolObject.pointer); }
  int32_t Info() const { return record.info.integer; }
  // The dispatcher in `slot`, typed, e.g.
  //   tool.Operation<MessageHandlerFunction>(&ToolRegistrationSlots::messageHandler)
  //       (tool.ToolObject(), document, container, 18, &command);
  template <typename Function>
  Function Operation(HostSlot ToolRegistrationSlots::*slot) const {
    return reinterpret_cast<Function>((record.*slot).function);
  }
};

// A description the host made (NewDescription) for a tool to fill through
// LoadDescriptionById.
class Description {
 public:
  bool Loaded() const { return layout_.has_value(); }
  // The plug-in id it was filled for; 0 while not loaded.
  int32_t PluginId() const { return pluginId_; }
  // Only meaningful while Loaded().
  const DescriptionLayout& Layout() const { return *layout_; }
  void Fill(int32_t pluginId, const DescriptionLayout& layout) {
    pluginId_ = pluginId;
    layout_ = layout;
  }

 private:
  int32_t pluginId_ = 0;
  std::optional<DescriptionLayout> layout_;
};

// What HostAttachObject recorded for a handle.
struct Attachment {
  void* context = nullptr;
  int32_t extra = 0;
  void* object = nullptr;  // the module's object, once the host side registered it
};

class Plugins {
 public:
  // Slots of the description library's function table: up to the last entry (byte 112).
  static constexpr int kDescriptionLibrarySlots = 29;
  static constexpr int32_t kDescriptionLibraryRevision = 1;
  static constexpr int32_t kDefaultDescriptionLibrarySize =
      kDescriptionLibrarySlots * static_cast<int32_t>(sizeof(void*));

  Plugins();
  ~Plugins();
  Plugins(const Plugins&) = delete;
  Plugins& operator=(const Plugins&) = delete;

  // ---- operations of the call table and the description library ----
  int32_t HostRegisterPlugin(int32_t version, int32_t kind, int32_t id,
                             const HostStringStorage* name, void* record, int32_t size);
  HostPlugin* FindPlugin(int32_t id, int32_t kind);
  // main id: the library's id; sub id: its revision; data: its function table.
  int32_t PluginLibraryData(HostPlugin* plugin, int32_t* mainId, int32_t* subId, void** data);
  int32_t RegisterDescriptionResource(int32_t id, const HostStringStorage* name,
                                      HostResourceSet* set);
  int32_t LoadDescriptionById(HostDescription* description, int32_t id);
  // Points at a record this host keeps until the next call of this operation.
  const HostDescLevel* DescriptionIdLevel(const void* descId, int32_t level);
  int32_t HostAttachObject(void* context, int32_t extra, int32_t handle);
  void* HostAttachedObject(int32_t handle);

  // ---- registered tools ----
  const RegisteredTool* Tool(int32_t id) const;
  size_t ToolCount() const { return tools_.size(); }
  // Why registrations were refused, oldest first.
  const std::vector<std::string>& Refusals() const { return refusals_; }
  // Hands every registered tool object back to the module (DisposeToolObject, once
  // each) and forgets the registrations; run before the module is unloaded.
  void DisposeTools();

  // ---- the description library ----
  HostSlot* DescriptionLibraryTable() { return libraryTable_; }
  void SetDescriptionLibraryPresent(bool present) { libraryPresent_ = present; }
  // The size value in slot 1, in bytes.
  void SetDescriptionLibrarySize(int32_t bytes);
  // Nulls the entry at this byte offset (8, 24 or 112).
  void ClearDescriptionLibraryEntry(int32_t byteOffset);
  // Present again, default size, every entry in place.
  void RestoreDescriptionLibrary();

  // ---- description resources ----
  // Reads <folder>/res/description/<name>.json and keeps it for the plug-in id; 1 on
  // success, 0 with LastDescriptionError() saying why.
  int32_t RegisterDescriptionFile(int32_t id, const std::string& folder, const std::string& name);
  const DescriptionLayout* RegisteredDescription(int32_t pluginId) const;
  const std::string& LastDescriptionError() const { return lastDescriptionError_; }

  // ---- descriptions the host makes for tools to fill ----
  HostDescription* NewDescription();
  void FreeDescription(HostDescription* description);
  const Description* DescriptionOf(const HostDescription* description) const;
  size_t LiveDescriptions() const { return descriptions_.size(); }

  // ---- tool attachments ----
  // Tells the host which module object stands behind an attachment handle.
  void RegisterAttachedObject(int32_t handle, void* object);
  const Attachment* AttachmentOf(int32_t handle) const;
  void Detach(int32_t handle) { attachments_.erase(handle); }
  size_t LiveAttachments() const { return attachments_.size(); }

 private:
  int32_t Refuse(int32_t id, std::string reason);
  int32_t DescriptionFailure(std::string reason, bool misuse);
  HostPlugin* LibraryHandle() { return reinterpret_cast<HostPlugin*>(&libraryTable_); }

  std::map<int32_t, RegisteredTool> tools_;
  std::vector<std::string> refusals_;
  HostSlot libraryTable_[kDescriptionLibrarySlots] = {};
  bool libraryPresent_ = true;
  std::map<int32_t, DescriptionLayout> registeredDescriptions_;
  std::string lastDescriptionError_;
  std::unordered_map<const HostDescription*, std::unique_ptr<Description>> descriptions_;
  HostDescLevel levelRecord_{};
  std::unordered_map<int32_t, Attachment> attachments_;
};

}  // namespace khost

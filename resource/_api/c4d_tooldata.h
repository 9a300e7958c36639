#pragma once
// The tool class chain the host reaches through a registration record: BaseData ->
// ToolData -> DescriptionToolData. Each operation's default sits with its declaration,
// in the order of the record's dispatchers.

#include <cstdint>

#include "c4d_host_abi.h"
#include "c4d_memory.h"
#include "c4d_string.h"

class BaseData {
 public:
  BaseData() = default;
  virtual ~BaseData() = default;
  BaseData(const BaseData&) = delete;
  BaseData& operator=(const BaseData&) = delete;

  // Called by the host, through the record, to dispose of a registered object.
  void DisposeToolObject() { delete this; }

  // Objects are made with MODULE_NEW and deleted through the virtual destructor; both
  // go through the module's memory.
  static void* operator new(size_t size, SourceTag tag) noexcept;
  static void operator delete(void* block, SourceTag tag) noexcept;
  static void operator delete(void* block) noexcept;
};

// An object a tool attaches to a host context; the host knows it by its handle.
class ToolAttachment : public BaseData {
 public:
  int32_t handle = 0;
};

class ToolData : public BaseData {
 public:
  virtual int32_t ConnectAttachment(int32_t key, void* context, int32_t extra);
  virtual void ReleaseAttachment(int32_t handle);
  virtual bool ToolHookA(int32_t, int32_t, int32_t) { return true; }
  virtual void ToolHookB(int32_t, int32_t) {}
  virtual int32_t ToolHookC(int32_t) { return -1; }
  virtual void WriteDefaultSettings(HostDocument*, HostContainer*) {}
  virtual HostString DescriptionResourceName() { return HostString(); }
  virtual bool ToolHookD(int32_t, int32_t, int32_t, int32_t, int32_t) { return true; }
  virtual bool ToolHookE(int32_t, int32_t, int32_t, int32_t, int32_t) { return false; }
  virtual int32_t ToolHookF(int32_t) { return 0x40000000; }
  virtual int32_t ToolHookG(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                            int32_t) {
    return 0;
  }
  virtual int32_t ToolHookH(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return 2; }
  virtual bool ToolHookI(int32_t, int32_t, int32_t, int32_t) { return false; }
  virtual void ToolHookJ() {}
  virtual bool ToolHookK(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return true; }
  virtual ToolAttachment* CreateAttachment(int32_t) { return nullptr; }
  virtual bool FillDescription(int32_t, int32_t, HostDescription*, int32_t*) { return false; }
  virtual bool DescriptionHookA(int32_t, int32_t, int32_t, int32_t, int32_t* flags) {
    return flags != nullptr && (*flags & kDescriptionLoaded) != 0;
  }
  virtual bool IsControlEnabled(int32_t, HostContainer*, const void*, int32_t, int32_t, int32_t) {
    return true;
  }
  virtual bool DescriptionHookB(int32_t, int32_t, int32_t, int32_t, int32_t* flags) {
    return flags != nullptr && (*flags & kDescriptionLoaded) != 0;
  }
  virtual bool MessageHandler(HostDocument*, HostContainer*, int32_t, void*) { return false; }

 protected:
  // Flag bit that FillDescription sets once the description is loaded.
  static constexpr int32_t kDescriptionLoaded = 2;
};

class DescriptionToolData : public ToolData {
 public:
  bool ToolHookA(int32_t, int32_t, int32_t) override;
  void ToolHookB(int32_t, int32_t) override;
  void WriteDefaultSettings(HostDocument* document, HostContainer* container) override;
  HostString DescriptionResourceName() override = 0;
  bool FillDescription(int32_t, int32_t, HostDescription* description, int32_t* flags) override;
  bool IsControlEnabled(int32_t, HostContainer* container, const void* descId, int32_t, int32_t,
                        int32_t) override;
  virtual int32_t PluginId() = 0;

 protected:
  // Set once the host has run a tool command; control 704 is never disabled after that.
  int32_t autoCommandHeld = 0;
};

// Fills a registration record for `tool` and registers it with the host as a tool with
// the description resource the tool names. False, with nothing registered, when there
// is no tool object or the description cannot be registered.
bool RegisterDescriptionTool(int32_t id, const HostStringStorage* name, int32_t info,
                             HostBitmap* icon, const HostStringStorage* help,
                             DescriptionToolData* tool);

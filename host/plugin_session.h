#pragma once
// A plug-in run as the host drives it: load the module from a plug-in folder, bind it,
// let it load its resources (message 1), start it, and reach its tool only through the
// registration record; at the end dispose of the tool, end, unload and report what the
// module left behind.

#include <cstdint>
#include <string>

#include "c4d_host_abi.h"
#include "module_loader.h"

namespace khost {

class Host;
struct RegisteredTool;

class PluginSession {
 public:
  // The module file inside a plug-in folder.
  static constexpr const char* kModuleFileName = "kestrum.cdl";

  explicit PluginSession(Host& host);
  ~PluginSession();
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

  // Load, bind, message 1, start. False with Error() naming the folder and the step that
  // failed; whatever was done is undone by Close or the destructor.
  bool Open(const std::string& pluginFolder, int32_t toolId);
  const std::string& Error() const { return error_; }
  // Whether message 1 found the plug-in's resources.
  bool ResourcesLoaded() const { return resourcesLoaded_; }

  ModuleLoader& loader() { return loader_; }
  // The tool the module registered, or null.
  const RegisteredTool* Tool() const;

  // Tool operations, through the record's slots with the tool object from slot 8.
  void WriteDefaultSettings(HostDocument* document, HostContainer* container);
  int32_t SendMessage(HostDocument* document, HostContainer* container, int32_t type, void* data);
  // A button press: message type 18 with a one-level description id.
  int32_t Press(HostDocument* document, HostContainer* container, int32_t buttonId);
  int32_t IsControlEnabled(HostContainer* container, int32_t controlId);
  // The name the tool gives its description resource.
  std::string DescriptionResourceName();

  // Dispose of the tool, end, unload; what the module left behind. Safe to call twice.
  LeakCheck Close();

 private:
  Host& host_;
  ModuleLoader loader_;
  int32_t toolId_ = 0;
  bool resourcesLoaded_ = false;
  bool started_ = false;
  bool closed_ = false;
  std::string error_;
};

}  // namespace khost

#pragma once
// A plug-in in a host, as the host drives it: load the module from a plug-in folder,
// bind it, let it load its resources (message 1), start it, and reach its tool only
// through the registration record; at the end dispose of the tool, end, unload and
// report what the module left behind. The command's session layer, the Python module,
// the view, the validator, the benchmarks and the tests all drive a plug-in through
// this one type, in a host of its own or in one they hand it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "c4d_host_abi.h"
#include "module_loader.h"

namespace khost {

class Host;
struct RegisteredTool;

class PluginSession {
 public:
  // The module file a plug-in folder holds unless told otherwise.
  static constexpr const char* kDefaultModuleFileName = "kestrum.cdl";

  // In a host of its own, made for it.
  PluginSession();
  // In `host`, which outlives it.
  explicit PluginSession(Host& host, std::string moduleFileName = kDefaultModuleFileName);
  ~PluginSession();
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

  // Load, bind, message 1, start. False with Error() naming the folder and the step that
  // failed; whatever was done is undone by Close or the destructor.
  bool Open(const std::string& pluginFolder, int32_t toolId);
  const std::string& Error() const { return error_; }
  // The folder Open was given.
  const std::string& Folder() const { return folder_; }
  Host& host() { return host_; }
  // Whether message 1 found the plug-in's resources.
  bool ResourcesLoaded() const { return resourcesLoaded_; }

  ModuleLoader& loader() { return loader_; }
  // The tool the module registered, or null.
  const RegisteredTool* Tool() const;

  // The tool's settings container for presses in `document`, made on the first call
  // (filled by the tool's own defaults when `writeDefaults`) and destroyed by Close.
  HostContainer* Settings(HostDocument* document, bool writeDefaults = true);

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
  // Close, then every problem the run left as one line each: an undo group left open,
  // each leftover ("left behind: ...") and each misuse report ("misuse: ..."). Empty
  // when the plug-in finished cleanly.
  std::vector<std::string> Finish();

 private:
  std::unique_ptr<Host> ownHost_;  // none when the host was handed in
  Host& host_;
  std::string moduleFileName_;
  std::string folder_;
  ModuleLoader loader_;
  HostContainer* settings_ = nullptr;
  int32_t toolId_ = 0;
  bool resourcesLoaded_ = false;
  bool started_ = false;
  bool closed_ = false;
  std::string error_;
};

}  // namespace khost

#pragma once
// The plug-in loaded once for a Python program: one run of it in a host, shared by every
// `kestrum.Plugin` of the program that names its folder and by every document they
// make. The module keeps one state per process, so a second copy of it (from another
// folder) is refused while this one is loaded. The tool keeps one settings container for
// the whole run, so each document's settings are set aside while another document's are
// in it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "plugin_loading.h"

namespace kpython {

class LoadedPlugin {
 public:
  // The plug-in from `folder`, loaded now or shared with the Plugin objects that hold it
  // already. Throws InputError when `folder` holds no plug-in, or while a plug-in from
  // another folder is loaded; HostFailure when it does not start.
  static std::shared_ptr<LoadedPlugin> Acquire(const std::string& folder);

  explicit LoadedPlugin(const std::string& folder);
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  const std::string& Folder() const { return folder_; }
  bool Closed() const { return closed_; }
  // Throws HostFailure once the plug-in is unloaded.
  khost::PluginSession& Run();

  // The settings container, holding the settings of `owner` (a document). When another
  // owner held it, that owner's `keep` is called first to set its settings aside, then
  // `restore` puts `owner`'s into the container.
  HostContainer* SettingsFor(const void* owner, HostDocument* document, std::function<void()> keep,
                             const std::function<void(HostContainer*)>& restore);
  bool Holds(const void* owner) const { return holder_ == owner; }
  // `owner` is going away: the container no longer holds its settings.
  void Release(const void* owner);

  // Unloads the plug-in; throws HostFailure listing what it left behind. Safe to call
  // again.
  void Close();

 private:
  friend class PluginUse;
  std::string folder_;
  std::unique_ptr<khost::PluginSession> run_;
  const void* holder_ = nullptr;
  std::function<void()> keepHolder_;
  bool closed_ = false;
  size_t openUses_ = 0;
};

// One `kestrum.Plugin`: a hold on the shared plug-in. Closing the last open hold unloads
// it; closing another only lets go.
class PluginUse {
 public:
  explicit PluginUse(const std::string& folder);
  ~PluginUse();
  PluginUse(const PluginUse&) = delete;
  PluginUse& operator=(const PluginUse&) = delete;

  const std::shared_ptr<LoadedPlugin>& Shared() const { return plugin_; }
  // Throws HostFailure once this hold is closed or the plug-in unloaded.
  khost::PluginSession& Run();
  // Throws HostFailure, as LoadedPlugin::Close, when this was the last open hold.
  void Close();

 private:
  std::shared_ptr<LoadedPlugin> plugin_;
  bool closed_ = false;
};

}  // namespace kpython

#pragma once
// The plug-in loaded once for a Python program: one run of it in a host, shared by every
// document the program makes. The tool keeps one settings container for the whole run,
// so each document's settings are set aside while another document's are in it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "plugin_run.h"

namespace kpython {

class LoadedPlugin {
 public:
  // Throws InputError when `folder` holds no plug-in, HostFailure when it does not start.
  explicit LoadedPlugin(const std::string& folder);
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  const std::string& Folder() const { return folder_; }
  bool Closed() const { return closed_; }
  // Throws HostFailure once the plug-in is unloaded.
  kcommand::PluginRun& Run();

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
  std::string folder_;
  std::unique_ptr<kcommand::PluginRun> run_;
  const void* holder_ = nullptr;
  std::function<void()> keepHolder_;
  bool closed_ = false;
};

}  // namespace kpython

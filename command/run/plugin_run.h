#pragma once
// One run of the plug-in inside a fresh substitute host: load it from a folder, give
// its tool a settings container filled with the tool's own defaults, and at the end
// close everything and insist that the plug-in left nothing behind and that the host
// saw no misuse.

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "containers.h"
#include "host.h"
#include "plugin_session.h"
#include "plugins.h"
#include "scene.h"
#include "user_interface.h"

namespace kcommand {

class PluginRun {
 public:
  // `console`: where the plug-in's console lines go as they are printed (nullptr: kept
  // only). Throws InputError when the folder holds no module, HostFailure when the
  // module does not load, bind, start or register its tool.
  PluginRun(const std::string& pluginFolder, std::ostream* console);
  PluginRun(const PluginRun&) = delete;
  PluginRun& operator=(const PluginRun&) = delete;

  khost::Host& host() { return host_; }
  khost::PluginSession& session() { return session_; }
  const khost::RegisteredTool& Tool() const { return *session_.Tool(); }

  // The tool's settings for presses in `document`, written by the tool's own defaults.
  HostContainer* Settings(HostDocument* document) { return session_.Settings(document); }
  // A press of a panel button, as the host delivers it; throws HostFailure when the
  // tool does not answer true.
  void Press(HostDocument* document, int32_t buttonId);

  // Closes the session and checks what was left behind. Throws HostFailure listing every
  // leftover and every misuse report.
  void Finish();

 private:
  khost::Host host_;
  khost::PluginSession session_{host_};
  std::string folder_;
};

// Throws HostFailure listing `problems`, what a finished session of the plug-in from
// `folder` left behind or recorded as misuse; returns when there are none.
void RequireCleanFinish(const std::string& folder, const std::vector<std::string>& problems);

}  // namespace kcommand

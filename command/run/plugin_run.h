#pragma once
// One run of the plug-in inside a fresh substitute host: load it from a folder, give
// its tool a settings container filled with the tool's own defaults, and at the end
// close everything and insist that the plug-in left nothing behind and that the host
// saw no misuse.

#include <cstdint>
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
  // A press of a panel button, as the host delivers it; throws HostFailure as
  // RequireCarriedOut does.
  void Press(HostDocument* document, int32_t buttonId);

  // For a run that writes its files and ends, where nothing reads the object messages
  // and only an undo check reads the undo steps: the host keeps no messages, and undo
  // steps only when `keep`. A press on a million objects would otherwise hold 200 MB of
  // undo records and 32 MB of messages.
  void KeepUndo(bool keep);

  // Closes the session and checks what was left behind. Throws HostFailure listing every
  // leftover and every misuse report.
  void Finish();

 private:
  khost::Host host_;
  khost::PluginSession session_{host_};
  std::string folder_;
};

// The one policy for the tool's answer to a press: a truth value, which the tool gives
// as false only when it did not carry the press out. Throws HostFailure naming `press`
// then.
void RequireCarriedOut(int32_t answer, const std::string& press);

// Throws HostFailure listing `problems`, what a finished session of the plug-in from
// `folder` left behind or recorded as misuse; returns when there are none.
void RequireCleanFinish(const std::string& folder, const std::vector<std::string>& problems);

}  // namespace kcommand

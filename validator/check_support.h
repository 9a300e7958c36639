#pragma once
// Pieces the checks share: a live host with the plug-in opened in it, and texts for
// what a module left behind or did wrong.

#include <string>
#include <vector>

#include "c4d_host_abi.h"
#include "check.h"
#include "host.h"
#include "module_loader.h"
#include "plugin_session.h"

namespace khost::validator {

// Up to `limit` lines joined with "; ", then how many more there were.
std::string JoinLines(const std::vector<std::string>& lines, size_t limit = 5);

// The misuse log as one line ("" when empty).
std::string MisuseText(Host& host);

// A host with the plug-in opened (load, bind, message 1, start), one document and the
// tool's settings container. Calls outside a binding are reported as misuse. Not a
// second way to hold a plug-in: the checks' starting point over a PluginSession, in
// states the command's LoadPlugin never makes (the defaults not written, the call trace
// on from before the binding), and ending in failure lines rather than an exception.
class OpenPlugin {
 public:
  // With `traceCalls` the call trace is on from before the binding.
  explicit OpenPlugin(const CheckContext& context, bool writeDefaults = true,
                      bool traceCalls = false);
  // Empty when the plug-in opened and registered its tool.
  const std::string& Error() const { return error_; }

  // Closes the session (dispose, end, unload) and returns what was left behind and what
  // misuse the host saw, as failure lines.
  std::vector<std::string> Close();

  Host host;
  PluginSession session{host};
  HostDocument* document = nullptr;
  HostContainer* settings = nullptr;

 private:
  std::string error_;
  bool closed_ = false;
};

}  // namespace khost::validator

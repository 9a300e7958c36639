#include "plugin_run.h"

#include "input_error.h"
#include "kestrum_settings.h"
#include "plugin_locations.h"

namespace kcommand {

PluginRun::PluginRun(const std::string& pluginFolder, std::ostream* console)
    : folder_(pluginFolder) {
  RequirePluginFolder(pluginFolder);
  host_.ui().EchoConsoleTo(console);
  if (!session_.Open(pluginFolder, KESTRUM_PLUGIN_ID)) {
    const std::string error = session_.Error();
    session_.Close();
    throw HostFailure(error);
  }
}

void PluginRun::Press(HostDocument* document, int32_t buttonId) {
  const int32_t answer = session_.Press(document, Settings(document), buttonId);
  if (answer != 1)
    throw HostFailure("the tool answered " + std::to_string(answer) + " to the press of " +
                      std::to_string(buttonId));
}

void PluginRun::Finish() { RequireCleanFinish(folder_, session_.Finish()); }

void RequireCleanFinish(const std::string& folder, const std::vector<std::string>& problems) {
  if (problems.empty()) return;
  std::string lines;
  for (const std::string& line : problems) lines += "\n  " + line;
  throw HostFailure("the plug-in from " + folder + " did not finish cleanly:" + lines);
}

}  // namespace kcommand

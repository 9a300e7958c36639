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
  RequireCarriedOut(session_.Press(document, Settings(document), buttonId),
                    "the press of " + std::to_string(buttonId));
}

void RequireCarriedOut(int32_t answer, const std::string& press) {
  if (answer == 0)
    throw HostFailure("the tool did not carry out " + press + " (it answered false)");
}

void PluginRun::KeepUndo(bool keep) {
  host_.scene().SetUndoLevels(keep ? std::nullopt : std::optional<size_t>(0));
  host_.scene().KeepObjectMessages(false);
}

void PluginRun::Finish() { RequireCleanFinish(folder_, session_.Finish()); }

void RequireCleanFinish(const std::string& folder, const std::vector<std::string>& problems) {
  if (problems.empty()) return;
  std::string lines;
  for (const std::string& line : problems) lines += "\n  " + line;
  throw HostFailure("the plug-in from " + folder + " did not finish cleanly:" + lines);
}

}  // namespace kcommand

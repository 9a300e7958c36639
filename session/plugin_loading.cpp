#include "plugin_loading.h"

#include "host.h"
#include "input_error.h"
#include "kestrum_settings.h"
#include "plugin_locations.h"

namespace kcommand {

std::unique_ptr<khost::PluginSession> LoadPlugin(const std::string& pluginFolder,
                                                 std::ostream* console) {
  RequirePluginFolder(pluginFolder);
  auto plugin = std::make_unique<khost::PluginSession>();
  plugin->host().ui().EchoConsoleTo(console);
  if (!plugin->Open(pluginFolder, KESTRUM_PLUGIN_ID)) {
    const std::string error = plugin->Error();
    plugin->Close();
    throw HostFailure(error);
  }
  return plugin;
}

void RequireCarriedOut(int32_t answer, const std::string& press) {
  if (answer == 0)
    throw HostFailure("the tool did not carry out " + press + " (it answered false)");
}

void PressButton(khost::PluginSession& plugin, HostDocument* document, int32_t buttonId) {
  RequireCarriedOut(plugin.Press(document, plugin.Settings(document), buttonId),
                    "the press of " + std::to_string(buttonId));
}

void KeepUndo(khost::PluginSession& plugin, bool keep) {
  plugin.host().scene().SetUndoLevels(keep ? std::nullopt : std::optional<size_t>(0));
  plugin.host().scene().KeepObjectMessages(false);
}

void FinishCleanly(khost::PluginSession& plugin) {
  RequireCleanFinish(plugin.Folder(), plugin.Finish());
}

void RequireCleanFinish(const std::string& folder, const std::vector<std::string>& problems) {
  if (problems.empty()) return;
  std::string lines;
  for (const std::string& line : problems) lines += "\n  " + line;
  throw HostFailure("the plug-in from " + folder + " did not finish cleanly:" + lines);
}

}  // namespace kcommand

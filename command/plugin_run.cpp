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

PluginRun::~PluginRun() {
  if (!finished_) {
    if (settings_) host_.containers().Destroy(settings_);
    session_.Close();
  }
}

HostContainer* PluginRun::Settings(HostDocument* document) {
  if (!settings_) {
    settings_ = host_.containers().Create();
    session_.WriteDefaultSettings(document, settings_);
  }
  return settings_;
}

void PluginRun::Press(HostDocument* document, int32_t buttonId) {
  const int32_t answer = session_.Press(document, Settings(document), buttonId);
  if (answer != 1)
    throw HostFailure("the tool answered " + std::to_string(answer) + " to the press of " +
                      std::to_string(buttonId));
}

void PluginRun::Finish() {
  finished_ = true;
  if (settings_) host_.containers().Destroy(settings_);
  settings_ = nullptr;
  const khost::LeakCheck leaks = session_.Close();
  host_.scene().CheckNoUndoGroupOpen();
  std::string problems;
  for (const std::string& line : leaks.Lines()) problems += "\n  left behind: " + line;
  if (const size_t arrays = host_.scene().arrays().Live(); arrays != 0)
    problems += "\n  left behind: " + std::to_string(arrays) + " object array(s)";
  for (const std::string& entry : host_.misuse().Entries()) problems += "\n  misuse: " + entry;
  if (!problems.empty())
    throw HostFailure("the plug-in from " + folder_ + " did not finish cleanly:" + problems);
}

}  // namespace kcommand

#include "check_support.h"

#include "containers.h"
#include "kestrum_settings.h"
#include "plugins.h"
#include "scene.h"

namespace khost::validator {

std::string JoinLines(const std::vector<std::string>& lines, size_t limit) {
  std::string text;
  for (size_t i = 0; i < lines.size() && i < limit; ++i) text += (i ? "; " : "") + lines[i];
  if (lines.size() > limit) text += "; and " + std::to_string(lines.size() - limit) + " more";
  return text;
}

std::vector<std::string> Leftovers(Host& host, const LeakCheck& leaks) {
  // The loader's own list already names blocks, strings, file names, resource sets,
  // bitmaps and object arrays.
  std::vector<std::string> lines = leaks.Lines();
  if (const size_t descriptions = host.plugins().LiveDescriptions())
    lines.push_back(std::to_string(descriptions) + " description(s) alive");
  if (const size_t attachments = host.plugins().LiveAttachments())
    lines.push_back(std::to_string(attachments) + " attachment(s) alive");
  return lines;
}

std::string MisuseText(Host& host) { return JoinLines(host.misuse().Entries()); }

OpenPlugin::OpenPlugin(const CheckContext& context, bool writeDefaults, bool traceCalls) {
  host.ReportCallsOutsideBinding(true);
  host.trace().Enable(traceCalls);
  if (!session.Open(context.pluginFolder, KESTRUM_PLUGIN_ID)) {
    error_ = session.Error();
    return;
  }
  document = host.scene().NewDocument("validation");
  settings = host.containers().Create();
  if (writeDefaults) session.WriteDefaultSettings(document, settings);
}

std::vector<std::string> OpenPlugin::Close() {
  if (closed_) return {};
  closed_ = true;
  if (settings != nullptr) host.containers().Destroy(settings);
  std::vector<std::string> problems;
  if (!host.scene().CheckNoUndoGroupOpen()) problems.push_back("an undo group was left open");
  const LeakCheck leaks = session.Close();
  for (const std::string& line : Leftovers(host, leaks)) problems.push_back("left behind: " + line);
  for (const std::string& entry : host.misuse().Entries()) problems.push_back("misuse: " + entry);
  return problems;
}

}  // namespace khost::validator

#include "check_support.h"

#include "kestrum_settings.h"
#include "scene.h"

namespace khost::validator {

std::string JoinLines(const std::vector<std::string>& lines, size_t limit) {
  std::string text;
  for (size_t i = 0; i < lines.size() && i < limit; ++i) text += (i ? "; " : "") + lines[i];
  if (lines.size() > limit) text += "; and " + std::to_string(lines.size() - limit) + " more";
  return text;
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
  settings = session.Settings(document, writeDefaults);
}

std::vector<std::string> OpenPlugin::Close() {
  if (closed_) return {};
  closed_ = true;
  settings = nullptr;
  return session.Finish();
}

}  // namespace khost::validator

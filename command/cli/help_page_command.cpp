// kestrum help-page: the tool's help button, pressed as the host would press it: the
// page it asked the host to open, or the message it showed.

#include <memory>

#include "input_error.h"
#include "kestrum_settings.h"
#include "plugin_loading.h"
#include "shared_options.h"
#include "subcommand.h"

namespace kcommand {
namespace {

int RunHelpButton(const std::string& plugin, std::ostream& out) {
  const std::unique_ptr<khost::PluginSession> loaded = LoadPlugin(plugin, nullptr);
  khost::PluginSession& run = *loaded;
  khost::Host& host = run.host();
  HostDocument* document = host.scene().NewDocument("help");
  PressButton(run, document, ALIGN_HELP);
  for (const std::string& page : host.ui().OpenedFiles())
    out << "the tool asked the host to open its help page: " << page << "\n";
  for (const khost::UserInterface::Message& message : host.ui().Messages())
    out << "the tool showed the message: " << message.text << "\n";
  if (host.ui().OpenedFiles().empty() && host.ui().Messages().empty())
    throw HostFailure("the help button neither opened a page nor showed a message");
  FinishCleanly(run);
  return kExitSuccess;
}

}  // namespace

Subcommand AddHelpPageCommand(CLI::App& kestrum, const std::string& plugin) {
  auto folder = std::make_shared<std::string>(plugin);
  CLI::App* command = kestrum.add_subcommand(
      "help-page", "Press the tool's help button: the page it opens, or the message it shows");
  AddPluginOption(*command, *folder);
  return {command, [folder](Console& console) { return RunHelpButton(*folder, console.Result()); }};
}

}  // namespace kcommand

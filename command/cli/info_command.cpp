// kestrum info: load the plug-in, show what it registered, unload it and check it
// left nothing behind.

#include <memory>

#include "description_layout.h"
#include "input_error.h"
#include "kestrum_settings.h"
#include "plugin_run.h"
#include "shared_options.h"
#include "subcommand.h"

namespace kcommand {
namespace {

int RunInfo(const std::string& plugin, std::ostream& out) {
  out << "plug-in folder: " << plugin << "\n";
  out << "console:\n";
  PluginRun run(plugin, &out);
  khost::PluginSession& session = run.session();
  const khost::RegisteredTool& tool = run.Tool();
  out << "resources: " << (session.ResourcesLoaded() ? "loaded" : "not found") << "\n";
  out << "registered tool:\n"
      << "  id:          " << tool.id << "\n"
      << "  name:        " << tool.name << "\n"
      << "  help line:   " << tool.help << "\n"
      << "  icon:        " << tool.iconWidth << " x " << tool.iconHeight << "\n";
  const std::string resource = session.DescriptionResourceName();
  out << "  description: " << resource << "\n";
  if (const khost::DescriptionLayout* layout =
          run.host().plugins().RegisteredDescription(KESTRUM_PLUGIN_ID)) {
    for (const khost::DescriptionGroup& group : layout->groups) {
      out << "    " << group.label << ":";
      for (const khost::DescriptionElement& element : group.elements)
        out << " " << element.id << " " << khost::ElementKindName(element.kind) << " \""
            << element.label << "\";";
      out << "\n";
    }
  } else {
    out << "    (no description resource registered for " << KESTRUM_PLUGIN_ID << ")\n";
  }
  run.Finish();
  out << "unloaded: nothing left allocated, no misuse recorded\n";
  return kExitSuccess;
}

}  // namespace

Subcommand AddInfoCommand(CLI::App& kestrum, const std::string& plugin) {
  auto folder = std::make_shared<std::string>(plugin);
  CLI::App* command = kestrum.add_subcommand(
      "info", "Load the plug-in, show its banner and registered tool, unload and check for leaks");
  AddPluginOption(*command, *folder);
  return {command, [folder](Console& console) { return RunInfo(*folder, console.Result()); }};
}

}  // namespace kcommand

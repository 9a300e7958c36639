// kestrum info: load the plug-in, show what it registered, unload it and check it
// left nothing behind.

#include <memory>

#include "input_error.h"
#include "kestrum_settings.h"
#include "plugin_loading.h"
#include "shared_options.h"
#include "subcommand.h"
#include "tool_panel.h"

namespace kcommand {
namespace {

// What info shows, as the --json document's "plugin".
nlohmann::ordered_json InfoJson(khost::PluginSession& run, const std::string& plugin) {
  const khost::RegisteredTool& tool = *run.Tool();
  nlohmann::ordered_json groups = nlohmann::ordered_json::array();
  if (const khost::DescriptionLayout* layout =
          run.host().plugins().RegisteredDescription(KESTRUM_PLUGIN_ID))
    groups = std::move(PanelJson(*layout)["groups"]);
  return {{"folder", plugin},
          {"console", run.host().ui().ConsoleLines()},
          {"resourcesLoaded", run.ResourcesLoaded()},
          {"tool",
           {{"id", tool.id},
            {"name", tool.name},
            {"help", tool.help},
            {"icon", {{"width", tool.iconWidth}, {"height", tool.iconHeight}}},
            {"description", run.DescriptionResourceName()},
            {"groups", std::move(groups)}}}};
}

int RunInfo(const std::string& plugin, bool json, Console& console) {
  if (json) console.WriteJson("info");
  std::ostream& out = console.Result();
  out << "plug-in folder: " << plugin << "\n";
  out << "console:\n";
  const std::unique_ptr<khost::PluginSession> loaded = LoadPlugin(plugin, json ? nullptr : &out);
  khost::PluginSession& run = *loaded;
  nlohmann::ordered_json info = json ? InfoJson(run, plugin) : nlohmann::ordered_json();
  khost::PluginSession& session = run;
  const khost::RegisteredTool& tool = *run.Tool();
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
  FinishCleanly(run);
  out << "unloaded: nothing left allocated, no misuse recorded\n";
  if (json) {
    info["unloadedClean"] = true;
    (*console.Json())["plugin"] = std::move(info);
  }
  return kExitSuccess;
}

}  // namespace

Subcommand AddInfoCommand(CLI::App& kestrum, const std::string& plugin) {
  struct InfoOptions {
    std::string folder;
    bool json = false;
  };
  auto options = std::make_shared<InfoOptions>(InfoOptions{plugin});
  CLI::App* command = kestrum.add_subcommand(
      "info", "Load the plug-in, show its banner and registered tool, unload and check for leaks");
  AddPluginOption(*command, options->folder);
  command->add_flag("--json", options->json,
                    "Write what was registered as one JSON document "
                    "(docs/command-output.schema.json)");
  return {command,
          [options](Console& console) { return RunInfo(options->folder, options->json, console); }};
}

}  // namespace kcommand

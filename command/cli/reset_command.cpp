// kestrum reset: the tool's reset button, pressed as the host would press it, with the
// settings before, what the tool wrote, and the settings after.

#include <memory>

#include "axis_settings.h"
#include "input_error.h"
#include "kestrum_settings.h"
#include "plugin_loading.h"
#include "shared_options.h"
#include "subcommand.h"

namespace kcommand {
namespace {

struct ResetOptions {
  AxisTexts axes;  // settings to hold before the reset
  std::string plugin;
  bool json = false;
};

std::string AxisSettings(khost::Containers& containers, HostContainer* settings, int axis) {
  const AxisValues values = ReadAxisValues(containers, settings, axis);
  const std::optional<AxisChoice> choice = ReadAxisChoice(containers, settings, axis);
  const std::string name = choice ? FormatAxisChoice(*choice) : "unknown";
  return std::string(1, kAxisLetters[static_cast<size_t>(axis)]) + " " + name + " (" +
         std::to_string(values.mode) + ", " + std::to_string(values.side) + ")";
}

// {"x": {"choice": "plus:outside", "mode": 1, "side": 1}, ...}: the settings as the tool
// stores them, for --json.
nlohmann::ordered_json SettingsJson(khost::Containers& containers, HostContainer* settings) {
  nlohmann::ordered_json axes;
  for (int axis = 0; axis < 3; ++axis) {
    const AxisValues values = ReadAxisValues(containers, settings, axis);
    const std::optional<AxisChoice> choice = ReadAxisChoice(containers, settings, axis);
    axes[std::string(1, kAxisLetters[static_cast<size_t>(axis)])] = {
        {"choice", choice ? nlohmann::ordered_json(FormatAxisChoice(*choice)) : nullptr},
        {"mode", values.mode},
        {"side", values.side}};
  }
  return axes;
}

int RunReset(const ResetOptions& options, Console& console) {
  if (options.json) console.WriteJson("reset");
  std::ostream& out = console.Result();
  const std::array<std::optional<AxisChoice>, 3> axes = AxisOptions(options.axes);

  const std::unique_ptr<khost::PluginSession> loaded = LoadPlugin(options.plugin, nullptr);
  khost::PluginSession& run = *loaded;
  khost::Host& host = run.host();
  HostDocument* document = host.scene().NewDocument("reset");
  HostContainer* settings = run.Settings(document);
  khost::Containers& containers = host.containers();
  for (int axis = 0; axis < 3; ++axis) {
    if (const auto& choice = axes[static_cast<size_t>(axis)])
      WriteAxisChoice(containers, settings, axis, *choice);
  }
  const nlohmann::ordered_json before = SettingsJson(containers, settings);
  out << "before:";
  for (int axis = 0; axis < 3; ++axis) out << "  " << AxisSettings(containers, settings, axis);
  out << "\n";
  host.trace().Enable(true);
  PressButton(run, document, HOST_COMMAND_RESET);
  host.trace().Enable(false);
  const std::vector<std::string> writes =
      host.trace().Only({"ContainerSetInt", "ContainerSetBool", "ContainerSetLink"});
  out << "the tool wrote " << writes.size() << " settings:";
  for (const std::string& write : writes) out << " " << write;
  out << "\nafter: ";
  for (int axis = 0; axis < 3; ++axis) out << "  " << AxisSettings(containers, settings, axis);
  out << "\n";
  const nlohmann::ordered_json after = SettingsJson(containers, settings);
  FinishCleanly(run);
  if (nlohmann::ordered_json* json = console.Json())
    (*json)["reset"] = {{"before", before}, {"written", writes}, {"after", after}};
  return kExitSuccess;
}

}  // namespace

Subcommand AddResetCommand(CLI::App& kestrum, const std::string& plugin) {
  auto options = std::make_shared<ResetOptions>();
  options->plugin = plugin;
  CLI::App* command = kestrum.add_subcommand(
      "reset", "Press the tool's reset button and show the settings it wrote");
  AddAxisOptions(*command, options->axes, "Hold this placement before the reset");
  AddPluginOption(*command, options->plugin);
  command->add_flag("--json", options->json,
                    "Write the settings as one JSON document (docs/command-output.schema.json)");
  return {command, [options](Console& console) { return RunReset(*options, console); }};
}

}  // namespace kcommand

// kestrum reset: the tool's reset button, pressed as the host would press it, with the
// settings before, what the tool wrote, and the settings after.

#include <memory>

#include "axis_settings.h"
#include "input_error.h"
#include "kestrum_settings.h"
#include "plugin_run.h"
#include "shared_options.h"
#include "subcommand.h"

namespace kcommand {
namespace {

struct ResetOptions {
  AxisTexts axes;  // settings to hold before the reset
  std::string plugin;
};

std::string AxisSettings(khost::Containers& containers, HostContainer* settings, int axis) {
  const AxisValues values = ReadAxisValues(containers, settings, axis);
  const std::optional<AxisChoice> choice = ReadAxisChoice(containers, settings, axis);
  const std::string name = choice ? FormatAxisChoice(*choice) : "unknown";
  return std::string(1, kAxisLetters[static_cast<size_t>(axis)]) + " " + name + " (" +
         std::to_string(values.mode) + ", " + std::to_string(values.side) + ")";
}

int RunReset(const ResetOptions& options, std::ostream& out) {
  const std::array<std::optional<AxisChoice>, 3> axes = AxisOptions(options.axes);

  PluginRun run(options.plugin, nullptr);
  khost::Host& host = run.host();
  HostDocument* document = host.scene().NewDocument("reset");
  HostContainer* settings = run.Settings(document);
  khost::Containers& containers = host.containers();
  for (int axis = 0; axis < 3; ++axis) {
    if (const auto& choice = axes[static_cast<size_t>(axis)])
      WriteAxisChoice(containers, settings, axis, *choice);
  }
  out << "before:";
  for (int axis = 0; axis < 3; ++axis) out << "  " << AxisSettings(containers, settings, axis);
  out << "\n";
  host.trace().Enable(true);
  run.Press(document, HOST_COMMAND_RESET);
  host.trace().Enable(false);
  const std::vector<std::string> writes =
      host.trace().Only({"ContainerSetInt", "ContainerSetBool", "ContainerSetLink"});
  out << "the tool wrote " << writes.size() << " settings:";
  for (const std::string& write : writes) out << " " << write;
  out << "\nafter: ";
  for (int axis = 0; axis < 3; ++axis) out << "  " << AxisSettings(containers, settings, axis);
  out << "\n";
  run.Finish();
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
  return {command, [options](Console& console) { return RunReset(*options, console.Result()); }};
}

}  // namespace kcommand

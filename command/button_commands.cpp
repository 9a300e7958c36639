// kestrum reset and kestrum help: the two buttons that move nothing, pressed as the
// host would press them, with what they did.

#include "commands.h"
#include "input_error.h"
#include "kestrum_settings.h"
#include "plugin_run.h"

namespace kcommand {
namespace {

std::string AxisSettings(khost::Containers& containers, HostContainer* settings, int axis) {
  const int32_t mode = containers.GetInt(settings, ModeSettingId(axis), 0);
  const int32_t side = containers.GetInt(settings, SideSettingId(axis), 0);
  const std::optional<AxisChoice> choice = ChoiceFromValues(axis, mode, side);
  const std::string name = choice ? FormatAxisChoice(*choice) : "unknown";
  return std::string(1, kAxisLetters[static_cast<size_t>(axis)]) + " " + name + " (" +
         std::to_string(mode) + ", " + std::to_string(side) + ")";
}

}  // namespace

int RunReset(const ResetOptions& options, std::ostream& out) {
  std::array<std::optional<AxisChoice>, 3> axes;
  for (int axis = 0; axis < 3; ++axis)
    if (const auto& text = options.axes[static_cast<size_t>(axis)])
      axes[static_cast<size_t>(axis)] = AxisOption(axis, *text);

  PluginRun run(options.plugin, nullptr);
  khost::Host& host = run.host();
  HostDocument* document = host.scene().NewDocument("reset");
  HostContainer* settings = run.Settings(document);
  khost::Containers& containers = host.containers();
  for (int axis = 0; axis < 3; ++axis) {
    if (const auto& choice = axes[static_cast<size_t>(axis)]) {
      containers.SetInt(settings, ModeSettingId(axis), ModeValueId(axis, choice->mode));
      containers.SetInt(settings, SideSettingId(axis), SideValueId(axis, choice->side));
    }
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

int RunHelpButton(const std::string& plugin, std::ostream& out) {
  PluginRun run(plugin, nullptr);
  khost::Host& host = run.host();
  HostDocument* document = host.scene().NewDocument("help");
  run.Press(document, ALIGN_HELP);
  for (const std::string& page : host.ui().OpenedFiles())
    out << "the tool asked the host to open its help page: " << page << "\n";
  for (const khost::UserInterface::Message& message : host.ui().Messages())
    out << "the tool showed the message: " << message.text << "\n";
  if (host.ui().OpenedFiles().empty() && host.ui().Messages().empty())
    throw HostFailure("the help button neither opened a page nor showed a message");
  run.Finish();
  return kExitSuccess;
}

}  // namespace kcommand

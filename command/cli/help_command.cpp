// kestrum help [COMMAND]: the help of the command, or of one of its subcommands, as
// --help shows it.

#include <memory>

#include "input_error.h"
#include "subcommand.h"

namespace kcommand {

Subcommand AddHelpCommand(CLI::App& kestrum) {
  auto topic = std::make_shared<std::string>();
  CLI::App* command = kestrum.add_subcommand("help", "Show the help of COMMAND, or of kestrum");
  command->add_option("COMMAND", *topic, "The subcommand to explain");
  return {
      command, [&kestrum, topic](Console& console) {
        // The formatter, not help(): that shows the help of the subcommand parsed,
        // which is this one.
        const auto formatter = kestrum.get_formatter();
        if (topic->empty()) {
          console.Result() << formatter->make_help(&kestrum, kestrum.get_name(),
                                                   CLI::AppFormatMode::Normal);
          return kExitSuccess;
        }
        const CLI::App* subcommand = nullptr;
        for (const CLI::App* each : kestrum.get_subcommands({}))
          if (each->get_name() == *topic) subcommand = each;
        if (!subcommand)
          throw InputError("help: no command is called '" + *topic + "'; kestrum help lists them");
        console.Result() << formatter->make_help(subcommand, kestrum.get_name() + " " + *topic,
                                                 CLI::AppFormatMode::Normal);
        return kExitSuccess;
      }};
}

}  // namespace kcommand

// kestrum: align scene files with the Kestrum plug-in, loaded into the substitute host
// through its entry point and registration record, as the host application would.

#include <CLI/CLI.hpp>
#include <iostream>
#include <vector>

#include "input_error.h"
#include "plugin_locations.h"
#include "subcommand.h"

int main(int argc, char** argv) {
  using namespace kcommand;
  CLI::App kestrum{
      "kestrum: align objects of a scene against a reference object's bounding box,\n"
      "with the Kestrum plug-in loaded into a substitute host."};
  kestrum.require_subcommand(1);
  const std::string plugin = DefaultPluginFolder();
  const std::vector<Subcommand> subcommands{AddAlignCommand(kestrum, plugin),
                                            AddResetCommand(kestrum, plugin),
                                            AddHelpCommand(kestrum, plugin),
                                            AddInfoCommand(kestrum, plugin),
                                            AddListCommand(kestrum),
                                            AddConvertCommand(kestrum),
                                            AddDemoCommand(kestrum, plugin),
                                            AddViewCommand(kestrum, plugin),
                                            AddValidateCommand(kestrum, plugin)};
  try {
    kestrum.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = kestrum.exit(error);
    return status == 0 ? kExitSuccess : kExitInputError;
  }
  for (const Subcommand& subcommand : subcommands)
    if (subcommand.app->parsed()) return RunSubcommand(subcommand, std::cout, std::cerr);
  return kExitInputError;
}

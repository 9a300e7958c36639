// kestrum: align scene files with the Kestrum plug-in, loaded into the substitute host
// through its entry point and registration record, as the host application would.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <vector>

#include "input_error.h"
#include "plugin_locations.h"
#include "subcommand.h"
#include "usage_errors.h"

int main(int argc, char** argv) {
  using namespace kcommand;
  CLI::App kestrum{
      "kestrum: align objects of a scene against a reference object's bounding box,\n"
      "with the Kestrum plug-in loaded into a substitute host.",
      "kestrum"};
  // One subcommand, or none with --version.
  kestrum.require_subcommand(0, 1);
  // The command's own options (-q, -v) may also follow the subcommand.
  kestrum.fallthrough();
  bool quiet = false;
  bool verbose = false;
  CLI::Option* quietFlag =
      kestrum.add_flag("-q,--quiet", quiet, "Print errors only, besides what was asked for");
  kestrum.add_flag("-v,--verbose", verbose, "Also print notes of each step and its time")
      ->excludes(quietFlag);
  const std::string plugin = DefaultPluginFolder();
  const std::vector<Subcommand> subcommands{AddAlignCommand(kestrum, plugin),
                                            AddResetCommand(kestrum, plugin),
                                            AddHelpPageCommand(kestrum, plugin),
                                            AddInfoCommand(kestrum, plugin),
                                            AddListCommand(kestrum),
                                            AddConvertCommand(kestrum),
                                            AddDemoCommand(kestrum, plugin),
                                            AddViewCommand(kestrum, plugin),
                                            AddValidateCommand(kestrum, plugin),
                                            AddVersionCommand(kestrum, plugin),
                                            AddHelpCommand(kestrum)};
  ReportUsageErrorsAsKestrum(kestrum);
  try {
    kestrum.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = kestrum.exit(error);
    return status == 0 ? kExitSuccess : kExitInputError;
  }
  Console console(std::cout, std::cerr,
                  quiet     ? Verbosity::kQuiet
                  : verbose ? Verbosity::kVerbose
                            : Verbosity::kNormal,
                  isatty(STDERR_FILENO) == 1);
  // A flag of the command (--version) wins over a subcommand given with it.
  auto chosen = std::find_if(subcommands.begin(), subcommands.end(), [](const Subcommand& each) {
    return each.alsoRunBy && each.alsoRunBy->count() > 0;
  });
  if (chosen == subcommands.end())
    chosen = std::find_if(subcommands.begin(), subcommands.end(),
                          [](const Subcommand& each) { return each.app->parsed(); });
  if (chosen != subcommands.end()) return RunSubcommand(*chosen, console);
  std::cerr << "kestrum: give a command; kestrum help lists them\n";
  return kExitInputError;
}

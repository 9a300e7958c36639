#pragma once
// A subcommand of kestrum: its place on the command line, holding the options it owns,
// and what runs it once the line is parsed. Each subcommand's file adds its own; main
// only assembles them. A run writes its lines through the console, returns the exit
// status, and leaves by InputError or HostFailure when something is wrong.

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

#include "console.h"

namespace kcommand {

struct Subcommand {
  CLI::App* app;
  std::function<int(Console& console)> run;
  // A flag of the command itself that runs this subcommand too (kestrum --version).
  CLI::Option* alsoRunBy = nullptr;

  bool Chosen() const { return app->parsed() || (alsoRunBy && alsoRunBy->count() > 0); }
};

// Runs `subcommand`, turning the errors it leaves by into a "kestrum: " line on the
// console's error stream and the exit status they stand for.
int RunSubcommand(const Subcommand& subcommand, Console& console);

// Each adds one subcommand to `kestrum`. `plugin` is the plug-in folder loaded unless
// --plugin names another.
Subcommand AddAlignCommand(CLI::App& kestrum, const std::string& plugin);
Subcommand AddListCommand(CLI::App& kestrum);
Subcommand AddConvertCommand(CLI::App& kestrum);
Subcommand AddResetCommand(CLI::App& kestrum, const std::string& plugin);
Subcommand AddHelpCommand(CLI::App& kestrum);
Subcommand AddHelpPageCommand(CLI::App& kestrum, const std::string& plugin);
Subcommand AddInfoCommand(CLI::App& kestrum, const std::string& plugin);
Subcommand AddDemoCommand(CLI::App& kestrum, const std::string& plugin);
Subcommand AddViewCommand(CLI::App& kestrum, const std::string& plugin);
Subcommand AddValidateCommand(CLI::App& kestrum, const std::string& plugin);
Subcommand AddVersionCommand(CLI::App& kestrum, const std::string& plugin);

}  // namespace kcommand

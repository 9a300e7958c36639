#pragma once
// A subcommand of kestrum: its place on the command line, holding the options it owns,
// and what runs it once the line is parsed. Each subcommand's file adds its own; main
// only assembles them. A run writes its report to `out` and its notes to `err`, returns
// the exit status, and leaves by InputError or HostFailure when something is wrong.

#include <CLI/CLI.hpp>
#include <functional>
#include <ostream>
#include <string>

namespace kcommand {

struct Subcommand {
  CLI::App* app;
  std::function<int(std::ostream& out, std::ostream& err)> run;
};

// Runs `subcommand`, turning the errors it leaves by into a "kestrum: " line on `err`
// and the exit status they stand for.
int RunSubcommand(const Subcommand& subcommand, std::ostream& out, std::ostream& err);

// Each adds one subcommand to `kestrum`. `plugin` is the plug-in folder loaded unless
// --plugin names another.
Subcommand AddAlignCommand(CLI::App& kestrum, const std::string& plugin);
Subcommand AddListCommand(CLI::App& kestrum);
Subcommand AddConvertCommand(CLI::App& kestrum);
Subcommand AddResetCommand(CLI::App& kestrum, const std::string& plugin);
Subcommand AddHelpCommand(CLI::App& kestrum, const std::string& plugin);
Subcommand AddInfoCommand(CLI::App& kestrum, const std::string& plugin);
Subcommand AddDemoCommand(CLI::App& kestrum, const std::string& plugin);
Subcommand AddViewCommand(CLI::App& kestrum, const std::string& plugin);
Subcommand AddValidateCommand(CLI::App& kestrum, const std::string& plugin);

}  // namespace kcommand

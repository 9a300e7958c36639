// kestrum validate: every check a plug-in should pass before a release, from the
// validator.

#include <memory>

#include "check.h"
#include "shared_options.h"
#include "subcommand.h"
#include "validation.h"

namespace kcommand {

Subcommand AddValidateCommand(CLI::App& kestrum, const std::string& plugin) {
  struct ValidateOptions {
    khost::validator::ValidationOptions validation;
    uint64_t seed = 0;
    CLI::Option* seedOption = nullptr;
  };
  auto options = std::make_shared<ValidateOptions>();
  khost::validator::ValidationOptions& validation = options->validation;
  validation.pluginFolder = plugin;
  CLI::App* command = kestrum.add_subcommand(
      "validate",
      "Check the plug-in as a developer would before a release: exports, lifecycle, record,\n"
      "hostile arguments, undo, call order, and a seeded random run against a model");
  AddPluginOption(*command, validation.pluginFolder);
  options->seedOption =
      command->add_option("--seed", options->seed, "Seed of the random run (default: fresh)");
  command->add_option("--repeat", validation.repeat, "Load-to-unload cycles; scales the random run")
      ->check(CLI::Range(1, 1000))
      ->default_str(std::to_string(validation.repeat));
  command->add_flag("--json", validation.json, "Write the results as JSON");
  std::vector<std::string> checkNames;
  for (const khost::validator::Check& check : khost::validator::AllChecks())
    checkNames.push_back(check.name);
  // A misspelt name must not run nothing and report success.
  command->add_option("--check", validation.only, "Run only the named checks")
      ->check(CLI::IsMember(checkNames));
  return {command, [options](Console& console) {
            if (options->seedOption->count() > 0) options->validation.seed = options->seed;
            return khost::validator::RunValidation(options->validation, console.Result());
          }};
}

}  // namespace kcommand

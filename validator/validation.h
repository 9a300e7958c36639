#pragma once
// `kestrum validate`: runs every named check of a plug-in folder, each in a child
// process of its own, and writes a summary.
//
// The command calls it as
//   khost::validator::ValidationOptions options;
//   options.pluginFolder = ...;   // --plugin DIR (default: the built plug-in folder)
//   options.seed = ...;           // --seed N (absent: a fresh seed, printed)
//   options.repeat = ...;         // --repeat N
//   options.json = ...;           // --json
//   return khost::validator::RunValidation(options, std::cout);

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace khost::validator {

struct ValidationOptions {
  std::string pluginFolder = KESTRUM_DEFAULT_PLUGIN_DIR;
  // The random run's seed; a fresh one is drawn (and printed) when absent.
  std::optional<uint64_t> seed;
  // Load-to-unload cycles of the lifecycle check; also scales the random run.
  int repeat = 3;
  bool json = false;
  // Only the checks with these names, all when empty (tests use it).
  std::vector<std::string> only;
  // Each check's time limit.
  double secondsPerCheck = 60.0;
};

// Writes the text summary (last line "N passed, N failed[, N skipped]") or the JSON
// document to `out`. 0 when no check failed or crashed, 1 otherwise.
int RunValidation(const ValidationOptions& options, std::ostream& out);

}  // namespace khost::validator

#include "validation.h"

#include <chrono>
#include <nlohmann/json.hpp>
#include <random>

#include "check.h"
#include "child_process.h"
#include "plugin_session.h"

namespace khost::validator {

const char* CheckStatusName(CheckStatus status) {
  switch (status) {
    case CheckStatus::kPassed:
      return "passed";
    case CheckStatus::kFailed:
      return "failed";
    case CheckStatus::kCrashed:
      return "crashed";
    case CheckStatus::kSkipped:
      return "skipped";
  }
  return "unknown";
}

const std::vector<Check>& AllChecks() {
  static const std::vector<Check> checks = {
      {"exports", "c4d_main is the only export and every symbol resolves at load", CheckExports},
      {"lifecycle", "load to unload repeated: identical registration, nothing left behind",
       CheckLifecycle},
      {"registration-record", "the record's operation slots, tool object, size, kind and version",
       CheckRegistrationRecord},
      {"hostile-arguments",
       "every tool operation answers as contracted under legal but hostile arguments",
       CheckHostileArguments},
      {"undo-discipline",
       "balanced undo groups, every object recorded before its change, exact undo",
       CheckUndoDiscipline},
      {"call-order", "entry point actions out of order answered without reaching the host",
       CheckCallOrder},
      {"binding-watch", "the host tracks the module's states and names calls outside a binding",
       CheckBindingWatch},
      {"random-run", "random commands against random scenes land where the placement model says",
       CheckRandomRun},
  };
  return checks;
}

namespace {

struct Outcome {
  const Check* check;
  CheckResult result;
  double seconds;
};

bool Selected(const ValidationOptions& options, const Check& check) {
  if (options.only.empty()) return true;
  for (const std::string& name : options.only)
    if (name == check.name) return true;
  return false;
}

char Mark(CheckStatus status) {
  switch (status) {
    case CheckStatus::kPassed:
      return '+';
    case CheckStatus::kSkipped:
      return '-';
    default:
      return '!';
  }
}

// How many checks ended each way; a crash is a failure in the count, and each line
// still says which it was.
struct Tally {
  int passed = 0, failed = 0, crashed = 0, skipped = 0;
  int NotPassed() const { return failed + crashed; }
};

Tally Count(const std::vector<Outcome>& outcomes) {
  Tally tally;
  for (const Outcome& outcome : outcomes) {
    switch (outcome.result.status) {
      case CheckStatus::kPassed:
        ++tally.passed;
        break;
      case CheckStatus::kFailed:
        ++tally.failed;
        break;
      case CheckStatus::kCrashed:
        ++tally.crashed;
        break;
      case CheckStatus::kSkipped:
        ++tally.skipped;
        break;
    }
  }
  return tally;
}

void WriteJson(std::ostream& out, const ValidationOptions& options, const CheckContext& context,
               const std::vector<Outcome>& outcomes, const Tally& tally) {
  nlohmann::json document;
  document["plugin"] = options.pluginFolder;
  document["seed"] = context.seed;
  document["repeat"] = context.repeat;
  nlohmann::json checks = nlohmann::json::array();
  for (const Outcome& outcome : outcomes)
    checks.push_back({{"name", outcome.check->name},
                      {"proves", outcome.check->proves},
                      {"status", CheckStatusName(outcome.result.status)},
                      {"reason", outcome.result.reason},
                      {"seconds", outcome.seconds}});
  document["checks"] = checks;
  document["passed"] = tally.passed;
  document["failed"] = tally.NotPassed();
  document["crashed"] = tally.crashed;
  document["skipped"] = tally.skipped;
  out << document.dump(2) << "\n";
}

void WriteLines(std::ostream& out, const CheckContext& context,
                const std::vector<Outcome>& outcomes, const Tally& tally) {
  out << "validating " << context.modulePath << " (seed " << context.seed << ", repeat "
      << context.repeat << ")\n";
  for (const Outcome& outcome : outcomes) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f s", outcome.seconds);
    out << Mark(outcome.result.status) << ' ' << outcome.check->name << ": "
        << CheckStatusName(outcome.result.status) << " (" << seconds << ") - "
        << outcome.result.reason << "\n";
  }
  if (tally.NotPassed() > 0) out << "to repeat: --seed " << context.seed << "\n";
  out << tally.passed << " passed, " << tally.NotPassed() << " failed";
  if (tally.skipped > 0) out << ", " << tally.skipped << " skipped";
  out << "\n";
}

}  // namespace

int RunValidation(const ValidationOptions& options, std::ostream& out) {
  CheckContext context;
  context.pluginFolder = options.pluginFolder;
  context.modulePath = options.pluginFolder + "/" + PluginSession::kDefaultModuleFileName;
  context.seed = options.seed ? *options.seed : std::random_device{}();
  context.repeat = options.repeat;

  std::vector<Outcome> outcomes;
  for (const Check& check : AllChecks()) {
    if (!Selected(options, check)) continue;
    const auto start = std::chrono::steady_clock::now();
    CheckResult result = RunInChildProcess(check, context, options.secondsPerCheck);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    outcomes.push_back({&check, std::move(result), took.count()});
  }
  const Tally tally = Count(outcomes);
  if (options.json)
    WriteJson(out, options, context, outcomes, tally);
  else
    WriteLines(out, context, outcomes, tally);
  return tally.NotPassed() == 0 ? 0 : 1;
}

}  // namespace khost::validator

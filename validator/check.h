#pragma once
// One named check of a plug-in and what it ended as.

#include <cstdint>
#include <string>
#include <vector>

namespace khost::validator {

enum class CheckStatus { kPassed, kFailed, kCrashed, kSkipped };
const char* CheckStatusName(CheckStatus status);

struct CheckResult {
  CheckStatus status = CheckStatus::kPassed;
  std::string reason;

  static CheckResult Passed(std::string reason) {
    return {CheckStatus::kPassed, std::move(reason)};
  }
  static CheckResult Failed(std::string reason) {
    return {CheckStatus::kFailed, std::move(reason)};
  }
  static CheckResult Skipped(std::string reason) {
    return {CheckStatus::kSkipped, std::move(reason)};
  }
};

// What every check gets to work with.
struct CheckContext {
  std::string pluginFolder;
  std::string modulePath;  // pluginFolder + "/kestrum.cdl"
  uint64_t seed = 0;
  int repeat = 3;
};

using CheckFunction = CheckResult (*)(const CheckContext& context);

struct Check {
  const char* name;
  const char* proves;
  CheckFunction run;
};

// Every check, in the order they run.
const std::vector<Check>& AllChecks();

// The checks, one per concern (each defined in its own file).
CheckResult CheckExports(const CheckContext& context);
CheckResult CheckLifecycle(const CheckContext& context);
CheckResult CheckRegistrationRecord(const CheckContext& context);
CheckResult CheckHostileArguments(const CheckContext& context);
CheckResult CheckUndoDiscipline(const CheckContext& context);
CheckResult CheckCallOrder(const CheckContext& context);
CheckResult CheckBindingWatch(const CheckContext& context);
CheckResult CheckRandomRun(const CheckContext& context);

}  // namespace khost::validator

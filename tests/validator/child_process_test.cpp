// Each check runs in a child of its own: what the parent sees when the child passes,
// fails, skips, crashes, exits early or hangs.

#include "child_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <ostream>

namespace {

using khost::validator::Check;
using khost::validator::CheckContext;
using khost::validator::CheckResult;
using khost::validator::CheckStatus;
using khost::validator::RunInChildProcess;

CheckResult PassesWithSeed(const CheckContext& context) {
  return CheckResult::Passed("seed " + std::to_string(context.seed));
}
CheckResult Fails(const CheckContext&) { return CheckResult::Failed("two\nlines"); }
CheckResult Skips(const CheckContext&) { return CheckResult::Skipped("not applicable"); }
CheckResult Segfaults(const CheckContext&) {
  ::raise(SIGSEGV);
  return CheckResult::Passed("unreachable");
}
CheckResult Aborts(const CheckContext&) { std::abort(); }
CheckResult ExitsEarly(const CheckContext&) { ::_exit(3); }
CheckResult Hangs(const CheckContext&) {
  for (;;) ::pause();
}
CheckResult PrintsToStdout(const CheckContext&) {
  std::puts("noise the summary must not show");
  return CheckResult::Passed("quiet");
}
CheckResult LongReason(const CheckContext&) {
  return CheckResult::Failed(std::string(100000, 'x'));
}

// Under AddressSanitizer its own handler reports the fault and exits with status 1.
#if defined(__SANITIZE_ADDRESS__)
constexpr const char* kSegfaultReason = "the check exited with status 1";
#else
constexpr const char* kSegfaultReason = "the check died by signal 11";
#endif

struct Expectation {
  const char* name;
  khost::validator::CheckFunction run;
  CheckStatus status;
  const char* reason;  // expected start of the reason
};
// Names the case when a test fails, instead of dumping its bytes (some of which, in
// padding and strings, were never written).
void PrintTo(const Expectation& value, std::ostream* out) { *out << value.name; }

class ChildProcessTest : public ::testing::TestWithParam<Expectation> {};

TEST_P(ChildProcessTest, ReportsWhatTheChildDid) {
  const Expectation& expected = GetParam();
  CheckContext context;
  context.seed = 77;
  const Check check{expected.name, "", expected.run};
  const CheckResult result = RunInChildProcess(check, context, 2.0);
  EXPECT_EQ(expected.status, result.status) << result.reason;
  EXPECT_EQ(0u, result.reason.rfind(expected.reason, 0)) << result.reason;
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ChildProcessTest,
    ::testing::Values(
        Expectation{"passes", PassesWithSeed, CheckStatus::kPassed, "seed 77"},
        Expectation{"fails", Fails, CheckStatus::kFailed, "two\nlines"},
        Expectation{"skips", Skips, CheckStatus::kSkipped, "not applicable"},
        Expectation{"segfaults", Segfaults, CheckStatus::kCrashed, kSegfaultReason},
        Expectation{"aborts", Aborts, CheckStatus::kCrashed, "the check died by signal 6"},
        Expectation{"exits", ExitsEarly, CheckStatus::kCrashed, "the check exited with status 3"},
        Expectation{"hangs", Hangs, CheckStatus::kFailed, "did not finish within 2 s; killed"},
        Expectation{"prints", PrintsToStdout, CheckStatus::kPassed, "quiet"}),
    [](const ::testing::TestParamInfo<Expectation>& param) {
      return std::string(param.param.name);
    });

TEST(ChildProcess, CutsAnOverlongReasonInsteadOfBlocking) {
  const Check check{"long", "", LongReason};
  const CheckResult result = RunInChildProcess(check, CheckContext{}, 5.0);
  EXPECT_EQ(CheckStatus::kFailed, result.status);
  EXPECT_EQ(3000u, result.reason.size());
}

}  // namespace

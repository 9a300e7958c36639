#pragma once
// Runs one check in a forked child, so that a crash, a hang or a corrupted heap in the
// module cannot take the validator or the other checks with it.

#include "check.h"

namespace khost::validator {

// Runs `check` in a child process with `context`. The child's result travels back over
// a pipe; a child that dies by a signal is kCrashed, one still running after
// `secondsLimit` is killed and reported kFailed.
CheckResult RunInChildProcess(const Check& check, const CheckContext& context, double secondsLimit);

}  // namespace khost::validator

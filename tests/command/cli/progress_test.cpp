// The progress line: drawn on a terminal once a step lasts, wiped at the end; never when
// stderr is not a terminal, in a quiet run, or for a step shorter than the delay.

#include "progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kcommand {
namespace {

// What the line showed of a step, once it was drawn (`drawn`) or at once.
std::string ProgressShown(bool terminal, Verbosity verbosity, std::chrono::milliseconds delay,
                          bool drawn) {
  std::ostringstream out;
  std::ostringstream err;
  Console console(out, err, verbosity, terminal);
  {
    Progress progress(console, delay);
    console.Step("reading big.glb");
    if (drawn) {
      EXPECT_TRUE(progress.WaitUntilDrawn(std::chrono::seconds(30)));
    }
  }
  return err.str();
}

TEST(Progress, DrawnOnATerminalOnlyForWorkThatLasts) {
  using std::chrono::milliseconds;
  const std::string shown = ProgressShown(true, Verbosity::kNormal, milliseconds(50), true);
  EXPECT_TRUE(shown.starts_with("\r\033[Kkestrum: reading big.glb... (")) << shown;
  EXPECT_TRUE(shown.ends_with("\r\033[K")) << shown;
  // Not a terminal, or quiet: there is no line to wait for.
  EXPECT_EQ("", ProgressShown(false, Verbosity::kNormal, milliseconds(0), false));
  EXPECT_EQ("", ProgressShown(false, Verbosity::kVerbose, milliseconds(0), false));
  EXPECT_EQ("", ProgressShown(true, Verbosity::kQuiet, milliseconds(0), false));
  // A step that ends long before the delay.
  EXPECT_EQ("", ProgressShown(true, Verbosity::kNormal, milliseconds(600000), false));
}

TEST(Progress, AnotherLineTakesTheProgressOffFirst) {
  std::ostringstream out;
  std::ostringstream err;
  Console console(out, err, Verbosity::kNormal, true);
  Progress progress(console, std::chrono::milliseconds(0));
  console.Step("aligning");
  ASSERT_TRUE(progress.WaitUntilDrawn(std::chrono::seconds(30)));
  console.Note() << "a note\n";
  EXPECT_TRUE(err.str().ends_with("\r\033[Ka note\n")) << err.str();
}

}  // namespace
}  // namespace kcommand

// The progress line: drawn on a terminal once a step lasts, wiped at the end; never when
// stderr is not a terminal, in a quiet run, or for a step shorter than the delay.

#include "progress.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

namespace kcommand {
namespace {

std::string ProgressShown(bool terminal, Verbosity verbosity, std::chrono::milliseconds delay) {
  std::ostringstream out;
  std::ostringstream err;
  Console console(out, err, verbosity, terminal);
  {
    const Progress progress(console, delay);
    console.Step("reading big.glb");
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
  }
  return err.str();
}

TEST(Progress, DrawnOnATerminalOnlyForWorkThatLasts) {
  using std::chrono::milliseconds;
  const std::string shown = ProgressShown(true, Verbosity::kNormal, milliseconds(50));
  EXPECT_TRUE(shown.starts_with("\r\033[Kkestrum: reading big.glb... (")) << shown;
  EXPECT_TRUE(shown.ends_with("\r\033[K")) << shown;
  EXPECT_EQ("", ProgressShown(false, Verbosity::kNormal, milliseconds(50)));
  EXPECT_EQ("", ProgressShown(false, Verbosity::kVerbose, milliseconds(50)));
  EXPECT_EQ("", ProgressShown(true, Verbosity::kQuiet, milliseconds(50)));
  EXPECT_EQ("", ProgressShown(true, Verbosity::kNormal, milliseconds(10000)));
}

TEST(Progress, AnotherLineTakesTheProgressOffFirst) {
  std::ostringstream out;
  std::ostringstream err;
  Console console(out, err, Verbosity::kNormal, true);
  const Progress progress(console, std::chrono::milliseconds(0));
  console.Step("aligning");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  console.Note() << "a note\n";
  EXPECT_TRUE(err.str().ends_with("\r\033[Ka note\n")) << err.str();
}

}  // namespace
}  // namespace kcommand

#pragma once
// A progress line for long work: drawn on stderr only when it is a terminal (never on a
// pipe or in a file) and the run is not quiet, only once a step has lasted about a
// second, redrawn with the time so far, and wiped when the work ends or the console
// writes another line to stderr.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "console.h"

namespace kcommand {

class Progress {
 public:
  explicit Progress(Console& console,
                    std::chrono::milliseconds delay = std::chrono::milliseconds(1000));
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // What the work is doing now ("reading big.glb"); its time counts from here.
  void Step(const std::string& what);
  // Takes the line off the terminal for a line the console writes; drawn again later.
  void Wipe();
  // Waits until the line has been drawn at least once, `timeout` at the most; whether it
  // was. For whoever must know the line is up before writing beside it.
  bool WaitUntilDrawn(std::chrono::milliseconds timeout);

 private:
  void Draw();  // on the drawing thread, with mutex_ held

  Console& console_;
  std::ostream& terminal_;
  const std::chrono::milliseconds delay_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable drawnOnce_;
  bool everDrawn_ = false;
  std::string step_;
  std::chrono::steady_clock::time_point stepStart_;
  std::chrono::steady_clock::time_point wiped_;
  bool drawn_ = false;
  bool stop_ = false;
  std::thread drawing_;
};

}  // namespace kcommand

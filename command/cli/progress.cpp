#include "progress.h"

#include <cstdio>

namespace kcommand {

namespace {
using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kRedraw(200);
}  // namespace

Progress::Progress(Console& console, std::chrono::milliseconds delay)
    : console_(console), terminal_(console.Error()), delay_(delay), stepStart_(Clock::now()) {
  if (!console_.ShowsProgress()) return;
  console_.SetProgress(this);
  drawing_ = std::thread([this] {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
      wake_.wait_for(lock, kRedraw);
      if (stop_) break;
      const Clock::time_point now = Clock::now();
      // Not over a line the console has just written, and only for a step that lasts.
      if (!step_.empty() && now - stepStart_ >= delay_ && now - wiped_ >= kRedraw) Draw();
    }
  });
}

Progress::~Progress() {
  if (!drawing_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  drawing_.join();
  console_.SetProgress(nullptr);
  Wipe();
}

void Progress::Step(const std::string& what) {
  std::lock_guard<std::mutex> lock(mutex_);
  step_ = what;
  stepStart_ = Clock::now();
}

void Progress::Wipe() {
  std::lock_guard<std::mutex> lock(mutex_);
  wiped_ = Clock::now();
  if (!drawn_) return;
  terminal_ << "\r\033[K" << std::flush;
  drawn_ = false;
}

void Progress::Draw() {
  const double seconds = std::chrono::duration<double>(Clock::now() - stepStart_).count();
  char time[32];
  std::snprintf(time, sizeof time, " (%.0f s)", seconds);
  terminal_ << "\r\033[Kkestrum: " << step_ << "..." << time << std::flush;
  drawn_ = true;
  everDrawn_ = true;
  drawnOnce_.notify_all();
}

bool Progress::WaitUntilDrawn(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return drawnOnce_.wait_for(lock, timeout, [this] { return everDrawn_; });
}

}  // namespace kcommand

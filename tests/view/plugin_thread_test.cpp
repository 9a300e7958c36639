// The plug-in thread: every task runs on the one thread, one at a time, and a task's
// exception reaches the caller that handed it over.

#include "plugin_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kcommand {
namespace {

TEST(PluginThread, RunsEveryTaskOnOneThreadInOrderAndPassesExceptionsOn) {
  PluginThread thread;
  const std::thread::id first = thread.Run([] { return std::this_thread::get_id(); });
  EXPECT_NE(std::this_thread::get_id(), first);

  // Callers on several threads at once: never two tasks at a time, never another thread.
  std::atomic<int> running{0};
  std::atomic<int> mostAtOnce{0};
  std::atomic<int> elsewhere{0};
  std::vector<std::thread> callers;
  for (int caller = 0; caller < 4; ++caller)
    callers.emplace_back([&] {
      for (int i = 0; i < 50; ++i)
        thread.Run([&] {
          if (std::this_thread::get_id() != first) ++elsewhere;
          const int now = ++running;
          if (now > mostAtOnce) mostAtOnce = now;
          std::this_thread::yield();
          --running;
        });
    });
  for (std::thread& caller : callers) caller.join();
  EXPECT_EQ(1, mostAtOnce.load());
  EXPECT_EQ(0, elsewhere.load());

  EXPECT_THROW(thread.Run([]() -> int { throw std::runtime_error("refused"); }),
               std::runtime_error);
  EXPECT_EQ(7, thread.Run([] { return 7; }));
}

}  // namespace
}  // namespace kcommand

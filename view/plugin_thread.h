#pragma once
// The one thread every call into the host and the plug-in runs on. Callers on any
// thread hand it tasks and wait for their results; tasks run one at a time in the
// order they arrived, so the plug-in sees the calls a single host thread would make.

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <type_traits>

namespace kcommand {

class PluginThread {
 public:
  PluginThread();
  // Runs the tasks already queued, then stops.
  ~PluginThread();
  PluginThread(const PluginThread&) = delete;
  PluginThread& operator=(const PluginThread&) = delete;

  // Runs `task` on the plug-in thread and returns its result; an exception it throws
  // is thrown here.
  template <typename Task>
  std::invoke_result_t<Task> Run(Task task) {
    std::packaged_task<std::invoke_result_t<Task>()> packaged(std::move(task));
    auto result = packaged.get_future();
    // The caller waits below, so the queue may hold a reference to the task.
    Post([&packaged] { packaged(); });
    return result.get();
  }

 private:
  void Post(std::function<void()> task);
  void Loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace kcommand

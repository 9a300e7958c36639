#pragma once
// A record of host calls made by the module, in order: operation name and a short
// text of its arguments. Off by default (it costs time); tests that check call order
// switch it on.

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace khost {

class CallTrace {
 public:
  // `switched` runs after every Enable, so that the owner can route calls past the trace
  // while it is off.
  explicit CallTrace(std::function<void()> switched = {}) : switched_(std::move(switched)) {}
  void Enable(bool on) {
    enabled_ = on;
    if (switched_) switched_();
  }
  bool Enabled() const { return enabled_; }
  void Record(const char* operation, std::string arguments = {}) {
    if (enabled_)
      calls_.push_back(std::string(operation) + (arguments.empty() ? "" : "(" + arguments + ")"));
  }
  const std::vector<std::string>& Calls() const { return calls_; }
  // The recorded calls whose operation name is one of the given ones.
  std::vector<std::string> Only(const std::vector<std::string>& operations) const;
  void Clear() { calls_.clear(); }

 private:
  std::function<void()> switched_;
  bool enabled_ = false;
  std::vector<std::string> calls_;
};

}  // namespace khost

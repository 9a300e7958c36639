#pragma once
// A record of host calls made by the module, in order: operation name and a short
// text of its arguments. Off by default (it costs time); tests that check call order
// switch it on.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "c4d_host_abi.h"

namespace khost {

// One value an object operation of the module read or wrote through the host, exactly
// as it passed: what the tool saw and set, for explaining a placement afterwards.
struct ObjectValue {
  // The operation's name, as in the call table (static text).
  const char* operation;
  HostObject* object;
  bool written;  // false: read
  // The vector read or written (position, rotation, half sizes), or the matrix.
  HostVector vector;
  HostMatrix matrix;
  // For a write: the object's world matrix just before and just after it.
  HostMatrix worldBefore;
  HostMatrix worldAfter;
};

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
  // The values of the object operations (positions, rotations, matrices, half sizes)
  // recorded beside the calls while the trace is on, in call order.
  void RecordValue(const ObjectValue& value) {
    if (enabled_) values_.push_back(value);
  }
  const std::vector<ObjectValue>& Values() const { return values_; }
  // The recorded calls whose operation name is one of the given ones.
  std::vector<std::string> Only(const std::vector<std::string>& operations) const;
  void Clear() {
    calls_.clear();
    values_.clear();
  }

 private:
  std::function<void()> switched_;
  bool enabled_ = false;
  std::vector<std::string> calls_;
  std::vector<ObjectValue> values_;
};

}  // namespace khost

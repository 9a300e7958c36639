#pragma once
// What the host noticed the module doing wrong: calls out of order, values freed twice
// or used after free, blocks it never handed out, undo groups left open. The host
// records and carries on instead of crashing; tests and the command read the list.

#include <string>
#include <vector>

namespace khost {

class MisuseLog {
 public:
  void Report(std::string what);
  const std::vector<std::string>& Entries() const { return entries_; }
  bool Empty() const { return entries_.empty(); }
  void Clear() { entries_.clear(); }
  // True when some entry contains the given text.
  bool Mentions(const std::string& text) const;

 private:
  std::vector<std::string> entries_;
};

// Reports to the live host's log, or to stderr when no host is alive (a value outliving
// its host).
void ReportMisuse(std::string what);

}  // namespace khost

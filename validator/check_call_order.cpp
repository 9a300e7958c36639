// A host that drives the entry point out of order must not crash the module: actions
// that would reach an unbound host answer without calling it, and the answers are the
// ones the entry point's contract gives.

#include "check.h"
#include "check_support.h"

namespace khost::validator {
namespace {

struct RawCall {
  const char* what;
  int32_t action;
  intptr_t p1;
  int32_t expected;
  bool mayCallHost;
};

void* AsPointer(intptr_t value) { return reinterpret_cast<void*>(value); }

}  // namespace

CheckResult CheckCallOrder(const CheckContext& context) {
  Host host;
  host.ReportCallsOutsideBinding(true);
  host.trace().Enable(true);
  ModuleLoader loader(host);
  std::vector<std::string> problems;

  // A fresh load, never bound: nothing here may reach the host.
  const RawCall unbound[] = {
      {"start before bind", kActionStart, 0, 0, false},
      {"message 1 before bind", kActionMessage, 1, -1, false},
      {"message 0 before bind", kActionMessage, 0, 1, false},
      {"action 4 before bind", kActionQueryVersion, 0, 5, false},
      {"action 0", 0, 0, -1, false},
      {"action 5", 5, 0, -1, false},
      {"action 7", 7, 0, -1, false},
      {"action -1", -1, 0, -1, false},
      {"end without bind", kActionEnd, 0, 1, false},
  };
  if (!loader.Load(context.modulePath)) return CheckResult::Failed(loader.Error());
  for (const RawCall& call : unbound) {
    host.trace().Clear();
    const int32_t answer = loader.Call(call.action, AsPointer(call.p1), nullptr, nullptr);
    if (answer != call.expected)
      problems.push_back(std::string(call.what) + " answered " + std::to_string(answer) +
                         ", expected " + std::to_string(call.expected));
    if (!host.trace().Calls().empty())
      problems.push_back(std::string(call.what) +
                         " called the host: " + JoinLines(host.trace().Calls(), 3));
  }
  LeakCheck leaks = loader.Unload();
  for (const std::string& line : leaks.Lines())
    problems.push_back("unbound run left behind: " + line);

  // Bound twice, ended twice: only the outer pair does the work.
  if (!loader.Load(context.modulePath)) return CheckResult::Failed(loader.Error());
  const auto expect = [&](const char* what, int32_t answer, int32_t expected) {
    if (answer != expected)
      problems.push_back(std::string(what) + " answered " + std::to_string(answer) + ", expected " +
                         std::to_string(expected));
  };
  expect("bind", loader.Bind(), 1);
  expect("second bind", loader.Call(kActionBind, nullptr, nullptr, nullptr), 1);
  expect("message 2", loader.Message(2, nullptr), -1);
  expect("message -1", loader.Message(-1, nullptr), -1);
  expect("message 1", loader.Message(kPluginMessageLoadResources, nullptr), 1);
  expect("second message 1", loader.Message(kPluginMessageLoadResources, nullptr), 1);
  host.trace().Clear();
  expect("inner end", loader.Call(kActionEnd, nullptr, nullptr, nullptr), 1);
  if (!host.trace().Calls().empty())
    problems.push_back("inner end (count 2 to 1) called the host: " +
                       JoinLines(host.trace().Calls(), 3));
  expect("outer end", loader.End(), 1);
  leaks = loader.Unload();
  for (const std::string& line : leaks.Lines())
    problems.push_back("nested run left behind: " + line);
  for (const std::string& entry : host.misuse().Entries()) problems.push_back("misuse: " + entry);

  if (!problems.empty()) return CheckResult::Failed(JoinLines(problems));
  return CheckResult::Passed(
      "start, message and end out of order answered as contracted, "
      "without reaching the host");
}

}  // namespace khost::validator

// A host loads and unloads a plug-in many times in one session: every cycle must
// register the same tool and leave nothing behind.

#include "bitmaps.h"
#include "check.h"
#include "check_support.h"
#include "kestrum_settings.h"
#include "plugins.h"

namespace khost::validator {
namespace {

// What a registration looks like from the host's side, without the addresses that
// may legitimately move from one load to the next.
struct RegistrationPrint {
  int32_t id = 0;
  int32_t info = 0;
  std::string name;
  std::string help;
  int32_t iconWidth = 0;
  int32_t iconHeight = 0;
  std::vector<uint8_t> iconPixels;
  std::string slotPattern;  // per record slot: '1' filled, '0' empty

  bool operator==(const RegistrationPrint&) const = default;
};

RegistrationPrint PrintOf(const RegisteredTool& tool) {
  RegistrationPrint print{tool.id,        tool.Info(),     tool.name,       tool.help,
                          tool.iconWidth, tool.iconHeight, tool.iconPixels, {}};
  const auto* slots = reinterpret_cast<const HostSlot*>(&tool.record);
  for (int i = 0; i < kRegistrationRecordSlots; ++i) print.slotPattern += slots[i].raw ? '1' : '0';
  return print;
}

std::string Differences(const RegistrationPrint& first, const RegistrationPrint& now) {
  std::vector<std::string> lines;
  if (first.name != now.name)
    lines.push_back("name \"" + first.name + "\" became \"" + now.name + "\"");
  if (first.help != now.help) lines.push_back("help text changed");
  if (first.info != now.info) lines.push_back("info word changed");
  if (first.iconWidth != now.iconWidth || first.iconHeight != now.iconHeight ||
      first.iconPixels != now.iconPixels)
    lines.push_back("icon changed");
  if (first.slotPattern != now.slotPattern)
    lines.push_back("filled record slots " + first.slotPattern + " became " + now.slotPattern);
  return JoinLines(lines);
}

}  // namespace

CheckResult CheckLifecycle(const CheckContext& context) {
  Host host;
  host.ReportCallsOutsideBinding(true);
  ModuleLoader loader(host);
  std::optional<RegistrationPrint> first;
  const int cycles = context.repeat < 1 ? 1 : context.repeat;
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    const std::string at = "cycle " + std::to_string(cycle) + ": ";
    if (!loader.Load(context.modulePath)) return CheckResult::Failed(at + loader.Error());
    if (const int32_t bound = loader.Bind(); bound != 1)
      return CheckResult::Failed(at + "bind answered " + std::to_string(bound));
    if (const int32_t loaded = loader.Message(kPluginMessageLoadResources, nullptr); loaded != 1)
      return CheckResult::Failed(at + "message 1 answered " + std::to_string(loaded) +
                                 " (resources not loaded)");
    if (const int32_t started = loader.Start(); started != 1)
      return CheckResult::Failed(at + "start answered " + std::to_string(started));
    const RegisteredTool* tool = host.plugins().Tool(KESTRUM_PLUGIN_ID);
    if (tool == nullptr || host.plugins().ToolCount() != 1)
      return CheckResult::Failed(at + "expected exactly one tool " +
                                 std::to_string(KESTRUM_PLUGIN_ID) + ", the host holds " +
                                 std::to_string(host.plugins().ToolCount()));
    const RegistrationPrint print = PrintOf(*tool);
    if (!first) first = print;
    if (!(print == *first))
      return CheckResult::Failed(
          at + "registration differs from cycle 1: " + Differences(*first, print));
    host.plugins().DisposeTools();
    if (const int32_t ended = loader.End(); ended != 1)
      return CheckResult::Failed(at + "end answered " + std::to_string(ended));
    const LeakCheck leaks = loader.Unload();
    if (loader.State() != ModuleState::kUnloaded)
      return CheckResult::Failed(at + "the host lost track: state is " +
                                 ModuleStateName(loader.State()));
    const std::vector<std::string> left = leaks.Lines();
    if (!left.empty()) return CheckResult::Failed(at + "left behind: " + JoinLines(left));
    if (!host.misuse().Empty()) return CheckResult::Failed(at + "misuse: " + MisuseText(host));
  }
  return CheckResult::Passed(std::to_string(cycles) +
                             " load-to-unload cycles, identical registration, nothing left behind");
}

}  // namespace khost::validator

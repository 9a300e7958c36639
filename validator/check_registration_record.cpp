// The record the module hands over with its registration: the host calls through its
// slots blindly, so every operation slot must be filled and every reserved one empty,
// and the registration call must carry the interface version, kind and size the host
// expects.

#include <cinttypes>

#include "check.h"
#include "check_support.h"
#include "kestrum_settings.h"
#include "plugins.h"

namespace khost::validator {
namespace {

// Slots by meaning: 0 info, 1 dispose, 8 tool object, 16 help text, 17 icon, 18..37
// operations; everything else reserved.
bool IsOperationSlot(int slot) { return slot == 1 || (slot >= 18 && slot <= 37); }
bool IsReservedSlot(int slot) {
  return (slot >= 2 && slot <= 7) || (slot >= 9 && slot <= 15) || slot >= 38;
}

}  // namespace

CheckResult CheckRegistrationRecord(const CheckContext& context) {
  OpenPlugin plugin(context, false, true);
  if (!plugin.Error().empty()) return CheckResult::Failed(plugin.Error());
  std::vector<std::string> problems;

  // The name is whatever the plug-in's strings say; the other arguments are fixed.
  const RegisteredTool* registered = plugin.session.Tool();
  const std::string expectedCall =
      "HostRegisterPlugin(" + std::to_string(kHostInterfaceVersion) + ", " +
      std::to_string(kPluginKindTool) + ", " + std::to_string(KESTRUM_PLUGIN_ID) + ", \"" +
      (registered ? registered->name : std::string("?")) + "\", data, " +
      std::to_string(sizeof(ToolRegistrationSlots)) + ")";
  const std::vector<std::string> calls = plugin.host.trace().Only({"HostRegisterPlugin"});
  if (calls.size() != 1)
    problems.push_back("expected one registration call, saw " + std::to_string(calls.size()));
  else if (calls.front() != expectedCall)
    problems.push_back("registration call was " + calls.front() + ", expected " + expectedCall);

  const RegisteredTool* tool = plugin.session.Tool();
  if (tool == nullptr) return CheckResult::Failed("no tool registered");
  const auto* slots = reinterpret_cast<const HostSlot*>(&tool->record);
  if (tool->Info() != 0)
    problems.push_back("info word is " + std::to_string(tool->Info()) + ", expected 0");
  if (tool->ToolObject() == nullptr) problems.push_back("tool object (slot 8) is null");
  if (tool->record.helpText.raw == 0) problems.push_back("help text (slot 16) is null");
  for (int slot = 0; slot < kRegistrationRecordSlots; ++slot) {
    if (IsOperationSlot(slot) && slots[slot].raw == 0)
      problems.push_back("operation slot " + std::to_string(slot) + " is null");
    if (IsReservedSlot(slot) && slots[slot].raw != 0)
      problems.push_back("reserved slot " + std::to_string(slot) + " is not zero");
  }
  if (tool->name.empty()) problems.push_back("the tool's name is empty");
  if (tool->iconWidth == 0)
    problems.push_back("registered without an icon (res/kestrum.tif not loaded)");

  for (const std::string& line : plugin.Close()) problems.push_back(line);
  if (!problems.empty()) return CheckResult::Failed(JoinLines(problems));
  return CheckResult::Passed(
      "version, kind, id and size as expected; 21 operation slots filled, "
      "reserved slots zero");
}

}  // namespace khost::validator

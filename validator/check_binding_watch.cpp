// The host follows the module through its states and names every host call that
// arrives while no binding is in force, here a tool operation run after the end.

#include "check.h"
#include "check_support.h"
#include "containers.h"
#include "kestrum_settings.h"
#include "plugins.h"

namespace khost::validator {

CheckResult CheckBindingWatch(const CheckContext& context) {
  Host host;
  host.ReportCallsOutsideBinding(true);
  ModuleLoader loader(host);
  std::vector<std::string> problems;
  std::string states;
  const auto note = [&] {
    states += std::string(states.empty() ? "" : " -> ") + ModuleStateName(loader.State());
  };
  note();
  if (!loader.Load(context.modulePath)) return CheckResult::Failed(loader.Error());
  note();
  loader.Bind();
  note();
  loader.Message(kPluginMessageLoadResources, nullptr);
  loader.Start();
  note();
  if (!host.misuse().Empty()) problems.push_back("misuse while bound: " + MisuseText(host));
  const RegisteredTool* tool = host.plugins().Tool(KESTRUM_PLUGIN_ID);
  if (tool == nullptr) return CheckResult::Failed("no tool registered");
  loader.End();
  note();

  // The host keeps the tool object; a careless host (or a module keeping work for later)
  // reaches the module after its end.
  HostContainer* container = host.containers().Create();
  tool->Operation<WriteDefaultSettingsFunction> (&ToolRegistrationSlots::writeDefaultSettings)(
      tool->ToolObject(), nullptr, container);
  host.containers().Destroy(container);
  if (!host.misuse().Mentions("ContainerSetInt: host call outside a binding"))
    problems.push_back(
        "a settings write after the end was not named as outside a binding (misuse log: " +
        MisuseText(host) + ")");
  host.misuse().Clear();
  host.plugins().DisposeTools();
  host.misuse().Clear();
  loader.Unload();
  note();
  const std::string expected = "not loaded -> loaded -> bound -> started -> ended -> unloaded";
  if (states != expected) problems.push_back("states were " + states + ", expected " + expected);
  if (!problems.empty()) return CheckResult::Failed(JoinLines(problems));
  return CheckResult::Passed("states " + expected + "; a call after the end was named");
}

}  // namespace khost::validator

// Every tool operation, reached through the registration record as a host would, with
// arguments a host may legally pass but a careless module trips over: no document, no
// settings written yet, empty or dangling links, unknown message types and command ids,
// description ids without levels. Each answer is compared with the tool's contract and
// the host must see no misuse.

#include <cstring>
#include <functional>

#include "check.h"
#include "check_support.h"
#include "containers.h"
#include "description_ids.h"
#include "kestrum_settings.h"
#include "plugins.h"
#include "scene.h"
#include "user_interface.h"

namespace khost::validator {
namespace {

struct Case {
  const char* name;
  // The operation's answer, or what it did, as text.
  std::function<std::string(OpenPlugin&)> run;
  const char* expected;
};

template <typename Function>
Function Slot(OpenPlugin& plugin, HostSlot ToolRegistrationSlots::*slot) {
  return plugin.session.Tool()->Operation<Function>(slot);
}

void* Tool(OpenPlugin& plugin) { return plugin.session.Tool()->ToolObject(); }

std::string Number(int32_t value) { return std::to_string(value); }

int32_t Control(OpenPlugin& plugin, HostContainer* container, int32_t id) {
  DescriptionCommand control = MakeButtonCommand(id);
  return Slot<IsControlEnabledFunction>(plugin, &ToolRegistrationSlots::isControlEnabled)(
      Tool(plugin), 0, container, &control.id, 0, 0, 0);
}

// A message's answer plus whether it changed the scene or showed anything.
std::string MessageEffect(OpenPlugin& plugin, HostDocument* document, HostContainer* container,
                          int32_t type, void* data) {
  HostObject* cube = plugin.host.scene().FindByName(plugin.document, "Cube");
  const HostMatrix before = plugin.host.scene().WorldMatrix(cube);
  const size_t steps = plugin.host.scene().UndoSteps(plugin.document);
  const size_t shown = plugin.host.ui().Messages().size() + plugin.host.ui().OpenedFiles().size();
  const int32_t answer =
      Slot<MessageHandlerFunction>(plugin, &ToolRegistrationSlots::messageHandler)(
          Tool(plugin), document, container, type, data);
  std::string effect = Number(answer);
  const HostMatrix after = plugin.host.scene().WorldMatrix(cube);
  if (std::memcmp(&before, &after, sizeof before) != 0) effect += ", moved Cube";
  if (plugin.host.scene().UndoSteps(plugin.document) != steps) effect += ", made an undo step";
  if (plugin.host.ui().Messages().size() + plugin.host.ui().OpenedFiles().size() != shown)
    effect += ", showed something";
  return effect;
}

std::string Press(OpenPlugin& plugin, HostDocument* document, HostContainer* container,
                  int32_t button) {
  DescriptionCommand command = MakeButtonCommand(button);
  return MessageEffect(plugin, document, container, kMessageDescriptionCommand, &command);
}

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"ToolHookA(0, 0, 0)",
       [](OpenPlugin& p) {
         return Number(
             Slot<ToolHookAFunction>(p, &ToolRegistrationSlots::toolHookA)(Tool(p), 0, 0, 0));
       },
       "1"},
      {"ToolHookC(-1)",
       [](OpenPlugin& p) {
         return Number(Slot<ToolHookCFunction>(p, &ToolRegistrationSlots::toolHookC)(Tool(p), -1));
       },
       "-1"},
      {"ToolHookD(0 x5)",
       [](OpenPlugin& p) {
         return Number(
             Slot<ToolHookDFunction>(p, &ToolRegistrationSlots::toolHookD)(Tool(p), 0, 0, 0, 0, 0));
       },
       "1"},
      {"ToolHookE(0 x5)",
       [](OpenPlugin& p) {
         return Number(
             Slot<ToolHookEFunction>(p, &ToolRegistrationSlots::toolHookE)(Tool(p), 0, 0, 0, 0, 0));
       },
       "0"},
      {"ToolHookF(7)",
       [](OpenPlugin& p) {
         return Number(Slot<ToolHookFFunction>(p, &ToolRegistrationSlots::toolHookF)(Tool(p), 7));
       },
       "1073741824"},
      {"ToolHookG(0 x8)",
       [](OpenPlugin& p) {
         return Number(Slot<ToolHookGFunction>(p, &ToolRegistrationSlots::toolHookG)(
             Tool(p), 0, 0, 0, 0, 0, 0, 0, 0));
       },
       "0"},
      {"ToolHookH(0 x6)",
       [](OpenPlugin& p) {
         return Number(Slot<ToolHookHFunction>(p, &ToolRegistrationSlots::toolHookH)(Tool(p), 0, 0,
                                                                                     0, 0, 0, 0));
       },
       "2"},
      {"ToolHookI(0 x4)",
       [](OpenPlugin& p) {
         return Number(
             Slot<ToolHookIFunction>(p, &ToolRegistrationSlots::toolHookI)(Tool(p), 0, 0, 0, 0));
       },
       "0"},
      {"ToolHookK(0 x6)",
       [](OpenPlugin& p) {
         return Number(Slot<ToolHookKFunction>(p, &ToolRegistrationSlots::toolHookK)(Tool(p), 0, 0,
                                                                                     0, 0, 0, 0));
       },
       "1"},
      {"ToolHookJ()",
       [](OpenPlugin& p) {
         Slot<ToolHookJFunction>(p, &ToolRegistrationSlots::toolHookJ)(Tool(p));
         return std::string("returned");
       },
       "returned"},
      {"ConnectAttachment with no host context",
       [](OpenPlugin& p) {
         return Number(Slot<ConnectAttachmentFunction>(
             p, &ToolRegistrationSlots::connectAttachment)(Tool(p), 1, nullptr, 0));
       },
       "0"},
      {"ConnectAttachment with a context",
       [](OpenPlugin& p) {
         int context = 0;
         return Number(Slot<ConnectAttachmentFunction>(
             p, &ToolRegistrationSlots::connectAttachment)(Tool(p), 5, &context, 3));
       },
       "0"},
      {"ReleaseAttachment of a handle never given out",
       [](OpenPlugin& p) {
         Slot<ReleaseAttachmentFunction>(p, &ToolRegistrationSlots::releaseAttachment)(Tool(p),
                                                                                       12345);
         return Number(static_cast<int32_t>(p.host.plugins().LiveAttachments()));
       },
       "0"},
      {"DescriptionHookA with flags 1, then 3",
       [](OpenPlugin& p) {
         int32_t one = 1, three = 3;
         auto hook = Slot<DescriptionHookAFunction>(p, &ToolRegistrationSlots::descriptionHookA);
         return Number(hook(Tool(p), 0, 0, 0, 0, &one)) + " " +
                Number(hook(Tool(p), 0, 0, 0, 0, &three));
       },
       "0 1"},
      {"DescriptionHookB with flags 0, then 2",
       [](OpenPlugin& p) {
         int32_t zero = 0, two = 2;
         auto hook = Slot<DescriptionHookBFunction>(p, &ToolRegistrationSlots::descriptionHookB);
         return Number(hook(Tool(p), 0, 0, 0, 0, &zero)) + " " +
                Number(hook(Tool(p), 0, 0, 0, 0, &two));
       },
       "0 1"},
      {"FillDescription of a fresh description, flags 0",
       [](OpenPlugin& p) {
         HostDescription* description = p.host.plugins().NewDescription();
         int32_t flags = 0;
         const int32_t answer = Slot<FillDescriptionFunction>(
             p, &ToolRegistrationSlots::fillDescription)(Tool(p), 0, 0, description, &flags);
         const Description* filled = p.host.plugins().DescriptionOf(description);
         const std::string text = Number(answer) + " flags " + Number(flags) + " for " +
                                  Number(filled && filled->Loaded() ? filled->PluginId() : 0);
         p.host.plugins().FreeDescription(description);
         return text;
       },
       "1 flags 2 for 1029646"},
      {"DescriptionResourceName", [](OpenPlugin& p) { return p.session.DescriptionResourceName(); },
       "Kestrum"},
      {"WriteDefaultSettings with no document into an empty container",
       [](OpenPlugin& p) {
         HostContainer* container = p.host.containers().Create();
         p.session.WriteDefaultSettings(nullptr, container);
         std::string text;
         for (const auto& [id, entry] : p.host.containers().Entries(container))
           text += Number(id) + "=" +
                   (entry.kind == Containers::Kind::kBool ? (entry.truth ? "true" : "false")
                                                          : Number(entry.integer)) +
                   " ";
         p.host.containers().Destroy(container);
         return text;
       },
       "705=false 10004=10005 10009=10010 10012=10013 10017=10018 10020=10021 10025=10026 "},
      {"IsControlEnabled(704) with 705 set, before and after ToolHookB",
       [](OpenPlugin& p) {
         HostContainer* container = p.host.containers().Create();
         p.host.containers().SetInt(container, HOST_FLAG_AUTO_COMMAND, 1);
         const int32_t before = Control(p, container, HOST_COMMAND_ALIGN_OBJECT);
         const int32_t other = Control(p, container, ALIGN_SELECTED);
         Slot<ToolHookBFunction>(p, &ToolRegistrationSlots::toolHookB)(Tool(p), 0, 0);
         const int32_t after = Control(p, container, HOST_COMMAND_ALIGN_OBJECT);
         p.host.containers().Destroy(container);
         return Number(before) + " " + Number(other) + " " + Number(after);
       },
       "0 1 1"},
      {"IsControlEnabled(704) with absent settings",
       [](OpenPlugin& p) {
         HostContainer* container = p.host.containers().Create();
         const int32_t answer = Control(p, container, HOST_COMMAND_ALIGN_OBJECT);
         p.host.containers().Destroy(container);
         return Number(answer);
       },
       "1"},
      {"message types 0, -1 and 999 with no data",
       [](OpenPlugin& p) {
         return MessageEffect(p, p.document, p.settings, 0, nullptr) + " | " +
                MessageEffect(p, p.document, p.settings, -1, nullptr) + " | " +
                MessageEffect(p, p.document, p.settings, 999, nullptr);
       },
       "1 | 1 | 1"},
      {"command message whose id has no levels",
       [](OpenPlugin& p) {
         DescriptionCommand empty{};
         return MessageEffect(p, p.document, p.settings, kMessageDescriptionCommand, &empty);
       },
       "1"},
      {"unknown command ids 0, -7, 703, 10002, 99999",
       [](OpenPlugin& p) {
         std::string text;
         for (int32_t id : {0, -7, 703, 10002, 99999})
           text += Press(p, p.document, p.settings, id) + " ";
         return text;
       },
       "1 1 1 1 1 "},
      {"align commands with no document",
       [](OpenPlugin& p) {
         return Press(p, nullptr, p.settings, ALIGN_SELECTED) + " | " +
                Press(p, nullptr, p.settings, HOST_COMMAND_ALIGN_OBJECT);
       },
       "1 | 1"},
      {"align commands with empty links",
       [](OpenPlugin& p) {
         HostContainer* container = p.host.containers().Create();
         p.session.WriteDefaultSettings(p.document, container);
         p.host.containers().SetInt(container, ALIGN_X_MODE, ALIGN_X_MODE_PLUS);
         const std::string text = Press(p, p.document, container, ALIGN_SELECTED) + " | " +
                                  Press(p, p.document, container, HOST_COMMAND_ALIGN_OBJECT_ALT) +
                                  " | " +
                                  Press(p, p.document, container, HOST_COMMAND_ALIGN_OBJECT);
         p.host.containers().Destroy(container);
         return text;
       },
       "1 | 1 | 1"},
      {"align commands linked to a deleted object",
       [](OpenPlugin& p) {
         HostObject* gone = p.host.scene().NewObject(p.document, "Gone");
         const ObjectId goneId = p.host.scene().IdOf(gone);
         p.host.scene().DeleteObject(gone);
         HostContainer* container = p.host.containers().Create();
         p.session.WriteDefaultSettings(p.document, container);
         p.host.containers().SetInt(container, ALIGN_Y_MODE, ALIGN_Y_MODE_CENTER);
         p.host.containers().SetLink(container, ALIGN_REFERENCE, goneId);
         p.host.containers().SetLink(
             container, ALIGN_OBJECT,
             p.host.scene().IdOf(p.host.scene().FindByName(p.document, "Cube")));
         const std::string text = Press(p, p.document, container, ALIGN_SELECTED) + " | " +
                                  Press(p, p.document, container, HOST_COMMAND_ALIGN_OBJECT);
         p.host.containers().Destroy(container);
         return text;
       },
       "1 | 1"},
      {"align commands with absent settings (modes read as 0)",
       [](OpenPlugin& p) {
         HostContainer* container = p.host.containers().Create();
         HostObject* cube = p.host.scene().FindByName(p.document, "Cube");
         p.host.containers().SetLink(container, ALIGN_REFERENCE, p.host.scene().IdOf(cube));
         p.host.containers().SetLink(container, ALIGN_OBJECT, p.host.scene().IdOf(cube));
         // A mode of 0 is not "none": the finish runs and the undo step is made, but a
         // cube with no rotation, unit scale, at the origin, squared, stays where it is.
         const std::string text = Press(p, p.document, container, HOST_COMMAND_ALIGN_OBJECT);
         p.host.containers().Destroy(container);
         return text;
       },
       "1, made an undo step"},
      {"help and reset with no document and absent settings",
       [](OpenPlugin& p) {
         HostContainer* container = p.host.containers().Create();
         const std::string answer = Press(p, nullptr, container, HOST_COMMAND_RESET);
         const std::string text =
             answer + " " +
             Number(static_cast<int32_t>(p.host.containers().Entries(container).size()));
         p.host.containers().Destroy(container);
         return text;
       },
       "1 6"},
  };
  return cases;
}

}  // namespace

CheckResult CheckHostileArguments(const CheckContext& context) {
  OpenPlugin plugin(context);
  if (!plugin.Error().empty()) return CheckResult::Failed(plugin.Error());
  // One plain object that the cases watch for unwanted changes.
  HostObject* cube = plugin.host.scene().NewObject(plugin.document, "Cube");
  plugin.host.scene().SetHalfSizes(cube, HostVector{1, 1, 1});
  // Linked both ways with an outside X placement: any alignment that should not happen
  // would move it by twice its half size.
  plugin.host.containers().SetLink(plugin.settings, ALIGN_REFERENCE,
                                   plugin.host.scene().IdOf(cube));
  plugin.host.containers().SetLink(plugin.settings, ALIGN_OBJECT, plugin.host.scene().IdOf(cube));
  plugin.host.containers().SetInt(plugin.settings, ALIGN_X_MODE, ALIGN_X_MODE_PLUS);
  plugin.host.containers().SetInt(plugin.settings, ALIGN_X_SIDE, ALIGN_X_SIDE_OUTSIDE);
  std::vector<std::string> problems;
  for (const Case& item : Cases()) {
    const std::string answer = item.run(plugin);
    if (answer != item.expected)
      problems.push_back(std::string(item.name) + ": got \"" + answer + "\", expected \"" +
                         item.expected + "\"");
    if (!plugin.host.misuse().Empty()) {
      problems.push_back(std::string(item.name) + ": misuse: " + MisuseText(plugin.host));
      plugin.host.misuse().Clear();
    }
  }
  for (const std::string& line : plugin.Close()) problems.push_back(line);
  if (!problems.empty()) return CheckResult::Failed(JoinLines(problems, 8));
  return CheckResult::Passed(std::to_string(Cases().size()) +
                             " operation cases answered as contracted, no misuse");
}

}  // namespace khost::validator

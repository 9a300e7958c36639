// Every operation of the registered tool, reached the way a host reaches it: through
// the registration record's slots with the tool object from slot 8.

#include "description_ids.h"
#include "module_fixture.h"

namespace kestrum_test {
namespace {

class ToolOperations : public ModuleFixture {
 protected:
  const khost::RegisteredTool& Tool() { return *session.Tool(); }
  void* Object() { return Tool().ToolObject(); }
  template <typename Function>
  Function Slot(HostSlot ToolRegistrationSlots::*slot) {
    return Tool().Operation<Function>(slot);
  }
};

TEST_F(ToolOperations, RecordHoldsEveryDispatcherAndNothingElse) {
  const ToolRegistrationSlots& record = Tool().record;
  const HostSlot* slots = reinterpret_cast<const HostSlot*>(&record);
  EXPECT_EQ(0, record.info.integer);
  EXPECT_NE(nullptr, record.disposeToolObject.pointer);
  EXPECT_NE(nullptr, record.toolObject.pointer);
  EXPECT_NE(nullptr, record.helpText.pointer);
  for (int slot = 18; slot <= 37; ++slot) EXPECT_NE(0u, slots[slot].raw) << "slot " << slot;
  for (int slot :
       {2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47})
    EXPECT_EQ(0u, slots[slot].raw) << "slot " << slot;
}

// What a host sees of the hooks the tool leaves to the base class: each answers the same
// whatever it is passed and whatever the tool went through before, boolean answers are
// 0 or 1, and none of them calls the host (so none reads or writes settings, the scene
// or memory). Which answer each gives is the contract `kestrum validate` checks
// (hostile-arguments); it is not restated here.
TEST_F(ToolOperations, HooksAnswerAlikeForAnyArgumentsAndCallNothing) {
  const auto answers = [&](int32_t v) {
    void* tool = Object();
    const std::vector<int32_t> booleans{
        Slot<ToolHookAFunction>(&ToolRegistrationSlots::toolHookA)(tool, v, v, v),
        Slot<ToolHookDFunction>(&ToolRegistrationSlots::toolHookD)(tool, v, v, v, v, v),
        Slot<ToolHookEFunction>(&ToolRegistrationSlots::toolHookE)(tool, v, v, v, v, v),
        Slot<ToolHookIFunction>(&ToolRegistrationSlots::toolHookI)(tool, v, v, v, v),
        Slot<ToolHookKFunction>(&ToolRegistrationSlots::toolHookK)(tool, v, v, v, v, v, v)};
    for (int32_t answer : booleans) EXPECT_TRUE(answer == 0 || answer == 1) << answer;
    std::vector<int32_t> all = booleans;
    all.push_back(Slot<ToolHookCFunction>(&ToolRegistrationSlots::toolHookC)(tool, v));
    all.push_back(Slot<ToolHookFFunction>(&ToolRegistrationSlots::toolHookF)(tool, v));
    all.push_back(
        Slot<ToolHookGFunction>(&ToolRegistrationSlots::toolHookG)(tool, v, v, v, v, v, v, v, v));
    all.push_back(
        Slot<ToolHookHFunction>(&ToolRegistrationSlots::toolHookH)(tool, v, v, v, v, v, v));
    Slot<ToolHookJFunction> (&ToolRegistrationSlots::toolHookJ)(tool);
    Slot<ToolHookBFunction> (&ToolRegistrationSlots::toolHookB)(tool, v, v);
    return all;
  };
  host.trace().Enable(true);
  const std::vector<int32_t> first = answers(0);
  for (int32_t v : {1, -1, 2, 4, 9, 0x40000000, INT32_MIN, INT32_MAX})
    EXPECT_EQ(first, answers(v)) << "arguments " << v;
  // After the tool aligned, reset and was written defaults again: the same answers.
  host.trace().Enable(false);
  HostObject* reference = Box("reference", {0, 0, 0}, {1, 1, 1});
  scene().SetSelected(Box("moved", {5, 0, 0}, {1, 1, 1}), true);
  Link(ALIGN_REFERENCE, reference);
  Set(ALIGN_X_MODE, ALIGN_X_MODE_PLUS);
  Press(ALIGN_SELECTED);
  Press(HOST_COMMAND_RESET);
  session.WriteDefaultSettings(document, settings);
  host.trace().Enable(true);
  EXPECT_EQ(first, answers(3));
  EXPECT_TRUE(host.trace().Calls().empty()) << host.trace().Calls().front();
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(ToolOperations, DescriptionHooksAnswerWhetherBitTwoIsSet) {
  auto hookA = Slot<DescriptionHookAFunction>(&ToolRegistrationSlots::descriptionHookA);
  auto hookB = Slot<DescriptionHookBFunction>(&ToolRegistrationSlots::descriptionHookB);
  for (int32_t flags : {0, 1, 2, 3, 4, 6}) {
    const int32_t expected = (flags & 2) ? 1 : 0;
    int32_t word = flags;
    EXPECT_EQ(expected, hookA(Object(), 0, 0, 0, 0, &word) != 0) << flags;
    EXPECT_EQ(expected, hookB(Object(), 0, 0, 0, 0, &word) != 0) << flags;
    EXPECT_EQ(flags, word);
  }
}

TEST_F(ToolOperations, DefaultSettingsAreWrittenInOrderAndLeaveFlagFalse) {
  HostContainer* fresh = host.containers().Create();
  host.trace().Enable(true);
  session.WriteDefaultSettings(document, fresh);
  const std::vector<std::string> expected{
      "ContainerSetInt(10004, 10005)", "ContainerSetInt(10009, 10010)",
      "ContainerSetInt(10012, 10013)", "ContainerSetInt(10017, 10018)",
      "ContainerSetInt(10020, 10021)", "ContainerSetInt(10025, 10026)",
      "ContainerSetInt(705, 1)",       "ContainerSetBool(705, 0)"};
  EXPECT_EQ(expected, host.trace().Calls());
  EXPECT_TRUE(host.containers().HoldsBool(fresh, HOST_FLAG_AUTO_COMMAND));
  EXPECT_FALSE(host.containers().Get(fresh, HOST_FLAG_AUTO_COMMAND_ALT).has_value());
  host.containers().Destroy(fresh);
}

TEST_F(ToolOperations, FillDescriptionLoadsTheRegisteredLayoutAndSetsBitTwo) {
  auto fill = Slot<FillDescriptionFunction>(&ToolRegistrationSlots::fillDescription);
  HostDescription* description = host.plugins().NewDescription();
  int32_t flags = 1;
  EXPECT_EQ(1, fill(Object(), 0, 0, description, &flags) != 0);
  EXPECT_EQ(3, flags);
  EXPECT_TRUE(host.plugins().DescriptionOf(description)->Loaded());
  EXPECT_EQ(KESTRUM_PLUGIN_ID, host.plugins().DescriptionOf(description)->PluginId());

  host.plugins().ClearDescriptionLibraryEntry(24);
  flags = 1;
  EXPECT_EQ(0, fill(Object(), 0, 0, description, &flags));
  EXPECT_EQ(1, flags);
  host.plugins().FreeDescription(description);
}

TEST_F(ToolOperations, AlignObjectControlIsDisabledOnlyWhileAHostFlagIsSetBeforeAnyCommand) {
  Set(HOST_FLAG_AUTO_COMMAND, 0);
  Set(HOST_FLAG_AUTO_COMMAND_ALT, 0);
  EXPECT_EQ(1, session.IsControlEnabled(settings, HOST_COMMAND_ALIGN_OBJECT));
  Set(HOST_FLAG_AUTO_COMMAND_ALT, 1);
  EXPECT_EQ(0, session.IsControlEnabled(settings, HOST_COMMAND_ALIGN_OBJECT));
  Set(HOST_FLAG_AUTO_COMMAND, 1);
  EXPECT_EQ(0, session.IsControlEnabled(settings, HOST_COMMAND_ALIGN_OBJECT));
  for (int32_t other : {ALIGN_SELECTED, ALIGN_X_MODE, HOST_COMMAND_RESET, 0})
    EXPECT_EQ(1, session.IsControlEnabled(settings, other)) << other;
  // The tool's own first hook leaves the state alone; the second marks it.
  EXPECT_EQ(1, Slot<ToolHookAFunction>(&ToolRegistrationSlots::toolHookA)(Object(), 0, 0, 0));
  EXPECT_EQ(0, session.IsControlEnabled(settings, HOST_COMMAND_ALIGN_OBJECT));
  Slot<ToolHookBFunction> (&ToolRegistrationSlots::toolHookB)(Object(), 0, 0);
  EXPECT_EQ(1, session.IsControlEnabled(settings, HOST_COMMAND_ALIGN_OBJECT));
}

TEST_F(ToolOperations, AttachmentsAreNeverMade) {
  auto connect = Slot<ConnectAttachmentFunction>(&ToolRegistrationSlots::connectAttachment);
  int context = 0;
  host.trace().Enable(true);
  EXPECT_EQ(0, connect(Object(), 7, &context, 3));
  EXPECT_EQ(0, connect(Object(), 7, nullptr, 3));
  EXPECT_TRUE(host.trace().Only({"HostAttachObject"}).empty());
  Slot<ReleaseAttachmentFunction> (&ToolRegistrationSlots::releaseAttachment)(Object(), 12);
  EXPECT_EQ(std::vector<std::string>{"HostAttachedObject(12)"},
            host.trace().Only({"HostAttachedObject"}));
}

// The name a host asks for when it builds the tool's panel leads it to the description
// the tool registered: the same file, with the tool's settings in it.
TEST_F(ToolOperations, DescriptionResourceNameLeadsTheHostToTheRegisteredPanel) {
  const std::string name = session.DescriptionResourceName();
  constexpr int32_t kOtherId = 1;
  ASSERT_EQ(1, host.plugins().RegisterDescriptionFile(kOtherId, BuiltPluginFolder(), name))
      << host.plugins().LastDescriptionError();
  const khost::DescriptionLayout* named = host.plugins().RegisteredDescription(kOtherId);
  const khost::DescriptionLayout* registered =
      host.plugins().RegisteredDescription(KESTRUM_PLUGIN_ID);
  ASSERT_NE(nullptr, registered);
  EXPECT_EQ(registered->name, named->name);
  EXPECT_EQ(registered->ElementCount(), named->ElementCount());
  for (int32_t id : {ALIGN_REFERENCE, ALIGN_X_MODE, ALIGN_Y_SIDE, ALIGN_Z_MODE, ALIGN_SELECTED})
    EXPECT_NE(nullptr, named->Element(id)) << id;
  // Asked again, the same name.
  EXPECT_EQ(name, session.DescriptionResourceName());
}

}  // namespace
}  // namespace kestrum_test

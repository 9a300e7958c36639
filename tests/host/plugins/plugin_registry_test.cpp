// Tool registration: what the host checks before it accepts a record, what it copies,
// how it hands tool objects back; and tool attachments.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bitmaps.h"
#include "host_fixture.h"
#include "plugins.h"

namespace khost_test {
namespace {

constexpr int32_t kToolId = 1029646;

// A stand-in tool object whose operations record what reached them.
struct FakeTool {
  int disposed = 0;
  int32_t lastType = 0;
  void* lastData = nullptr;
};

void Dispose(void* tool) { ++static_cast<FakeTool*>(tool)->disposed; }
int32_t HandleMessage(void* tool, HostDocument*, HostContainer*, int32_t type, void* data) {
  static_cast<FakeTool*>(tool)->lastType = type;
  static_cast<FakeTool*>(tool)->lastData = data;
  return 1;
}
void Untouched() {}

HostSlot SlotOf(const void* pointer) {
  HostSlot slot{};
  slot.pointer = pointer;
  return slot;
}
template <typename Function>
HostSlot FunctionSlot(Function function) {
  HostSlot slot{};
  slot.function = reinterpret_cast<void (*)(void)>(function);
  return slot;
}

HostSlot& SlotAt(ToolRegistrationSlots& record, size_t index) {
  return reinterpret_cast<HostSlot*>(&record)[index];
}

class PluginsTest : public HostFixture {
 protected:
  // A complete record as a tool module makes it, without help text or icon.
  ToolRegistrationSlots MakeRecord() {
    ToolRegistrationSlots record{};
    record.info.integer = 7;
    record.disposeToolObject = FunctionSlot(&Dispose);
    record.toolObject = SlotOf(&tool);
    for (size_t slot = 18; slot <= 37; ++slot) SlotAt(record, slot) = FunctionSlot(&Untouched);
    record.messageHandler = FunctionSlot(&HandleMessage);
    return record;
  }
  int32_t Register(ToolRegistrationSlots& record, int32_t id = kToolId, int32_t version = 12000,
                   int32_t kind = 9, int32_t size = 48 * static_cast<int32_t>(sizeof(void*)),
                   const HostStringStorage* name = nullptr) {
    return table::HostRegisterPlugin(host)(version, kind, id, name ? name : MakeString("Kestrum"),
                                           &record, size);
  }
  khost::Plugins& plugins() { return host.plugins(); }

  FakeTool tool;
};

TEST_F(PluginsTest, AcceptedToolIsCopiedWithNameHelpAndIcon) {
  ToolRegistrationSlots record = MakeRecord();
  HostStringStorage* name = MakeString("Kestrum");
  record.helpText = SlotOf(MakeString("Align objects"));
  HostBitmap* icon = host.bitmaps().BitmapNew();
  record.icon = SlotOf(icon);
  // The icon is empty (never loaded): its size is 0 x 0, and that is what is kept.
  ASSERT_EQ(Register(record, kToolId, 12000, 9, 48 * static_cast<int32_t>(sizeof(void*)), name), 1)
      << (plugins().Refusals().empty() ? "" : plugins().Refusals().back());

  // The module may drop everything right after the call.
  host.bitmaps().BitmapFree(icon);
  host.text().DestroyString(name);
  const ToolRegistrationSlots original = record;
  std::memset(&record, 0, sizeof record);

  const khost::RegisteredTool* registered = plugins().Tool(kToolId);
  ASSERT_NE(registered, nullptr);
  EXPECT_EQ(registered->id, kToolId);
  EXPECT_EQ(registered->name, "Kestrum");
  EXPECT_EQ(registered->help, "Align objects");
  EXPECT_EQ(registered->Info(), 7);
  EXPECT_EQ(registered->ToolObject(), &tool);
  EXPECT_EQ(std::memcmp(&registered->record, &original, sizeof original), 0);
  EXPECT_EQ(plugins().ToolCount(), 1u);
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(PluginsTest, IconPixelsAreCopied) {
  ToolRegistrationSlots record = MakeRecord();
  HostBitmap* icon = host.bitmaps().BitmapNew();
  ASSERT_EQ(host.bitmaps().LoadFromPath(
                icon, std::string(KESTRUM_SOURCE_DIR) + "/plugin/res/kestrum.tif", -1),
            1);
  const std::vector<uint8_t> pixels = host.bitmaps().Pixels(icon);
  const int32_t side = host.bitmaps().Width(icon);
  record.icon = SlotOf(icon);
  ASSERT_EQ(Register(record), 1);
  host.bitmaps().BitmapFree(icon);
  const khost::RegisteredTool* registered = plugins().Tool(kToolId);
  EXPECT_EQ(registered->iconWidth, side);
  EXPECT_EQ(registered->iconHeight, side);
  EXPECT_EQ(registered->iconPixels, pixels);
}

TEST_F(PluginsTest, ToolWithoutHelpOrIconIsAccepted) {
  ToolRegistrationSlots record = MakeRecord();
  ASSERT_EQ(Register(record), 1);
  const khost::RegisteredTool* registered = plugins().Tool(kToolId);
  EXPECT_EQ(registered->help, "");
  EXPECT_EQ(registered->iconWidth, 0);
  EXPECT_TRUE(registered->iconPixels.empty());
}

struct RefusalCase {
  const char* title;
  std::function<int32_t(ToolRegistrationSlots&)> attempt;
  const char* reasonPart;
};

TEST_F(PluginsTest, FaultyRegistrationsAreRefusedWithAReason) {
  const int32_t slots = static_cast<int32_t>(sizeof(void*));
  const std::vector<RefusalCase> cases = {
      {"version before 12000",
       [this](ToolRegistrationSlots& r) { return Register(r, kToolId, 11999); },
       "interface version 11999"},
      {"library kind", [this](ToolRegistrationSlots& r) { return Register(r, kToolId, 12000, 17); },
       "kind 17"},
      {"record one slot short",
       [this, slots](ToolRegistrationSlots& r) {
         return Register(r, kToolId, 12000, 9, 47 * slots);
       },
       "record size"},
      {"null record",
       [this](ToolRegistrationSlots&) {
         return table::HostRegisterPlugin(host)(12000, 9, kToolId, MakeString("K"), nullptr,
                                                48 * static_cast<int32_t>(sizeof(void*)));
       },
       "record is null"},
      {"no tool object",
       [this](ToolRegistrationSlots& r) {
         r.toolObject.raw = 0;
         return Register(r);
       },
       "slot 8"},
      {"no dispose operation",
       [this](ToolRegistrationSlots& r) {
         r.disposeToolObject.raw = 0;
         return Register(r);
       },
       "slot 1 "},
      {"first dispatcher missing",
       [this](ToolRegistrationSlots& r) {
         SlotAt(r, 18).raw = 0;
         return Register(r);
       },
       "slot 18 "},
      {"last dispatcher missing",
       [this](ToolRegistrationSlots& r) {
         SlotAt(r, 37).raw = 0;
         return Register(r);
       },
       "slot 37 "},
      {"dead name",
       [this](ToolRegistrationSlots& r) {
         HostStringStorage dead{};
         return Register(r, kToolId, 12000, 9, 48 * static_cast<int32_t>(sizeof(void*)), &dead);
       },
       "name is not a live string"},
      {"dead help text",
       [this](ToolRegistrationSlots& r) {
         static HostStringStorage dead{};
         r.helpText = SlotOf(&dead);
         return Register(r);
       },
       "slot 16"},
      {"freed icon",
       [this](ToolRegistrationSlots& r) {
         HostBitmap* icon = host.bitmaps().BitmapNew();
         host.bitmaps().BitmapFree(icon);
         r.icon = SlotOf(icon);
         return Register(r);
       },
       "slot 17"},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.title);
    host.misuse().Clear();
    ToolRegistrationSlots record = MakeRecord();
    const size_t refusalsBefore = plugins().Refusals().size();
    EXPECT_EQ(c.attempt(record), 0);
    ASSERT_EQ(plugins().Refusals().size(), refusalsBefore + 1);
    EXPECT_NE(plugins().Refusals().back().find(c.reasonPart), std::string::npos)
        << plugins().Refusals().back();
    EXPECT_TRUE(host.misuse().Mentions("refused plug-in 1029646"));
    EXPECT_EQ(plugins().Tool(kToolId), nullptr);
  }
}

TEST_F(PluginsTest, AnIdIsRegisteredOnce) {
  ToolRegistrationSlots record = MakeRecord();
  EXPECT_EQ(Register(record), 1);
  EXPECT_EQ(Register(record), 0);
  EXPECT_NE(plugins().Refusals().back().find("already registered"), std::string::npos);
  EXPECT_EQ(Register(record, kToolId + 1), 1);
  EXPECT_EQ(plugins().ToolCount(), 2u);
}

TEST_F(PluginsTest, NewerInterfaceVersionsAreAccepted) {
  ToolRegistrationSlots record = MakeRecord();
  EXPECT_EQ(Register(record, kToolId, 12048), 1);
}

TEST_F(PluginsTest, HostReachesTheToolThroughTheCopiedRecord) {
  ToolRegistrationSlots record = MakeRecord();
  ASSERT_EQ(Register(record), 1);
  const khost::RegisteredTool* registered = plugins().Tool(kToolId);
  int data = 0;
  const int32_t result =
      registered->Operation<MessageHandlerFunction>(&ToolRegistrationSlots::messageHandler)(
          registered->ToolObject(), nullptr, nullptr, 18, &data);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(tool.lastType, 18);
  EXPECT_EQ(tool.lastData, &data);
}

TEST_F(PluginsTest, DisposeToolsHandsEachToolBackOnce) {
  FakeTool second;
  ToolRegistrationSlots first = MakeRecord();
  ToolRegistrationSlots other = MakeRecord();
  other.toolObject = SlotOf(&second);
  ASSERT_EQ(Register(first), 1);
  ASSERT_EQ(Register(other, kToolId + 1), 1);
  plugins().DisposeTools();
  EXPECT_EQ(tool.disposed, 1);
  EXPECT_EQ(second.disposed, 1);
  EXPECT_EQ(plugins().ToolCount(), 0u);
  plugins().DisposeTools();
  EXPECT_EQ(tool.disposed, 1);
  ToolRegistrationSlots again = MakeRecord();
  EXPECT_EQ(Register(again), 1) << "a module loaded again may register again";
}

TEST_F(PluginsTest, AttachmentsKeepContextExtraAndTheModulesObject) {
  int context = 0;
  int object = 0;
  EXPECT_EQ(table::HostAttachedObject(host)(5), nullptr);
  EXPECT_EQ(table::HostAttachObject(host)(&context, 3, 5), 1);
  const khost::Attachment* attachment = plugins().AttachmentOf(5);
  ASSERT_NE(attachment, nullptr);
  EXPECT_EQ(attachment->context, &context);
  EXPECT_EQ(attachment->extra, 3);
  EXPECT_EQ(table::HostAttachedObject(host)(5), nullptr) << "no object registered yet";
  plugins().RegisterAttachedObject(5, &object);
  EXPECT_EQ(table::HostAttachedObject(host)(5), &object);
  EXPECT_EQ(table::HostAttachedObject(host)(6), nullptr);
  EXPECT_EQ(plugins().LiveAttachments(), 1u);
  plugins().Detach(5);
  EXPECT_EQ(table::HostAttachedObject(host)(5), nullptr);
  EXPECT_EQ(plugins().LiveAttachments(), 0u);
}

}  // namespace
}  // namespace khost_test

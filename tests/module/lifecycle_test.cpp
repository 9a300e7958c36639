// The plug-in from load to unload as the host drives it: registration with and without
// its resources, a refused or failing registration, the icon, the banner, and a run that
// leaves nothing allocated or alive.

#include <fstream>
#include <nlohmann/json.hpp>

#include "bitmaps.h"
#include "module_fixture.h"
#include "plugin_folder.h"
#include "resources.h"
#include "text_values.h"

namespace kestrum_test {
namespace {

const std::vector<std::string> kBannerFrame{"====================", "Kestrum V1.0 - installed"};

// A text of the plug-in's strings file as the plug-in folder ships it.
std::string ShippedString(int32_t id) {
  std::ifstream file(BuiltPluginFolder() + "/res/strings/en.json");
  return nlohmann::json::parse(file).at("strings").at(std::to_string(id)).get<std::string>();
}

class Lifecycle : public ::testing::Test {
 protected:
  // The texts compared below are the English ones, whatever the environment asks for.
  void SetUp() override { host.resources().SetLanguage("en"); }

  void ExpectNothingLeft(khost::PluginSession& session) {
    const khost::LeakCheck leaks = session.Close();
    for (const std::string& line : leaks.Lines()) ADD_FAILURE() << "left behind: " << line;
    EXPECT_EQ(0u, host.text().LiveStrings());
    EXPECT_EQ(0u, host.text().LiveFileNames());
    EXPECT_EQ(0u, host.resources().LiveSets());
    EXPECT_EQ(0u, host.bitmaps().LiveBitmaps());
  }

  khost::Host host;
};

TEST_F(Lifecycle, FullRunRegistersTheToolPrintsTheBannerAndLeavesNothing) {
  khost::PluginSession session(host);
  ASSERT_TRUE(session.Open(BuiltPluginFolder(), KESTRUM_PLUGIN_ID)) << session.Error();
  EXPECT_TRUE(session.ResourcesLoaded());
  const std::vector<std::string>& console = host.ui().ConsoleLines();
  ASSERT_EQ(5u, console.size());
  EXPECT_EQ(kBannerFrame[0], console[0]);
  EXPECT_EQ(kBannerFrame[1], console[1]);
  EXPECT_FALSE(console[2].empty());
  EXPECT_FALSE(console[3].empty());
  EXPECT_EQ(console[0], console[4]);

  const khost::RegisteredTool* tool = session.Tool();
  // The name and the help line the host shows are the strings file's texts for them.
  EXPECT_EQ(ShippedString(KESTRUM_STRING_NAME), tool->name);
  EXPECT_EQ(ShippedString(KESTRUM_STRING_HELP_LINE), tool->help);
  EXPECT_GT(tool->iconWidth, 0);
  EXPECT_GT(tool->iconHeight, 0);
  ASSERT_NE(nullptr, host.plugins().RegisteredDescription(KESTRUM_PLUGIN_ID));

  // Use the tool a little, so the run covers commands too.
  HostDocument* document = host.scene().NewDocument();
  HostContainer* settings = host.containers().Create();
  session.WriteDefaultSettings(document, settings);
  for (int32_t button : {ALIGN_SELECTED, HOST_COMMAND_RESET, ALIGN_HELP, HOST_COMMAND_ALIGN_OBJECT})
    EXPECT_EQ(1, session.Press(document, settings, button));
  host.containers().Destroy(settings);
  ExpectNothingLeft(session);
  EXPECT_EQ(khost::ModuleState::kUnloaded, session.loader().State());
}

TEST_F(Lifecycle, RegistrationCallsTheHostInOrder) {
  khost::PluginSession session(host);
  host.trace().Enable(true);
  ASSERT_TRUE(session.Open(BuiltPluginFolder(), KESTRUM_PLUGIN_ID)) << session.Error();
  const std::vector<std::string> calls =
      host.trace().Only({"BitmapNew", "BitmapLoadFile", "BitmapFree", "ResourceSetString",
                         "RegisterDescriptionResource", "HostRegisterPlugin", "PrintToConsole"});
  // Which file, which string ids, which description and registration values, in order:
  // the icon is loaded, the name's string and then the help line's, the description
  // registered before the tool, the icon freed once the host copied it, then the banner.
  std::vector<std::string> expected{
      "BitmapNew",
      "BitmapLoadFile(bitmap, \"" + BuiltPluginFolder() + "/res/kestrum.tif\", -1, 0)",
      "ResourceSetString(set, " + std::to_string(KESTRUM_STRING_NAME) + ")",
      "ResourceSetString(set, " + std::to_string(KESTRUM_STRING_HELP_LINE) + ")",
      "RegisterDescriptionResource(" + std::to_string(KESTRUM_PLUGIN_ID) + ", \"Kestrum\", set)",
      "HostRegisterPlugin(12000, 9, " + std::to_string(KESTRUM_PLUGIN_ID) +
          ", \"Kestrum\", data, " + std::to_string(sizeof(ToolRegistrationSlots)) + ")",
      "BitmapFree(bitmap)"};
  for (const std::string& line : host.ui().ConsoleLines())
    expected.push_back("PrintToConsole(\"" + line + "\")");
  EXPECT_EQ(12u, expected.size());
  EXPECT_EQ(expected, calls);
  // The tool object is the one allocation registration keeps; it is tagged with the
  // tool's own source.
  const std::vector<khost::Memory::LeakGroup> live = host.memory().LeakReport();
  bool toolBlock = false;
  for (const auto& group : live)
    if (group.tag.find("source/kestrum.cpp") != std::string::npos) toolBlock = true;
  EXPECT_TRUE(toolBlock);
  ExpectNothingLeft(session);
}

TEST_F(Lifecycle, WithoutResourcesTheDescriptionCannotBeRegisteredAndStartFails) {
  TemporaryPluginFolder folder({.strings = false});
  khost::PluginSession session(host);
  EXPECT_FALSE(session.Open(folder.Path(), KESTRUM_PLUGIN_ID));
  EXPECT_FALSE(session.ResourcesLoaded());
  EXPECT_TRUE(host.ui().ConsoleLines().empty());
  EXPECT_EQ(0u, host.plugins().ToolCount());
  // The tool object the host never took is deleted again.
  ExpectNothingLeft(session);
}

// Stands in for the host's registration and refuses every plug-in.
int32_t RefuseRegistration(int32_t, int32_t, int32_t, const HostStringStorage*, void*, int32_t) {
  return 0;
}

TEST_F(Lifecycle, RefusedRegistrationFailsTheStartSilentlyAndFreesTheTool) {
  host.OperationSlot(kTableGeneral, 180).function =
      reinterpret_cast<void (*)(void)>(&RefuseRegistration);
  khost::PluginSession session(host);
  EXPECT_FALSE(session.Open(BuiltPluginFolder(), KESTRUM_PLUGIN_ID));
  EXPECT_NE(std::string::npos, session.Error().find("did not start"));
  EXPECT_TRUE(host.ui().ConsoleLines().empty());
  ExpectNothingLeft(session);
}

TEST_F(Lifecycle, MissingOrBrokenIconRegistersWithoutOne) {
  for (bool broken : {false, true}) {
    SCOPED_TRACE(broken ? "broken icon" : "missing icon");
    khost::Host freshHost;
    TemporaryPluginFolder folder({.icon = false});
    if (broken) folder.Write("res/kestrum.tif", "II*\0 this is not an image");
    khost::PluginSession session(freshHost);
    freshHost.trace().Enable(true);
    ASSERT_TRUE(session.Open(folder.Path(), KESTRUM_PLUGIN_ID)) << session.Error();
    EXPECT_EQ(0, session.Tool()->iconWidth);
    EXPECT_EQ(nullptr, session.Tool()->record.icon.pointer);
    // Freed once when loading failed, and the empty holder frees "none" once more.
    EXPECT_EQ((std::vector<std::string>{"BitmapFree(bitmap)", "BitmapFree(null)"}),
              freshHost.trace().Only({"BitmapFree"}));
    const khost::LeakCheck leaks = session.Close();
    EXPECT_TRUE(leaks.Clean());
    EXPECT_EQ(0u, freshHost.bitmaps().LiveBitmaps());
  }
}

TEST_F(Lifecycle, WithoutTheDescriptionLibraryStartFailsAndEveryStartLooksAgain) {
  host.plugins().SetDescriptionLibraryPresent(false);
  khost::PluginSession session(host);
  host.trace().Enable(true);
  EXPECT_FALSE(session.Open(BuiltPluginFolder(), KESTRUM_PLUGIN_ID));
  const std::string lookup = "FindPlugin(1000467, 17)";  // the description library
  EXPECT_EQ(std::vector<std::string>{lookup}, host.trace().Only({"FindPlugin"}));
  EXPECT_EQ(0, session.loader().Start());
  EXPECT_EQ((std::vector<std::string>{lookup, lookup}), host.trace().Only({"FindPlugin"}));
  host.plugins().RestoreDescriptionLibrary();
  EXPECT_EQ(1, session.loader().Start());
  EXPECT_EQ(5u, host.ui().ConsoleLines().size());
  ExpectNothingLeft(session);
}

TEST_F(Lifecycle, SecondStartIsRefusedAsADuplicateAndLeaksNothing) {
  khost::PluginSession session(host);
  ASSERT_TRUE(session.Open(BuiltPluginFolder(), KESTRUM_PLUGIN_ID)) << session.Error();
  EXPECT_EQ(0, session.loader().Start());
  EXPECT_EQ(5u, host.ui().ConsoleLines().size());
  ExpectNothingLeft(session);
}

}  // namespace
}  // namespace kestrum_test

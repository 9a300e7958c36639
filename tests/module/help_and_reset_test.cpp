// The reset and help buttons: the six writes of the reset, and the help page opened
// from the plug-in folder or the missing-page message shown instead.

#include "module_fixture.h"
#include "plugin_folder.h"
#include "text_values.h"

namespace kestrum_test {
namespace {

using HelpAndReset = ModuleFixture;

TEST_F(HelpAndReset, ResetWritesTheSixDefaultsInOrderAndNothingElse) {
  HostObject* reference = scene().NewObject(document, "reference");
  Link(ALIGN_REFERENCE, reference);
  Link(ALIGN_OBJECT, reference);
  Set(ALIGN_X_MODE, ALIGN_X_MODE_MINUS);
  Set(ALIGN_X_SIDE, ALIGN_X_SIDE_OUTSIDE);
  Set(ALIGN_Y_MODE, ALIGN_Y_MODE_PLUS);
  Set(ALIGN_Z_SIDE, 4);
  Set(HOST_FLAG_AUTO_COMMAND, 1);
  Set(HOST_FLAG_AUTO_COMMAND_ALT, 1);
  host.trace().Enable(true);
  EXPECT_EQ(1, Press(HOST_COMMAND_RESET));
  const std::vector<std::string> expected{
      "ContainerSetInt(10004, 10005)", "ContainerSetInt(10009, 10010)",
      "ContainerSetInt(10012, 10013)", "ContainerSetInt(10017, 10018)",
      "ContainerSetInt(10020, 10021)", "ContainerSetInt(10025, 10026)"};
  EXPECT_EQ(expected, host.trace().Only({"ContainerSetInt", "ContainerSetBool"}));
  EXPECT_TRUE(
      host.trace().Only({"DocumentBeginUndo", "HostUpdateViews", "HostShowMessage"}).empty());
  EXPECT_EQ(1, host.containers().GetInt(settings, HOST_FLAG_AUTO_COMMAND, 0));
  EXPECT_EQ(1, host.containers().GetInt(settings, HOST_FLAG_AUTO_COMMAND_ALT, 0));
  EXPECT_TRUE(host.containers().HoldsLink(settings, ALIGN_REFERENCE));
  EXPECT_TRUE(host.containers().HoldsLink(settings, ALIGN_OBJECT));

  // Already at the defaults: all six writes again.
  host.trace().Clear();
  Press(HOST_COMMAND_RESET);
  EXPECT_EQ(expected, host.trace().Only({"ContainerSetInt", "ContainerSetBool"}));
}

TEST_F(HelpAndReset, ButtonPressesStoreNothing) {
  const auto before = host.containers().Entries(settings);
  Press(ALIGN_SELECTED);
  Press(ALIGN_HELP);
  EXPECT_EQ(before.size(), host.containers().Entries(settings).size());
}

TEST_F(HelpAndReset, HelpOpensThePageFromThePluginFolder) {
  host.trace().Enable(true);
  EXPECT_EQ(1, Press(ALIGN_HELP));
  const std::string page = BuiltPluginFolder() + "/help/index.html";
  EXPECT_EQ((std::vector<std::string>{page}), host.ui().ExistenceChecks());
  EXPECT_EQ((std::vector<std::string>{page}), host.ui().OpenedFiles());
  EXPECT_TRUE(host.ui().Messages().empty());
  // The page's name is built twice, once to test and once to open.
  EXPECT_EQ(2u, host.trace().Only({"FileNameDirectory"}).size());
  EXPECT_EQ(4u, host.trace().Only({"FileNameAppend"}).size());
}

class HelpWithoutPage : public ModuleFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session.Open(folder.Path(), KESTRUM_PLUGIN_ID)) << session.Error();
    document = scene().NewDocument("test");
    settings = host.containers().Create();
  }
  TemporaryPluginFolder folder{{.help = false}};
};

TEST_F(HelpWithoutPage, ShowsTheMissingPageMessageOnceAndOpensNothing) {
  EXPECT_EQ(1, Press(ALIGN_HELP));
  EXPECT_TRUE(host.ui().OpenedFiles().empty());
  ASSERT_EQ(1u, host.ui().Messages().size());
  EXPECT_EQ(0, host.ui().Messages()[0].kind);
  EXPECT_NE(std::string::npos, host.ui().Messages()[0].text.find("help"))
      << host.ui().Messages()[0].text;
}

}  // namespace
}  // namespace kestrum_test

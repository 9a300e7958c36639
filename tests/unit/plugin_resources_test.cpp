// The plug-in's resource object and the help command against a real host, with the
// module's pieces compiled into the test: one load attempt, its outcome final, the
// default string while nothing is loaded, and the help page looked for in an empty
// plug-in folder when no module file name is kept.

#include <gtest/gtest.h>

#include "c4d_host_calls.h"
#include "c4d_resource.h"
#include "host.h"
#include "kestrum_commands.h"
#include "memory.h"
#include "resources.h"
#include "text_values.h"
#include "user_interface.h"

namespace {

// Binds the module's pieces to a host for as long as it lives.
struct TableBinding {
  explicit TableBinding(khost::Host& host) { hostTable = host.CallTable(); }
  ~TableBinding() { hostTable = nullptr; }
};

class PluginResourcesTest : public ::testing::Test {
 protected:
  std::string Text(const HostStringStorage* text) {
    const std::string* content = host.text().Text(text, "test");
    return content ? *content : "<not alive>";
  }

  khost::Host host;
  TableBinding binding{host};
  PluginResources resources;
  HostFileName pluginFolder{KESTRUM_BINARY_DIR "/plugins/kestrum"};
  HostFileName emptyFolder{"/nonexistent-kestrum-folder"};
};

TEST_F(PluginResourcesTest, BeforeAnyLoadEveryIdReadsAsTheDefaultString) {
  EXPECT_EQ(DefaultString(), resources.LookupString(10000));
  EXPECT_EQ(DefaultString(), resources.LookupString(10002));
  EXPECT_EQ(nullptr, resources.Handle());
}

TEST_F(PluginResourcesTest, LoadedSetAnswersTheHostsStrings) {
  ASSERT_TRUE(resources.Load(pluginFolder));
  EXPECT_EQ("Kestrum", Text(resources.LookupString(10000)));
  EXPECT_FALSE(Text(resources.LookupString(10001)).empty());
  EXPECT_FALSE(Text(resources.LookupString(10002)).empty());
}

TEST_F(PluginResourcesTest, SecondLoadAnswersTheFirstWithoutAskingTheHost) {
  ASSERT_TRUE(resources.Load(pluginFolder));
  host.trace().Enable(true);
  EXPECT_TRUE(resources.Load(emptyFolder));
  EXPECT_TRUE(host.trace().Only({"LoadResourceSet"}).empty());
  EXPECT_EQ(1u, host.resources().LiveSets());
}

TEST_F(PluginResourcesTest, FailedFirstLoadIsFinal) {
  EXPECT_FALSE(resources.Load(emptyFolder));
  host.trace().Enable(true);
  EXPECT_FALSE(resources.Load(pluginFolder));
  EXPECT_TRUE(host.trace().Only({"LoadResourceSet"}).empty());
  EXPECT_EQ(DefaultString(), resources.LookupString(10000));
}

TEST_F(PluginResourcesTest, ReleaseFreesOnceAndNoLoadFollows) {
  resources.Release();  // before any load: nothing to free
  ASSERT_TRUE(resources.Load(pluginFolder));
  host.trace().Enable(true);
  resources.Release();
  resources.Release();
  EXPECT_EQ(1u, host.trace().Only({"FreeResourceSet"}).size());
  EXPECT_EQ(0u, host.resources().LiveSets());
  EXPECT_FALSE(resources.Load(pluginFolder));
  EXPECT_TRUE(host.trace().Only({"LoadResourceSet"}).empty());
}

TEST_F(PluginResourcesTest, AllocationFailureLeavesTheAttemptForLater) {
  host.memory().FailNextAllocations(1);
  host.trace().Enable(true);
  EXPECT_FALSE(resources.Load(pluginFolder));
  EXPECT_TRUE(host.trace().Only({"LoadResourceSet"}).empty());
  EXPECT_TRUE(resources.Load(pluginFolder));
}

TEST_F(PluginResourcesTest, DescriptionRegistrationUsesTheLoadedSetWhenPassedNone) {
  HostString name("Kestrum");
  host.trace().Enable(true);
  EXPECT_EQ(0, RegisterDescriptionResource(1029646, name, nullptr));
  ASSERT_TRUE(resources.Load(pluginFolder));
  EXPECT_EQ(0, RegisterDescriptionResource(1029647, name, nullptr));  // the module's own is empty
  EXPECT_EQ(1, RegisterDescriptionResource(1029648, name, resources.Handle()));
}

TEST_F(PluginResourcesTest, HelpWithoutAModuleFileShowsTheDefaultString) {
  // Nothing in this test program binds, so no module file name is kept.
  OpenHelpPage();
  ASSERT_EQ(1u, host.ui().Messages().size());
  EXPECT_EQ(Text(DefaultString()), host.ui().Messages()[0].text);
  ASSERT_EQ(1u, host.ui().ExistenceChecks().size());
  EXPECT_EQ("help/index.html", host.ui().ExistenceChecks()[0]);
  EXPECT_TRUE(host.ui().OpenedFiles().empty());
}

}  // namespace

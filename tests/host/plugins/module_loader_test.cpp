// The module loader driving a small test module: load errors, the actions and their
// arguments, the state it tracks, and the leak check after unloading.
#include "module_loader.h"

#include <cstdint>
#include <string>

#include "host_fixture.h"
#include "memory.h"
#include "text_values.h"
#include "user_interface.h"

namespace {

using khost::ModuleLoader;
using khost::ModuleState;
using khost_test::HostFixture;

const std::string kFixtureFolder = std::string(KESTRUM_BINARY_DIR) + "/fixtures/probe_module";
const std::string kProbe = kFixtureFolder + "/probe_module.cdl";

class ModuleLoaderTest : public HostFixture {
 protected:
  ModuleLoader loader{host};
};

TEST_F(ModuleLoaderTest, MissingFileIsRefusedWithItsName) {
  const std::string path = kFixtureFolder + "/does_not_exist.cdl";
  EXPECT_FALSE(loader.Load(path));
  EXPECT_NE(loader.Error().find("cannot load module " + path), std::string::npos) << loader.Error();
  EXPECT_EQ(loader.State(), ModuleState::kNotLoaded);
  EXPECT_EQ(loader.Call(kActionQueryVersion, nullptr, nullptr, nullptr), ModuleLoader::kNotCalled);
}

TEST_F(ModuleLoaderTest, LibraryWithoutEntryPointIsRefused) {
  const std::string path = kFixtureFolder + "/no_entry_module.cdl";
  EXPECT_FALSE(loader.Load(path));
  EXPECT_NE(loader.Error().find("module " + path + " has no entry point c4d_main"),
            std::string::npos)
      << loader.Error();
  EXPECT_EQ(loader.State(), ModuleState::kNotLoaded);
}

TEST_F(ModuleLoaderTest, WholeLifeLeavesNothingBehind) {
  ASSERT_TRUE(loader.Load(kProbe)) << loader.Error();
  EXPECT_EQ(loader.State(), ModuleState::kLoaded);
  EXPECT_FALSE(ModuleLoader::ModuleBoundTo(host));
  EXPECT_EQ(loader.Call(kActionQueryVersion, nullptr, nullptr, nullptr), 5);

  EXPECT_EQ(loader.Bind(), 1);
  EXPECT_EQ(loader.State(), ModuleState::kBound);
  EXPECT_TRUE(ModuleLoader::ModuleBoundTo(host));
  EXPECT_EQ(host.memory().LiveBlocks(), 1u);
  EXPECT_EQ(host.text().LiveFileNames(), 1u);  // the module's copy, not the loader's

  EXPECT_EQ(loader.Start(), 1);
  EXPECT_EQ(loader.State(), ModuleState::kStarted);
  EXPECT_EQ(host.ui().ConsoleLines(), std::vector<std::string>{"probe started"});

  EXPECT_EQ(loader.End(), 1);
  EXPECT_EQ(loader.State(), ModuleState::kEnded);
  EXPECT_FALSE(ModuleLoader::ModuleBoundTo(host));

  const khost::LeakCheck leaks = loader.Unload();
  EXPECT_EQ(loader.State(), ModuleState::kUnloaded);
  EXPECT_TRUE(leaks.Clean()) << ::testing::PrintToString(leaks.Lines());
  EXPECT_TRUE(host.misuse().Empty()) << host.misuse().Entries().front();
}

TEST_F(ModuleLoaderTest, BindPassesTheModulePathAsAFileName) {
  ASSERT_TRUE(loader.Load(kProbe)) << loader.Error();
  ASSERT_EQ(loader.Bind(), 1);
  EXPECT_EQ(loader.Message(102, nullptr), 1) << "the module's own file exists";
  loader.End();
  loader.Unload();

  ModuleLoader elsewhere{host};
  ASSERT_TRUE(elsewhere.Load(kProbe));
  ASSERT_EQ(elsewhere.Bind(kFixtureFolder + "/nowhere/probe.cdl"), 1);
  EXPECT_EQ(elsewhere.Message(102, nullptr), -1) << "a path given to Bind is the one passed";
  elsewhere.End();
}

TEST_F(ModuleLoaderTest, MessagesCarryASignedIdAndTheData) {
  ASSERT_TRUE(loader.Load(kProbe)) << loader.Error();
  ASSERT_EQ(loader.Bind(), 1);
  int32_t answer = 0;
  EXPECT_EQ(loader.Message(103, &answer), 1);
  EXPECT_EQ(answer, 7);
  EXPECT_EQ(loader.Message(-2, nullptr), 1);
  EXPECT_EQ(loader.Message(2, nullptr), -1);
  loader.End();
}

TEST_F(ModuleLoaderTest, OldHostVersionIsRefusedByTheModule) {
  host.CallTable()->slot[0].integer = kHostInterfaceVersion - 1;
  ASSERT_TRUE(loader.Load(kProbe)) << loader.Error();
  EXPECT_EQ(loader.Bind(), -3);
  EXPECT_EQ(loader.BindDepth(), 1) << "a refused binding still counts";
  EXPECT_TRUE(loader.Unload().Clean());
}

TEST_F(ModuleLoaderTest, ActionsBeforeBindingAreRefusedAsMisuse) {
  ASSERT_TRUE(loader.Load(kProbe)) << loader.Error();
  EXPECT_EQ(loader.Start(), ModuleLoader::kNotCalled);
  EXPECT_EQ(loader.Message(0, nullptr), ModuleLoader::kNotCalled);
  EXPECT_EQ(loader.End(), ModuleLoader::kNotCalled);
  EXPECT_EQ(host.misuse().Entries().size(), 3u);
  EXPECT_TRUE(host.misuse().Mentions("Start: module is not bound"));
  EXPECT_EQ(loader.State(), ModuleState::kLoaded);
  EXPECT_TRUE(host.ui().ConsoleLines().empty());
}

TEST_F(ModuleLoaderTest, LeakCheckNamesWhatTheModuleLeftByTag) {
  ASSERT_TRUE(loader.Load(kProbe)) << loader.Error();
  ASSERT_EQ(loader.Bind(), 1);
  EXPECT_EQ(loader.Message(100, nullptr), 1);
  EXPECT_EQ(loader.Message(100, nullptr), 1);
  EXPECT_EQ(loader.Message(101, nullptr), 1);
  loader.End();
  const khost::LeakCheck leaks = loader.Unload();
  EXPECT_FALSE(leaks.Clean());
  ASSERT_EQ(leaks.blocks.size(), 1u);
  EXPECT_EQ(leaks.blocks[0].tag, "probe_leak:100");
  EXPECT_EQ(leaks.blocks[0].count, 2u);
  EXPECT_EQ(leaks.blocks[0].bytes, 48u);
  EXPECT_EQ(leaks.Lines(), (std::vector<std::string>{"block probe_leak:100: 2 left, 48 bytes",
                                                     "value string \"left behind\""}));
  EXPECT_EQ(loader.LastLeakCheck().Lines(), leaks.Lines());
}

TEST_F(ModuleLoaderTest, HostOperationsReachTheModuleThroughTheTableWhileTraced) {
  host.trace().Enable(true);
  ASSERT_TRUE(loader.Load(kProbe)) << loader.Error();
  ASSERT_EQ(loader.Bind(), 1);
  loader.Start();
  loader.End();
  EXPECT_EQ(host.trace().Only({"StringSetText", "PrintToConsole"}),
            (std::vector<std::string>{"StringSetText(\"probe started\", -1, 0)",
                                      "PrintToConsole(\"probe started\")"}));
  EXPECT_EQ(host.trace().Only({"MemoryFree"}).size(), 1u);
}

TEST_F(ModuleLoaderTest, DestroyingABoundLoaderUnloadsAndForgetsTheBinding) {
  {
    ModuleLoader scoped{host};
    ASSERT_TRUE(scoped.Load(kProbe)) << scoped.Error();
    ASSERT_EQ(scoped.Bind(), 1);
    EXPECT_TRUE(ModuleLoader::ModuleBoundTo(host));
  }
  EXPECT_FALSE(ModuleLoader::ModuleBoundTo(host));
}

}  // namespace

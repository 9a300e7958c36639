// The module's entry point driven directly: every action code, nested and failed
// bindings, the end work, and the plug-in folder the module derives from its file name.

#include <deque>
#include <filesystem>

#include "module_fixture.h"
#include "module_loader.h"
#include "resources.h"
#include "text_values.h"

namespace kestrum_test {
namespace {

class EntryPoint : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(loader.Load(BuiltPluginFolder() + "/kestrum.cdl")) << loader.Error();
  }
  void TearDown() override {
    const khost::LeakCheck leaks = loader.Unload();
    for (const std::string& line : leaks.Lines()) ADD_FAILURE() << "left behind: " << line;
  }

  // Action 1 with the host's table and a file name naming `modulePath`.
  int32_t BindWith(const std::string& modulePath) {
    HostFileNameStorage& name = names.emplace_back();
    host.text().ConstructFileName(&name, modulePath);
    const int32_t answer = loader.Call(kActionBind, host.CallTable(), nullptr, &name);
    return answer;
  }
  int32_t Call(int32_t action, void* p1 = nullptr, void* p2 = nullptr) {
    return loader.Call(action, p1, p2, nullptr);
  }
  void* Id(intptr_t id) { return reinterpret_cast<void*>(id); }

  ~EntryPoint() override {
    for (HostFileNameStorage& name : names) host.text().DestroyFileName(&name);
  }

  khost::Host host;
  khost::ModuleLoader loader{host};
  std::deque<HostFileNameStorage> names;
};

TEST_F(EntryPoint, ActionsWithoutMeaningAnswerMinusOneAndFourAnswersFive) {
  for (int32_t action : {0, 5, 7, 8, 100, -1}) EXPECT_EQ(-1, Call(action)) << action;
  EXPECT_EQ(5, Call(kActionQueryVersion));
  ASSERT_EQ(1, BindWith(BuiltPluginFolder() + "/kestrum.cdl"));
  for (int32_t action : {0, 5, 7, -1}) EXPECT_EQ(-1, Call(action)) << action;
  EXPECT_EQ(5, Call(kActionQueryVersion));
  EXPECT_EQ(1, Call(kActionEnd));
}

TEST_F(EntryPoint, StartAndResourceMessageBeforeBindingFailWithoutTouchingTheHost) {
  host.trace().Enable(true);
  EXPECT_EQ(0, Call(kActionStart));
  EXPECT_EQ(-1, Call(kActionMessage, Id(1)));
  EXPECT_EQ(1, Call(kActionMessage, Id(0)));
  EXPECT_EQ(-1, Call(kActionMessage, Id(2)));
  EXPECT_TRUE(host.trace().Calls().empty());
  // An end without a binding only counts down.
  EXPECT_EQ(1, Call(kActionEnd));
  EXPECT_TRUE(host.trace().Calls().empty());
}

TEST_F(EntryPoint, MessagesAnswerByIdAndDataIsNotRead) {
  ASSERT_EQ(1, BindWith(BuiltPluginFolder() + "/kestrum.cdl"));
  EXPECT_EQ(1, Call(kActionMessage, Id(0), reinterpret_cast<void*>(0x10)));
  EXPECT_EQ(1, Call(kActionMessage, Id(0)));
  EXPECT_EQ(-1, Call(kActionMessage, Id(2)));
  EXPECT_EQ(-1, Call(kActionMessage, Id(-1)));
  EXPECT_EQ(1, Call(kActionMessage, Id(1)));
  EXPECT_EQ(1, Call(kActionMessage, Id(1)));  // the first load's outcome again
  EXPECT_EQ(1, Call(kActionEnd));
}

TEST_F(EntryPoint, OldHostIsRefusedAndTheFailedBindingStillCounts) {
  host.CallTable()->slot[0].integer = 11999;
  EXPECT_EQ(-3, BindWith(BuiltPluginFolder() + "/kestrum.cdl"));
  // A second binding only counts, even with nothing passed.
  EXPECT_EQ(1, Call(kActionBind));
  EXPECT_EQ(1, Call(kActionEnd));
  host.trace().Enable(true);
  EXPECT_EQ(1, Call(kActionEnd));
  // No file name was kept, so the end work frees none; the resources were never loaded.
  EXPECT_TRUE(host.trace().Only({"FileNameFree", "FreeResourceSet"}).empty());
}

TEST_F(EntryPoint, VersionTwelveThousandIsAcceptedAndNullFileNameRefused) {
  host.CallTable()->slot[0].integer = 12000;
  EXPECT_EQ(-3, loader.Call(kActionBind, host.CallTable(), nullptr, nullptr));
  EXPECT_EQ(1, Call(kActionEnd));
  EXPECT_EQ(1, BindWith(BuiltPluginFolder() + "/kestrum.cdl"));
  EXPECT_EQ(1u, host.text().LiveFileNames());  // the kept module file name
  EXPECT_EQ(1, Call(kActionEnd));
  EXPECT_EQ(0u, host.text().LiveFileNames());
}

TEST_F(EntryPoint, NestedBindingsEndOnlyAtTheLastEnd) {
  ASSERT_EQ(1, BindWith(BuiltPluginFolder() + "/kestrum.cdl"));
  ASSERT_EQ(1, Call(kActionMessage, Id(1)));
  EXPECT_EQ(1, loader.Call(kActionBind, nullptr, nullptr, nullptr));
  EXPECT_EQ(1, Call(kActionEnd));
  EXPECT_EQ(1u, host.resources().LiveSets());
  // The kept module file name and the resources' folder copy.
  EXPECT_EQ(2u, host.text().LiveFileNames());
  EXPECT_EQ(1, Call(kActionEnd));
  EXPECT_EQ(0u, host.resources().LiveSets());
  EXPECT_EQ(0u, host.text().LiveFileNames());
}

TEST_F(EntryPoint, ResourcesComeFromTheFolderOfTheModuleFile) {
  // The same module named as if it lay in a folder without res/: nothing to load.
  const std::filesystem::path empty =
      std::filesystem::temp_directory_path() / "kestrum-entry-point-empty";
  std::filesystem::create_directories(empty);
  ASSERT_EQ(1, BindWith((empty / "kestrum.cdl").string()));
  host.trace().Enable(true);
  EXPECT_EQ(-1, Call(kActionMessage, Id(1)));
  const std::vector<std::string> loads = host.trace().Only({"LoadResourceSet"});
  ASSERT_EQ(1u, loads.size());
  EXPECT_NE(std::string::npos, loads[0].find(empty.string()));
  EXPECT_EQ(1, Call(kActionEnd));

  // After the end a new binding keeps a new file name, but the one load attempt is
  // final for the library's life.
  ASSERT_EQ(1, BindWith(BuiltPluginFolder() + "/kestrum.cdl"));
  EXPECT_EQ(-1, Call(kActionMessage, Id(1)));
  EXPECT_EQ(1, Call(kActionEnd));
}

}  // namespace
}  // namespace kestrum_test

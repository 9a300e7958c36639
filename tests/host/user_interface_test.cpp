// What the module shows the user or asks of the host: console lines, messages, files to
// open, the file existence test and view updates, all called through the call table.
#include "user_interface.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host_fixture.h"

namespace {

using khost_test::HostFixture;
namespace table = khost_test::table;

class UserInterfaceTest : public HostFixture {
 protected:
  khost::UserInterface& ui() { return host.ui(); }
};

TEST_F(UserInterfaceTest, ConsoleKeepsLinesInOrderAndEchoes) {
  std::ostringstream echo;
  ui().EchoConsoleTo(&echo);
  table::PrintToConsole(host)(MakeString("first"));
  table::PrintToConsole(host)(MakeString(""));
  table::PrintToConsole(host)(MakeString("third line"));
  EXPECT_EQ(ui().ConsoleLines(), (std::vector<std::string>{"first", "", "third line"}));
  EXPECT_EQ(echo.str(), "first\n\nthird line\n");
  ui().EchoConsoleTo(nullptr);
  table::PrintToConsole(host)(MakeString("quiet"));
  EXPECT_EQ(echo.str(), "first\n\nthird line\n");
  EXPECT_EQ(ui().ConsoleLines().size(), 4u);
}

TEST_F(UserInterfaceTest, MessagesKeepTextAndKind) {
  table::HostShowMessage(host)(MakeString("The help page is missing"), 0);
  table::HostShowMessage(host)(MakeString("second"), 3);
  ASSERT_EQ(ui().Messages().size(), 2u);
  EXPECT_EQ(ui().Messages()[0].text, "The help page is missing");
  EXPECT_EQ(ui().Messages()[0].kind, 0);
  EXPECT_EQ(ui().Messages()[1].kind, 3);
}

TEST_F(UserInterfaceTest, OpenFileRecordsThePathAndCallsTheOpener) {
  std::vector<std::string> opened;
  ui().SetFileOpener([&](const std::string& path) { opened.push_back(path); });
  EXPECT_EQ(table::HostOpenFile(host)(MakeFileName("/p/help/index.html")), 1);
  EXPECT_EQ(ui().OpenedFiles(), std::vector<std::string>{"/p/help/index.html"});
  EXPECT_EQ(opened, std::vector<std::string>{"/p/help/index.html"});
}

TEST_F(UserInterfaceTest, FileExistsIsTrueOnlyForARegularFile) {
  namespace fs = std::filesystem;
  const fs::path folder =
      fs::temp_directory_path() /
      ("kestrum_ui_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
       "_" + std::to_string(reinterpret_cast<uintptr_t>(this)));
  fs::create_directories(folder);
  std::ofstream(folder / "index.html") << "<html></html>";
  struct Case {
    std::string path;
    int32_t expected;
  };
  const Case cases[] = {
      {(folder / "index.html").string(), 1},
      {(folder / "missing.html").string(), 0},
      {folder.string(), 0},  // a folder is not a file
      {"", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(table::FileExists(host)(MakeFileName(c.path), 0), c.expected) << c.path;
  EXPECT_EQ(ui().ExistenceChecks().size(), 4u);
  fs::remove_all(folder);
}

TEST_F(UserInterfaceTest, DeadValuesAreReportedAndShowNothing) {
  HostStringStorage line{};
  HostFileNameStorage name{};
  table::PrintToConsole(host)(&line);
  table::HostShowMessage(host)(&line, 0);
  EXPECT_EQ(table::HostOpenFile(host)(&name), 0);
  EXPECT_EQ(table::FileExists(host)(&name, 0), 0);
  EXPECT_TRUE(ui().ConsoleLines().empty());
  EXPECT_TRUE(ui().Messages().empty());
  EXPECT_TRUE(ui().OpenedFiles().empty());
  EXPECT_EQ(host.misuse().Entries().size(), 4u);
  EXPECT_TRUE(host.misuse().Mentions("HostOpenFile: file name never initialised"));
}

TEST_F(UserInterfaceTest, ViewUpdatesAreKeptWithBothArguments) {
  table::HostUpdateViews(host)(2, 0);
  table::HostUpdateViews(host)(4, 9);
  ASSERT_EQ(ui().ViewUpdates().size(), 2u);
  EXPECT_EQ(ui().ViewUpdates()[0].flags, 2);
  EXPECT_EQ(ui().ViewUpdates()[0].second, 0);
  EXPECT_EQ(ui().ViewUpdates()[1].flags, 4);
  EXPECT_EQ(ui().ViewUpdates()[1].second, 9);
  ui().Clear();
  EXPECT_TRUE(ui().ViewUpdates().empty());
}

TEST_F(UserInterfaceTest, TraceRecordsWhatWasShown) {
  host.trace().Enable(true);
  table::PrintToConsole(host)(MakeString("banner"));
  table::HostUpdateViews(host)(2, 0);
  EXPECT_EQ(host.trace().Calls(),
            (std::vector<std::string>{"PrintToConsole(\"banner\")", "HostUpdateViews(2, 0)"}));
}

}  // namespace

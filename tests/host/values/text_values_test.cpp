// Strings and file names in module-owned storage: their life cycle, the operations on
// them, and misuse (freed twice, used after free, never initialised) reported without
// following the storage.
#include "text_values.h"

#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"

namespace {

using khost_test::HostFixture;
namespace table = khost_test::table;

class TextValuesTest : public HostFixture {
 protected:
  khost::TextValues& text() { return host.text(); }

  // A file name made the way the module makes one: string part, then file name part.
  void ModuleFileName(HostFileNameStorage* name, const char* path) {
    table::StringInit(host)(&name->text);
    table::FileNameInit(host)(name);
    table::FileNameSetText(host)(name, path);
  }
  void ModuleFree(HostFileNameStorage* name) {
    table::FileNameFree(host)(name);
    table::StringFree(host)(&name->text);
  }
};

TEST_F(TextValuesTest, StringLifeThroughTheCallTable) {
  HostStringStorage storage;
  table::StringInit(host)(&storage);
  EXPECT_EQ(text().LiveStrings(), 1u);
  EXPECT_EQ(table::StringHasContent(host)(&storage), 0);
  table::StringSetText(host)(&storage, "Kestrum", -1, 0);
  EXPECT_EQ(TextOf(&storage), "Kestrum");
  EXPECT_EQ(table::StringHasContent(host)(&storage), 1);
  table::StringFree(host)(&storage);
  EXPECT_EQ(text().LiveStrings(), 0u);
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(TextValuesTest, SetTextTakesTheGivenLengthOrUpToTheTerminator) {
  struct Case {
    const char* characters;
    int32_t length;
    std::string expected;
  };
  const Case cases[] = {
      {"abcdef", -1, "abcdef"},
      {"abcdef", 3, "abc"},
      {"abcdef", 0, ""},
      {"ab\0cd", 5, std::string("ab\0cd", 5)},  // a length counts bytes, not up to a zero
      {"ab\0cd", -1, "ab"},
      {nullptr, 0, ""},
  };
  for (const Case& c : cases) {
    HostStringStorage storage;
    text().StringInit(&storage);
    text().StringSetText(&storage, "old", -1, 0);
    text().StringSetText(&storage, c.characters, c.length, 7);  // last is ignored
    EXPECT_EQ(TextOf(&storage), c.expected) << "length " << c.length;
    text().StringFree(&storage);
  }
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(TextValuesTest, SetTextWithoutCharactersIsReportedAndKeepsTheText) {
  HostStringStorage* storage = MakeString("kept");
  text().StringSetText(storage, nullptr, -1, 0);
  text().StringSetText(storage, "x", -2, 0);
  EXPECT_EQ(TextOf(storage), "kept");
  EXPECT_EQ(host.misuse().Entries().size(), 2u);
  EXPECT_TRUE(host.misuse().Mentions("StringSetText"));
}

// Each misuse names its operation and leaves the values as they were.
struct MisuseCase {
  const char* name;
  void (*act)(khost::Host& host, HostStringStorage* freed, HostStringStorage* untouched);
  const char* expected;
};
// Names the case when a test fails, instead of dumping its bytes (some of which, in
// padding and strings, were never written).
void PrintTo(const MisuseCase& value, std::ostream* out) { *out << value.name; }

class StringMisuseTest : public TextValuesTest, public ::testing::WithParamInterface<MisuseCase> {};

TEST_P(StringMisuseTest, IsReportedAndDoesNothing) {
  HostStringStorage freed;
  table::StringInit(host)(&freed);
  table::StringSetText(host)(&freed, "gone", -1, 0);
  table::StringFree(host)(&freed);
  // Never written by the host: zero-filled, as module memory arrives.
  HostStringStorage untouched{};
  HostStringStorage* witness = MakeString("witness");
  ASSERT_TRUE(host.misuse().Empty());

  GetParam().act(host, &freed, &untouched);

  EXPECT_TRUE(host.misuse().Mentions(GetParam().expected))
      << (host.misuse().Empty() ? "no report" : host.misuse().Entries().front());
  EXPECT_EQ(host.misuse().Entries().size(), 1u);
  EXPECT_EQ(text().LiveStrings(), 0u);
  EXPECT_EQ(TextOf(witness), "witness");
}

INSTANTIATE_TEST_SUITE_P(
    Strings, StringMisuseTest,
    ::testing::Values(MisuseCase{"FreedTwice",
                                 [](khost::Host& h, HostStringStorage* f, HostStringStorage*) {
                                   khost_test::table::StringFree(h)(f);
                                 },
                                 "StringFree: string freed twice"},
                      MisuseCase{"SetAfterFree",
                                 [](khost::Host& h, HostStringStorage* f, HostStringStorage*) {
                                   khost_test::table::StringSetText(h)(f, "x", -1, 0);
                                 },
                                 "StringSetText: string used after free"},
                      MisuseCase{"HasContentAfterFree",
                                 [](khost::Host& h, HostStringStorage* f, HostStringStorage*) {
                                   EXPECT_EQ(khost_test::table::StringHasContent(h)(f), 0);
                                 },
                                 "StringHasContent: string used after free"},
                      MisuseCase{"FreeNeverInitialised",
                                 [](khost::Host& h, HostStringStorage*, HostStringStorage* u) {
                                   khost_test::table::StringFree(h)(u);
                                 },
                                 "StringFree: string never initialised"},
                      MisuseCase{"PrintNeverInitialised",
                                 [](khost::Host& h, HostStringStorage*, HostStringStorage* u) {
                                   khost_test::table::PrintToConsole(h)(u);
                                 },
                                 "PrintToConsole: string never initialised"},
                      MisuseCase{"ShallowCopyIsNotTheValue",
                                 [](khost::Host& h, HostStringStorage*, HostStringStorage* u) {
                                   HostStringStorage original;
                                   khost_test::table::StringInit(h)(&original);
                                   std::memcpy(u, &original, sizeof original);
                                   khost_test::table::StringSetText(h)(u, "x", -1, 0);
                                   khost_test::table::StringFree(h)(&original);
                                 },
                                 "StringSetText: string never initialised"},
                      MisuseCase{"FreeTheDefaultString",
                                 [](khost::Host& h, HostStringStorage*, HostStringStorage*) {
                                   auto* shared = static_cast<const HostStringStorage*>(
                                       h.SubTable(kTableString)[0].pointer);
                                   khost_test::table::StringFree(h)(
                                       const_cast<HostStringStorage*>(shared));
                                 },
                                 "StringFree: string is host-owned"}),
    [](const ::testing::TestParamInfo<MisuseCase>& param) {
      return std::string(param.param.name);
    });

TEST_F(TextValuesTest, DefaultStringIsHostOwnedEmptyAndInSlotZero) {
  const auto* shared =
      static_cast<const HostStringStorage*>(host.SubTable(kTableString)[0].pointer);
  EXPECT_EQ(shared, text().DefaultString());
  EXPECT_EQ(TextOf(shared), "");
  EXPECT_EQ(table::StringHasContent(host)(shared), 0);
  EXPECT_EQ(text().LiveStrings(), 0u);  // not something the module left alive
}

TEST_F(TextValuesTest, HostOwnedStringsStayAliveAndAreSharedByText) {
  const HostStringStorage* first = text().HostOwnedString("Align objects");
  const HostStringStorage* again = text().HostOwnedString("Align objects");
  const HostStringStorage* other = text().HostOwnedString("Help");
  EXPECT_EQ(first, again);
  EXPECT_NE(first, other);
  EXPECT_EQ(TextOf(first), "Align objects");
  EXPECT_EQ(table::StringHasContent(host)(other), 1);
  EXPECT_TRUE(text().DescribeLive().empty());
}

TEST_F(TextValuesTest, FileNameNeedsItsStringPartAlive) {
  HostFileNameStorage name{};
  table::FileNameInit(host)(&name);
  EXPECT_TRUE(host.misuse().Mentions("FileNameInit: its string part is not alive"));
  EXPECT_EQ(text().LiveFileNames(), 0u);
}

TEST_F(TextValuesTest, FileNameLifeInOrderLeavesNothing) {
  HostFileNameStorage name;
  ModuleFileName(&name, "/plugins/kestrum/kestrum.cdl");
  EXPECT_EQ(PathOf(&name), "/plugins/kestrum/kestrum.cdl");
  EXPECT_EQ(text().LiveFileNames(), 1u);
  EXPECT_EQ(text().LiveStrings(), 1u);  // its string part
  ModuleFree(&name);
  EXPECT_EQ(text().LiveFileNames(), 0u);
  EXPECT_EQ(text().LiveStrings(), 0u);
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(TextValuesTest, FileNameFreeLeavesTheStringPartForStringFree) {
  HostFileNameStorage name;
  ModuleFileName(&name, "a");
  table::FileNameFree(host)(&name);
  EXPECT_EQ(text().LiveFileNames(), 0u);
  EXPECT_EQ(text().LiveStrings(), 1u);
  EXPECT_EQ(text().DescribeLive(), std::vector<std::string>{"string \"\""});
  table::FileNameFree(host)(&name);
  EXPECT_TRUE(host.misuse().Mentions("FileNameFree: file name freed twice"));
  table::StringFree(host)(&name.text);
  EXPECT_EQ(text().LiveStrings(), 0u);
}

TEST_F(TextValuesTest, StringPartFreedFirstIsReported) {
  HostFileNameStorage name;
  ModuleFileName(&name, "a");
  table::StringFree(host)(&name.text);
  EXPECT_TRUE(host.misuse().Mentions("before its file name part"));
  table::FileNameFree(host)(&name);
  EXPECT_EQ(text().LiveFileNames(), 0u);
  EXPECT_EQ(text().LiveStrings(), 0u);
}

TEST_F(TextValuesTest, AppendJoinsWithOneSlash) {
  struct Case {
    const char* folder;
    const char* component;
    const char* joined;
  };
  const Case cases[] = {
      {"/plugins/kestrum", "help", "/plugins/kestrum/help"},
      {"/plugins/kestrum/", "res", "/plugins/kestrum/res"},
      {"", "index.html", "index.html"},
      {"folder", "", "folder"},
      {"/", "etc", "/etc"},
  };
  for (const Case& c : cases) {
    HostFileNameStorage name, component;
    ModuleFileName(&name, c.folder);
    ModuleFileName(&component, c.component);
    table::FileNameAppend(host)(&name, &component);
    EXPECT_EQ(PathOf(&name), c.joined) << c.folder << " + " << c.component;
    EXPECT_EQ(PathOf(&component), c.component);
    ModuleFree(&component);
    ModuleFree(&name);
  }
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(TextValuesTest, DirectoryYieldsACompleteNewValue) {
  struct Case {
    const char* path;
    const char* folder;
  };
  // POSIX dirname, except "" where it gives ".".
  const Case cases[] = {
      {"/plugins/kestrum/kestrum.cdl", "/plugins/kestrum"},
      {"/plugins/kestrum/", "/plugins"},
      {"a//b", "a"},
      {"a/b//", "a"},
      {"/kestrum.cdl", "/"},
      {"/", "/"},
      {"///", "/"},
      {"kestrum.cdl", ""},
      {"a/", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    HostFileNameStorage name, folder;
    ModuleFileName(&name, c.path);
    table::FileNameDirectory(host)(&name, &folder);  // raw storage, constructed by the host
    EXPECT_EQ(PathOf(&folder), c.folder) << "folder of \"" << c.path << "\"";
    EXPECT_EQ(PathOf(&name), c.path);
    EXPECT_EQ(text().LiveFileNames(), 2u);
    ModuleFree(&folder);
    ModuleFree(&name);
  }
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(TextValuesTest, CopySurvivesItsSource) {
  HostFileNameStorage source, copy;
  ModuleFileName(&source, "/x/y");
  ModuleFileName(&copy, "");
  table::FileNameCopy(host)(&source, &copy);
  ModuleFree(&source);
  EXPECT_EQ(PathOf(&copy), "/x/y");
  ModuleFree(&copy);
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(TextValuesTest, SetStringTakesTheStringsText) {
  HostStringStorage res;
  table::StringInit(host)(&res);
  table::StringSetText(host)(&res, "res", -1, 0);
  HostFileNameStorage name;
  table::StringInit(host)(&name.text);
  table::FileNameInit(host)(&name);
  table::FileNameSetString(host)(&name, &res);
  EXPECT_EQ(PathOf(&name), "res");
  ModuleFree(&name);
  table::StringFree(host)(&res);
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(TextValuesTest, FileNameOperationsOnDeadValuesChangeNothing) {
  HostFileNameStorage live, dead;
  ModuleFileName(&live, "/keep");
  ModuleFileName(&dead, "/gone");
  ModuleFree(&dead);
  table::FileNameCopy(host)(&dead, &live);
  table::FileNameAppend(host)(&live, &dead);
  table::FileNameSetText(host)(&dead, "x");
  EXPECT_EQ(PathOf(&live), "/keep");
  EXPECT_EQ(host.misuse().Entries().size(), 3u);
  EXPECT_TRUE(host.misuse().Mentions("FileNameCopy: file name used after free"));
  EXPECT_TRUE(host.misuse().Mentions("FileNameAppend: file name used after free"));
  EXPECT_TRUE(host.misuse().Mentions("FileNameSetText: file name used after free"));
  ModuleFree(&live);
}

TEST_F(TextValuesTest, DescribeLiveListsWhatTheModuleLeftInOrder) {
  HostStringStorage banner;
  table::StringInit(host)(&banner);
  table::StringSetText(host)(&banner, "banner", -1, 0);
  HostFileNameStorage name;
  ModuleFileName(&name, "/p/kestrum.cdl");
  MakeString("host made");  // the host's own values are not the module's leftovers
  MakeFileName("/host/made");
  EXPECT_EQ(text().DescribeLive(),
            (std::vector<std::string>{"string \"banner\"", "file name \"/p/kestrum.cdl\""}));
  EXPECT_EQ(text().LiveStrings(), 2u);
  EXPECT_EQ(text().LiveFileNames(), 1u);
  ModuleFree(&name);
  table::StringFree(host)(&banner);
  EXPECT_TRUE(text().DescribeLive().empty());
}

TEST_F(TextValuesTest, TraceShowsTheTextsSet) {
  host.trace().Enable(true);
  HostFileNameStorage name;
  ModuleFileName(&name, "help");
  ModuleFree(&name);
  EXPECT_EQ(host.trace().Calls(),
            (std::vector<std::string>{"StringInit", "FileNameInit", "FileNameSetText(\"help\")",
                                      "FileNameFree", "StringFree"}));
}

}  // namespace

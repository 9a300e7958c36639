// Resource sets: the file a folder offers for the user's language, strings by id, and
// clear failures for folders without a set and for malformed files.
#include "resources.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "temp_folder.h"

namespace khost_test {
namespace {

// Sets or clears an environment variable for one scope and puts the old value back.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedEnvironment() { Set(old_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  void Set(const std::optional<std::string>& value) {
    if (value)
      setenv(name_, value->c_str(), 1);
    else
      unsetenv(name_);
  }
  const char* name_;
  std::optional<std::string> old_;
};

// A set file whose string 10000 is `marker`, so a test can tell which file was read.
std::string SetFile(const std::string& marker) {
  return R"({"strings": {"10000": ")" + marker + R"(", "10001": "second"}})";
}

class ResourcesTest : public HostFixture {
 protected:
  HostResourceSet* Load(const std::string& path) {
    return table::LoadResourceSet(host)(MakeFileName(path));
  }
  std::string StringOf(HostResourceSet* set, int32_t id) {
    return TextOf(table::ResourceSetString(host)(set, id));
  }
  void Free(HostResourceSet* set) { table::FreeResourceSet(host)(set); }

  khost::Resources& resources() { return host.resources(); }
  TempFolder folder;
};

TEST_F(ResourcesTest, ShippedPluginFolderGivesTheToolsTexts) {
  resources().SetLanguage("en");
  HostResourceSet* set = Load(std::string(KESTRUM_SOURCE_DIR) + "/plugin");
  ASSERT_NE(set, nullptr) << resources().LastLoadError();
  EXPECT_EQ(StringOf(set, 10000), "Kestrum");
  EXPECT_FALSE(StringOf(set, 10001).empty());
  EXPECT_NE(StringOf(set, 10002).find("help"), std::string::npos);
  EXPECT_TRUE(resources().MissingLookups().empty());
  Free(set);
  EXPECT_EQ(resources().LiveSets(), 0u);
  EXPECT_TRUE(host.misuse().Empty());
}

struct LanguageCase {
  const char* title;
  std::optional<std::string> kestrumLanguage;
  std::optional<std::string> lang;
  std::vector<std::string> files;  // languages the folder offers
  std::string expected;
};

TEST_F(ResourcesTest, LanguageComesFromTheEnvironmentWithFallbacks) {
  const std::vector<LanguageCase> cases = {
      {"own variable wins", "de", "fr_FR.UTF-8", {"de", "en", "fr"}, "de"},
      {"first letters of LANG", std::nullopt, "fr_FR.UTF-8", {"de", "en", "fr"}, "fr"},
      {"LANG letters are lowered", std::nullopt, "FR", {"en", "fr"}, "fr"},
      {"language not offered falls back to en", std::nullopt, "it_IT", {"de", "en", "fr"}, "en"},
      {"C locale falls back to en", std::nullopt, "C", {"de", "en"}, "en"},
      {"nothing set falls back to en", std::nullopt, std::nullopt, {"de", "en"}, "en"},
      {"no en: alphabetically first", std::nullopt, "it_IT", {"fr", "de", "pt"}, "de"},
      {"a path is not a language", "../en", "fr_FR", {"en", "fr"}, "fr"},
  };
  for (const LanguageCase& c : cases) {
    SCOPED_TRACE(c.title);
    TempFolder plugin;
    for (const std::string& language : c.files)
      plugin.Write("res/strings/" + language + ".json", SetFile(language));
    ScopedEnvironment own("KESTRUM_LANGUAGE", c.kestrumLanguage);
    ScopedEnvironment lang("LANG", c.lang);
    HostResourceSet* set = Load(plugin.Path());
    ASSERT_NE(set, nullptr) << resources().LastLoadError();
    EXPECT_EQ(StringOf(set, 10000), c.expected);
    EXPECT_EQ(*resources().LanguageOf(set), c.expected);
    Free(set);
  }
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(ResourcesTest, SecondLanguageIsAddedBesideTheFirst) {
  folder.Write("res/strings/en.json", SetFile("Kestrum"));
  folder.Write("res/strings/de.json", SetFile("Kestrum (de)"));
  resources().SetLanguage("de");
  HostResourceSet* german = Load(folder.Path());
  resources().SetLanguage("en");
  HostResourceSet* english = Load(folder.Path());
  ASSERT_NE(german, nullptr);
  ASSERT_NE(english, nullptr);
  EXPECT_EQ(StringOf(german, 10000), "Kestrum (de)");
  EXPECT_EQ(StringOf(english, 10000), "Kestrum");
  EXPECT_EQ(resources().LiveSets(), 2u);
  EXPECT_EQ(*resources().FolderOf(german), folder.Path());
  Free(german);
  Free(english);
}

TEST_F(ResourcesTest, FolderWithoutASetGivesNullAndNoMisuse) {
  EXPECT_EQ(Load(folder.Path()), nullptr);
  EXPECT_NE(resources().LastLoadError().find("no resource set"), std::string::npos);
  folder.Write("res/strings/readme.txt", "not a set");
  EXPECT_EQ(Load(folder.Path()), nullptr);
  EXPECT_EQ(Load(folder.Path() + "/does-not-exist"), nullptr);
  EXPECT_TRUE(host.misuse().Empty());
  EXPECT_EQ(resources().LiveSets(), 0u);
}

TEST_F(ResourcesTest, SyntaxErrorNamesTheFileLineAndColumn) {
  // Line 3 is `    "10000": "a",,`: the second comma is its 18th character.
  const std::string file =
      folder.Write("res/strings/en.json", "{\n  \"strings\": {\n    \"10000\": \"a\",,\n  }\n}\n");
  resources().SetLanguage("en");
  EXPECT_EQ(Load(folder.Path()), nullptr);
  const std::string& error = resources().LastLoadError();
  EXPECT_NE(error.find(file), std::string::npos) << error;
  EXPECT_NE(error.find(":3:18: "), std::string::npos) << error;
  EXPECT_TRUE(host.misuse().Mentions(file));
  EXPECT_TRUE(host.misuse().Mentions(":3:18: "));
}

TEST_F(ResourcesTest, MalformedPreferredFileIsNotSkippedForAnother) {
  folder.Write("res/strings/en.json", "{\"strings\": ");
  folder.Write("res/strings/de.json", SetFile("de"));
  resources().SetLanguage("en");
  EXPECT_EQ(Load(folder.Path()), nullptr);
  EXPECT_TRUE(host.misuse().Mentions("en.json"));
}

struct FormCase {
  const char* content;
  const char* expectedPart;  // found in the error
};

TEST_F(ResourcesTest, WrongFormIsReportedWithItsJsonPath) {
  const std::vector<FormCase> cases = {
      {R"([1, 2])", "the top level: an object"},
      {R"({"language": "en"})", "\"strings\" is missing"},
      {R"({"strings": ["Kestrum"]})", "/strings: an object"},
      {R"({"strings": {"abc": "x"}})", "/strings/abc: \"abc\" is not a decimal"},
      {R"({"strings": {"010000": "x"}})", "/strings/010000"},
      {R"({"strings": {"4294967296": "x"}})", "/strings/4294967296"},
      {R"({"strings": {"10000": 5}})", "/strings/10000: a string is expected"},
      {R"({"strngs": {}, "strings": {}})", "/strngs: unknown member"},
      {R"({"language": "", "strings": {}})", "/language: the text is empty"},
  };
  resources().SetLanguage("en");
  for (const FormCase& c : cases) {
    SCOPED_TRACE(c.content);
    host.misuse().Clear();
    folder.Write("res/strings/en.json", c.content);
    EXPECT_EQ(Load(folder.Path()), nullptr);
    EXPECT_NE(resources().LastLoadError().find(c.expectedPart), std::string::npos)
        << resources().LastLoadError();
    EXPECT_TRUE(host.misuse().Mentions("en.json"));
  }
  EXPECT_EQ(resources().LiveSets(), 0u);
}

TEST_F(ResourcesTest, IdTheSetLacksGivesAnEmptyStringAndIsCounted) {
  folder.Write("res/strings/en.json", R"({"strings": {"-3": "negative", "10000": ""}})");
  HostResourceSet* set = Load(folder.Path());
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(StringOf(set, -3), "negative");
  EXPECT_EQ(StringOf(set, 10000), "");
  EXPECT_TRUE(resources().MissingLookups().empty()) << "an empty text is still a text";
  const HostStringStorage* missing = table::ResourceSetString(host)(set, 42);
  EXPECT_EQ(TextOf(missing), "");
  EXPECT_EQ(table::ResourceSetString(host)(set, 42), missing) << "same id, same string";
  EXPECT_EQ(resources().MissingLookups(), (std::vector<int32_t>{42}));
  EXPECT_EQ(resources().Text(set, 42), std::nullopt);
  EXPECT_TRUE(host.misuse().Empty());
  Free(set);
}

TEST_F(ResourcesTest, FreeingNullTwiceOrUnknownIsMisuseAndHarmless) {
  folder.Write("res/strings/en.json", SetFile("x"));
  HostResourceSet* set = Load(folder.Path());
  ASSERT_NE(set, nullptr);
  HostResourceSet* other = Load(folder.Path());
  EXPECT_NE(other, set);
  Free(set);
  EXPECT_EQ(resources().LiveSets(), 1u);
  EXPECT_TRUE(host.misuse().Empty());

  Free(set);
  EXPECT_TRUE(host.misuse().Mentions("freed twice"));
  Free(nullptr);
  EXPECT_TRUE(host.misuse().Mentions("FreeResourceSet: null"));
  int notASet = 0;
  Free(reinterpret_cast<HostResourceSet*>(&notASet));
  EXPECT_TRUE(host.misuse().Mentions("never handed out"));
  EXPECT_EQ(host.misuse().Entries().size(), 3u);

  host.misuse().Clear();
  EXPECT_EQ(StringOf(set, 10000), "") << "a freed set answers nothing";
  EXPECT_TRUE(host.misuse().Mentions("not live"));
  EXPECT_EQ(resources().FolderOf(set), nullptr);
  EXPECT_EQ(resources().LiveSets(), 1u);
  Free(other);
}

TEST_F(ResourcesTest, LiveSetsAreDescribedForLeakReports) {
  const std::string file = folder.Write("res/strings/en.json", SetFile("x"));
  HostResourceSet* set = Load(folder.Path());
  EXPECT_EQ(resources().DescribeLive(), (std::vector<std::string>{"resource set " + file}));
  Free(set);
  EXPECT_TRUE(resources().DescribeLive().empty());
}

TEST_F(ResourcesTest, LoadOfADeadFileNameIsRefused) {
  HostFileNameStorage dead{};
  EXPECT_EQ(table::LoadResourceSet(host)(&dead), nullptr);
  EXPECT_FALSE(host.misuse().Empty());
}

}  // namespace
}  // namespace khost_test

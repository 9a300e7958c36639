// The description library as the module reaches it: found as plug-in 1000467 of kind
// 17, called through its function table; description files read and checked; the
// description ids of command messages.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "plugins.h"
#include "resources.h"
#include "temp_folder.h"

namespace khost_test {
namespace {

constexpr int32_t kToolId = 1029646;

// A small valid panel; tests replace parts of it.
const char* const kSmallPanel = R"({
  "name": "Small",
  "groups": [
    { "label": "Objects", "elements": [
      { "id": 10002, "name": "REFERENCE", "kind": "link", "label": "Reference" } ] },
    { "label": "Axis", "elements": [
      { "id": 10004, "name": "MODE", "kind": "choice", "label": "Mode", "default": 10006,
        "values": [ { "id": 10005, "name": "MODE_NONE", "label": "None" },
                    { "id": 10006, "name": "MODE_PLUS", "label": "Plus" } ] },
      { "id": 705, "name": "AUTO", "kind": "flag", "label": "Auto", "default": true },
      { "id": 10001, "name": "GO", "kind": "button", "label": "Go" } ] }
  ]
})";

class DescriptionLibraryTest : public HostFixture {
 protected:
  // The library's table as the module finds it: FindPlugin, then PluginLibraryData.
  HostSlot* LibraryTable() {
    HostPlugin* library = table::FindPlugin(host)(kDescriptionLibraryId, kPluginKindLibrary);
    if (library == nullptr) return nullptr;
    int32_t mainId = 0;
    int32_t subId = 0;
    void* data = nullptr;
    if (table::PluginLibraryData(host)(library, &mainId, &subId, &data) == 0) return nullptr;
    return static_cast<HostSlot*>(data);
  }
  template <typename Function>
  Function Entry(int byteOffset) {
    HostSlot* table = LibraryTable();
    return reinterpret_cast<Function>(table[byteOffset / 4].function);
  }
  int32_t RegisterDescription(int32_t id, const std::string& name, HostResourceSet* set) {
    return Entry<RegisterDescriptionResourceFunction>(8)(id, MakeString(name), set);
  }
  int32_t LoadDescription(HostDescription* description, int32_t id) {
    return Entry<LoadDescriptionByIdFunction>(24)(description, id);
  }
  HostDescLevel Level(const void* descId, int32_t level) {
    return *Entry<DescriptionIdLevelFunction>(112)(descId, level);
  }
  // A plug-in folder with a string set and the given description file.
  HostResourceSet* FolderWithDescription(const std::string& name, const std::string& content) {
    folder.Write("res/strings/en.json", R"({"strings": {"10000": "Small"}})");
    folder.Write("res/description/" + name + ".json", content);
    return host.resources().LoadFromFolder(folder.Path());
  }
  khost::Plugins& plugins() { return host.plugins(); }

  TempFolder folder;
};

TEST_F(DescriptionLibraryTest, LibraryIsFoundByIdAndKindOnly) {
  EXPECT_NE(table::FindPlugin(host)(kDescriptionLibraryId, kPluginKindLibrary), nullptr);
  EXPECT_EQ(table::FindPlugin(host)(kDescriptionLibraryId, kPluginKindTool), nullptr);
  EXPECT_EQ(table::FindPlugin(host)(kDescriptionLibraryId + 1, kPluginKindLibrary), nullptr);
}

TEST_F(DescriptionLibraryTest, TableHoldsItsSizeAndTheThreeEntries) {
  HostPlugin* library = table::FindPlugin(host)(kDescriptionLibraryId, kPluginKindLibrary);
  int32_t mainId = 0;
  int32_t subId = 0;
  void* data = nullptr;
  ASSERT_EQ(table::PluginLibraryData(host)(library, &mainId, &subId, &data), 1);
  EXPECT_EQ(mainId, kDescriptionLibraryId);
  EXPECT_EQ(subId, 1);
  const auto* slots = static_cast<const HostSlot*>(data);
  // Entries at bytes 8, 24 and 112 of a 32-bit table: slots 2, 6 and 28, so the
  // table is 29 slots long.
  EXPECT_EQ(slots[1].integer, 29 * static_cast<int32_t>(sizeof(void*)));
  EXPECT_EQ(slots[1].raw >> 31 >> 1, 0u) << "upper bytes of an integer slot are zero";
  const std::set<int> entries = {2, 6, 28};
  for (int slot = 2; slot < 29; ++slot)
    EXPECT_EQ(slots[slot].raw != 0, entries.count(slot) == 1) << "slot " << slot;
  EXPECT_EQ(slots[28].function, host.plugins().DescriptionLibraryTable()[28].function);
}

TEST_F(DescriptionLibraryTest, LibraryCanBeRemovedShrunkAndStrippedAndRestored) {
  plugins().SetDescriptionLibraryPresent(false);
  EXPECT_EQ(table::FindPlugin(host)(kDescriptionLibraryId, kPluginKindLibrary), nullptr);
  plugins().SetDescriptionLibraryPresent(true);

  plugins().SetDescriptionLibrarySize(8);
  plugins().ClearDescriptionLibraryEntry(24);
  HostSlot* table = LibraryTable();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table[1].integer, 8);
  EXPECT_EQ(table[6].raw, 0u);
  EXPECT_NE(table[2].raw, 0u);

  plugins().RestoreDescriptionLibrary();
  EXPECT_EQ(table[1].integer, 29 * static_cast<int32_t>(sizeof(void*)));
  EXPECT_NE(table[6].raw, 0u);
}

TEST_F(DescriptionLibraryTest, PluginLibraryDataOfAnUnknownHandleIsMisuse) {
  int notAPlugin = 0;
  void* data = nullptr;
  EXPECT_EQ(table::PluginLibraryData(host)(reinterpret_cast<HostPlugin*>(&notAPlugin), nullptr,
                                           nullptr, &data),
            0);
  EXPECT_EQ(data, nullptr);
  EXPECT_TRUE(host.misuse().Mentions("PluginLibraryData"));
}

// The shipped panel, checked against the ids and values the tool relies on.
TEST_F(DescriptionLibraryTest, ShippedPanelDeclaresEverySettingTheToolUses) {
  host.resources().SetLanguage("en");
  HostResourceSet* set =
      host.resources().LoadFromFolder(std::string(KESTRUM_SOURCE_DIR) + "/plugin");
  ASSERT_NE(set, nullptr) << host.resources().LastLoadError();
  ASSERT_EQ(RegisterDescription(kToolId, "Kestrum", set), 1) << plugins().LastDescriptionError();
  HostDescription* description = plugins().NewDescription();
  ASSERT_EQ(LoadDescription(description, kToolId), 1);
  const khost::Description* filled = plugins().DescriptionOf(description);
  ASSERT_TRUE(filled->Loaded());
  EXPECT_EQ(filled->PluginId(), kToolId);
  const khost::DescriptionLayout& layout = filled->Layout();

  using khost::ElementKind;
  const std::map<int32_t, ElementKind> kinds = {
      {10001, ElementKind::kButton}, {10002, ElementKind::kLink},   {10003, ElementKind::kLink},
      {10004, ElementKind::kChoice}, {10009, ElementKind::kChoice}, {10012, ElementKind::kChoice},
      {10017, ElementKind::kChoice}, {10020, ElementKind::kChoice}, {10025, ElementKind::kChoice},
      {10028, ElementKind::kButton}, {702, ElementKind::kButton},   {704, ElementKind::kButton}};
  for (const auto& [id, kind] : kinds) {
    const khost::DescriptionElement* element = layout.Element(id);
    ASSERT_NE(element, nullptr) << id;
    EXPECT_EQ(element->kind, kind) << id;
    EXPECT_FALSE(element->label.empty()) << id;
  }
  EXPECT_EQ(layout.ElementCount(), kinds.size());
  EXPECT_EQ(layout.Element(10002)->acceptsKind, 5155);
  EXPECT_EQ(layout.Element(10001)->label, "Align selected");
  EXPECT_EQ(layout.Element(10028)->label, "Help");
  EXPECT_EQ(layout.Element(704)->label, "Align object");
  EXPECT_EQ(layout.Element(702)->label, "Reset");

  struct Choice {
    int32_t id;
    std::vector<int32_t> values;
    int32_t defaultValue;
  };
  const std::vector<Choice> choices = {
      {10004, {10005, 10006, 10007, 10008}, 10005}, {10009, {10010, 10011}, 10010},
      {10012, {10013, 10014, 10015, 10016}, 10013}, {10017, {10018, 10019}, 10018},
      {10020, {10021, 10022, 10023, 10024}, 10021}, {10025, {10026, 10027}, 10026}};
  for (const Choice& choice : choices) {
    const khost::DescriptionElement* element = layout.Element(choice.id);
    std::vector<int32_t> values;
    for (const khost::ChoiceValue& value : element->values) values.push_back(value.id);
    EXPECT_EQ(values, choice.values) << choice.id;
    EXPECT_EQ(element->defaultValue, choice.defaultValue) << choice.id;
  }
  const std::vector<std::string> modeLabels = {"None", "Positive face (+)", "Centre",
                                               "Negative face (-)"};
  for (size_t i = 0; i < modeLabels.size(); ++i)
    EXPECT_EQ(layout.Element(10012)->values[i].label, modeLabels[i]);
  EXPECT_TRUE(host.misuse().Empty());
  plugins().FreeDescription(description);
  host.resources().FreeResourceSet(set);
}

TEST_F(DescriptionLibraryTest, SmallPanelIsParsedIntoGroupsAndElements) {
  HostResourceSet* set = FolderWithDescription("Small", kSmallPanel);
  ASSERT_EQ(RegisterDescription(7, "Small", set), 1) << plugins().LastDescriptionError();
  const khost::DescriptionLayout* layout = plugins().RegisteredDescription(7);
  ASSERT_NE(layout, nullptr);
  EXPECT_EQ(layout->name, "Small");
  ASSERT_EQ(layout->groups.size(), 2u);
  EXPECT_EQ(layout->groups[1].label, "Axis");
  EXPECT_EQ(layout->groups[1].elements.size(), 3u);
  EXPECT_EQ(layout->Element(10004)->defaultValue, 10006);
  EXPECT_EQ(layout->Element(705)->defaultValue, 1);
  EXPECT_EQ(layout->Element(10002)->acceptsKind, 5155) << "links accept objects by default";
  EXPECT_EQ(layout->Element(10005), nullptr) << "a value is not an element";
  host.resources().FreeResourceSet(set);
}

struct MalformedCase {
  const char* title;
  std::string from;  // replaced in kSmallPanel ...
  std::string to;    // ... by this
  const char* expectedPart;
};

TEST_F(DescriptionLibraryTest, MalformedPanelsAreRefusedWithAClearDiagnostic) {
  const std::vector<MalformedCase> cases = {
      {"syntax error on line 2", "\"name\": \"Small\",", "\"name\": \"Small\";", ":2:18: "},
      {"unknown kind", "\"kind\": \"flag\"", "\"kind\": \"toggle\"",
       "/groups/1/elements/1/kind: unknown kind \"toggle\""},
      {"default not among the values", "\"default\": 10006", "\"default\": 10007",
       "/groups/1/elements/0/default: 10007 is not the id"},
      {"id used twice", "\"id\": 10001", "\"id\": 10002", "/groups/1/elements/2/id: the id 10002"},
      {"value id clashing with an element", "\"id\": 10005", "\"id\": 10004",
       "/groups/1/elements/0/values/0/id"},
      {"choice with one value",
       ",\n                    { \"id\": 10006, \"name\": \"MODE_PLUS\", \"label\": \"Plus\" }", "",
       "/groups/1/elements/0/values: a list of at least two"},
      {"missing label", "\"label\": \"Go\"", "\"caption\": \"Go\"", "/groups/1/elements/2/caption"},
      {"flag default not a truth value", "\"default\": true", "\"default\": 1",
       "/groups/1/elements/1/default: true or false"},
      {"name not a constant", "\"name\": \"GO\"", "\"name\": \"go\"",
       "/groups/1/elements/2/name: \"go\" is not a constant"},
      {"name used twice", "\"name\": \"GO\"", "\"name\": \"AUTO\"", "the name AUTO is used twice"},
      {"id beyond 32 bits", "\"id\": 10001", "\"id\": 4294967297", "does not fit in 32 bits"},
      {"no groups", "\"groups\": [", "\"groupz\": 1, \"groups\": [", "/groupz: unknown member"},
  };
  for (const MalformedCase& c : cases) {
    SCOPED_TRACE(c.title);
    std::string content = kSmallPanel;
    const size_t at = content.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    content.replace(at, c.from.size(), c.to);
    host.misuse().Clear();
    HostResourceSet* set = FolderWithDescription("Small", content);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(RegisterDescription(kToolId, "Small", set), 0);
    const std::string& error = plugins().LastDescriptionError();
    EXPECT_NE(error.find("res/description/Small.json"), std::string::npos) << error;
    EXPECT_NE(error.find(c.expectedPart), std::string::npos) << error;
    EXPECT_TRUE(host.misuse().Mentions("Small.json"));
    EXPECT_EQ(plugins().RegisteredDescription(kToolId), nullptr);
    host.resources().FreeResourceSet(set);
  }
}

TEST_F(DescriptionLibraryTest, RegistrationNeedsALiveSetAFileAndAPlainName) {
  HostResourceSet* set = FolderWithDescription("Small", kSmallPanel);
  EXPECT_EQ(RegisterDescription(kToolId, "Absent", set), 0);
  EXPECT_NE(plugins().LastDescriptionError().find("res/description/Absent.json"),
            std::string::npos);
  EXPECT_EQ(RegisterDescription(kToolId, "../Small", set), 0);
  EXPECT_EQ(RegisterDescription(kToolId, "", set), 0);
  host.misuse().Clear();

  // A module whose strings were never loaded passes no set: refused, but not misuse.
  EXPECT_EQ(RegisterDescription(kToolId, "Small", nullptr), 0);
  EXPECT_TRUE(host.misuse().Empty());

  host.resources().FreeResourceSet(set);
  EXPECT_EQ(RegisterDescription(kToolId, "Small", set), 0);
  EXPECT_TRUE(host.misuse().Mentions("not live"));
}

TEST_F(DescriptionLibraryTest, LoadFillsOnlyKnownDescriptionsForRegisteredIds) {
  HostResourceSet* set = FolderWithDescription("Small", kSmallPanel);
  HostDescription* description = plugins().NewDescription();
  EXPECT_EQ(LoadDescription(description, kToolId), 0) << "nothing registered yet";
  EXPECT_FALSE(plugins().DescriptionOf(description)->Loaded());
  ASSERT_EQ(RegisterDescription(kToolId, "Small", set), 1);
  EXPECT_EQ(LoadDescription(description, kToolId + 1), 0);
  EXPECT_EQ(LoadDescription(description, kToolId), 1);
  EXPECT_EQ(plugins().DescriptionOf(description)->Layout().name, "Small");
  EXPECT_TRUE(host.misuse().Empty());

  int notADescription = 0;
  EXPECT_EQ(LoadDescription(reinterpret_cast<HostDescription*>(&notADescription), kToolId), 0);
  EXPECT_TRUE(host.misuse().Mentions("LoadDescriptionById"));
  EXPECT_EQ(plugins().LiveDescriptions(), 1u);
  plugins().FreeDescription(description);
  EXPECT_EQ(plugins().LiveDescriptions(), 0u);
  host.resources().FreeResourceSet(set);
}

TEST_F(DescriptionLibraryTest, ButtonCommandCarriesTheButtonInLevelZero) {
  const khost::DescriptionCommand command = khost::MakeButtonCommand(10001);
  const HostDescLevel first = Level(&command, 0);
  EXPECT_EQ(first.id, 10001);
  EXPECT_EQ(first.dataType, khost::kDescDataButton);
  EXPECT_EQ(first.creator, 0);
  const HostDescLevel beyond = Level(&command, 1);
  EXPECT_EQ(beyond.id, 0);
  EXPECT_EQ(beyond.dataType, 0);
  EXPECT_EQ(beyond.creator, 0);
  EXPECT_EQ(Level(&command, -1).id, 0);
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(DescriptionLibraryTest, DeeperIdsAnswerEachLevel) {
  const khost::DescriptionId id{{10004, 2, 11}, {10005, 3, 12}};
  EXPECT_EQ(id.Depth(), 2);
  EXPECT_EQ(Level(&id, 0).creator, 11);
  EXPECT_EQ(Level(&id, 1).id, 10005);
  EXPECT_EQ(Level(&id, 2).id, 0);
  const khost::DescriptionId copy = id;
  EXPECT_EQ(Level(&copy, 1).dataType, 3);
}

TEST_F(DescriptionLibraryTest, LevelRecordIsKeptByTheHostUntilTheNextCall) {
  const khost::DescriptionCommand first = khost::MakeButtonCommand(702);
  const khost::DescriptionCommand second = khost::MakeButtonCommand(704);
  const HostDescLevel* record = Entry<DescriptionIdLevelFunction>(112)(&first, 0);
  EXPECT_EQ(record->id, 702);
  const HostDescLevel* next = Entry<DescriptionIdLevelFunction>(112)(&second, 0);
  EXPECT_EQ(next, record);
  EXPECT_EQ(record->id, 704);
}

TEST_F(DescriptionLibraryTest, AddressesThatHoldNoIdGiveZerosAndAreReported) {
  const int32_t looksLikeAnId[3] = {10001, 3, 0};
  EXPECT_EQ(Level(looksLikeAnId, 0).id, 0);
  EXPECT_TRUE(host.misuse().Mentions("holds no description id"));
  EXPECT_EQ(Level(nullptr, 0).id, 0);
  EXPECT_TRUE(host.misuse().Mentions("null id"));

  const void* gone = nullptr;
  {
    const khost::DescriptionCommand command = khost::MakeButtonCommand(10028);
    gone = &command;
    EXPECT_TRUE(khost::DescriptionId::IsLive(gone));
  }
  EXPECT_FALSE(khost::DescriptionId::IsLive(gone));
}

}  // namespace
}  // namespace khost_test

namespace khost_test {
namespace {

TEST_F(DescriptionLibraryTest, LibraryCallsAreTracedInOrder) {
  host.trace().Enable(true);
  const khost::DescriptionCommand command = khost::MakeButtonCommand(10028);
  EXPECT_EQ(Level(&command, 0).id, 10028);
  EXPECT_EQ(host.trace().Only({"FindPlugin", "PluginLibraryData", "DescriptionIdLevel"}),
            (std::vector<std::string>{"FindPlugin(1000467, 17)", "PluginLibraryData(plugin)",
                                      "DescriptionIdLevel(data, 0)"}));
}

}  // namespace
}  // namespace khost_test
